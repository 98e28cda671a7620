#include "tests/support/test_images.h"

#include "imaging/codecs/image_file.h"
#include "tests/support/xorshift.h"

#include <QBuffer>
#include <QColor>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tavlo::test {
namespace {

using Random = test::XorShift32;

QVector<QRgb> paletteFor(ColourCode code, const Look& look, Random& random)
{
    if (code == ColourCode::Mono) {
        if (look.palette == PaletteKind::ColourPair)
            return {qRgb(200, 30, 40), qRgb(10, 90, 250)};
        if (look.palette == PaletteKind::WhiteBlack)
            return {grey(255), grey(0)};
        return {grey(0), grey(255)};
    }
    const int count = look.palette != PaletteKind::Short ? paletteCapacity(code)
                      : code == ColourCode::Palette256   ? 10
                                                         : 3;
    const bool randomGreys =
        look.palette == PaletteKind::OddGreys || look.palette == PaletteKind::Short;
    QVector<QRgb> palette;
    for (int i = 0; i < count; ++i) {
        if (code == ColourCode::Grey16) {
            palette.append(grey(randomGreys ? int(random.next() & 255) : i * 17));
        } else if (look.pattern == Pattern::Smooth) {
            // Colours around a loop: neighbouring entries are near colours, none is grey.
            const double a = 6.283185307179586 * i / count;
            palette.append(qRgb(int(128 + 100 * std::cos(a)), int(128 + 100 * std::sin(a)),
                                int(128 + 60 * std::cos(2 * a)) ^ 1));
        } else {
            palette.append(random.next() | 0xff000000u);
        }
    }
    if (code == ColourCode::Grey16 && randomGreys)
        palette[1] = grey(5);
    else if (code != ColourCode::Grey16 && look.pattern == Pattern::Random)
        palette[0] = qRgb(200, 10, 30);  // never all grey by chance
    return palette;
}

void setBit(uchar* row, int x, bool on)
{
    if (on)
        row[x >> 3] |= uchar(0x80 >> (x & 7));
    else
        row[x >> 3] &= uchar(~(0x80 >> (x & 7)));
}

}  // namespace

Image sampleImage(ColourCode code, int width, int height, const Look& look)
{
    Image image = Image::create(width, height, code);
    Random random{look.seed * 2654435761u + 12345u};
    const bool indexed = isIndexedCode(code) && code != ColourCode::Grey256;
    if (indexed)
        image.pixels().setColorTable(paletteFor(code, look, random));
    const int entries = int(image.palette().size());
    const bool smooth = look.pattern == Pattern::Smooth;
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const quint32 r = random.next();
            if (indexed) {
                // The first pixels walk through the palette, so every entry is in use.
                const int i = y * width + x;
                const int index = smooth        ? (x / 16 + y / 16) % entries
                                  : i < entries ? i
                                                : int(r % quint32(entries));
                if (code == ColourCode::Mono)
                    setBit(row, x, index);
                else
                    row[x] = uchar(index);
                continue;
            }
            const int noise = int(r % 9) - 4;
            const int level = std::clamp((x * 255) / std::max(1, width - 1) / 2 +
                                             (y * 127) / std::max(1, height - 1) + noise,
                                         0, 255);
            const int across = std::clamp((y * 255) / std::max(1, height - 1) + noise, 0, 255);
            switch (code) {
            case ColourCode::Grey256: row[x] = uchar(smooth ? level : int(r & 255)); break;
            case ColourCode::Rgb555: {
                const int blue = (x * 31) / std::max(1, width - 1);
                reinterpret_cast<quint16*>(row)[x] =
                    smooth ? quint16((level >> 3) << 10 | ((255 - level) >> 3) << 5 | blue)
                           : quint16(r & 0x7fff);
                break;
            }
            case ColourCode::Rgb24:
            case ColourCode::Rgb32: {
                const int step = code == ColourCode::Rgb24 ? 3 : 4;
                row[step * x] = uchar(smooth ? level : int(r & 255));
                row[step * x + 1] = uchar(smooth ? 255 - level : int(r >> 8 & 255));
                row[step * x + 2] = uchar(smooth ? across : int(r >> 16 & 255));
                if (step == 4)
                    row[step * x + 3] = 0xff;
                break;
            }
            default: break;
            }
        }
    }
    image.setDpi(200, 300);
    return image;
}

Image sampleImage(ColourCode code, int width, int height, unsigned seed)
{
    return sampleImage(code, width, height, Look{PaletteKind::Usual, Pattern::Random, seed});
}

Image plainImage(ColourCode code, int width, int height, QRgb colour)
{
    Image image = Image::create(width, height, code);
    if (code != ColourCode::Rgb24) {
        image.pixels().fill(QColor(colour));
        return image;
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uchar* p = image.scanLine(y) + 3 * x;
            p[0] = uchar(qBlue(colour));
            p[1] = uchar(qGreen(colour));
            p[2] = uchar(qRed(colour));
        }
    }
    return image;
}

std::vector<QRgb> rowColours(const Image& image, int y, int count)
{
    std::vector<QRgb> colours;
    for (int x = 0; x < count; ++x)
        colours.push_back(image.pixelColour(x, y));
    return colours;
}

Image greyRow(const std::vector<int>& levels)
{
    Image row = Image::create(int(levels.size()), 1, ColourCode::Grey256);
    std::copy(levels.begin(), levels.end(), row.scanLine(0));
    return row;
}

Image a4TextPage(ColourCode code)
{
    Image page = Image::create(4960, 7016, code);
    QImage& pixels = page.pixels();
    if (code == ColourCode::Mono) {
        pixels.setColorTable({grey(255), grey(0)});
        pixels.fill(0);
    } else {
        pixels.fill(QColor(255, 255, 250));
    }
    // Lines of "text": short dark strokes every 70 rows, like 12-point type at 600 dpi.
    for (int line = 300; line < 6700; line += 70) {
        for (int y = line; y < line + 40; ++y) {
            uchar* row = pixels.scanLine(y);
            for (int x = 400; x < 4560; ++x) {
                if ((x / 6 + y / 9) % 5 == 0 || x % 53 >= 38)
                    continue;
                if (code == ColourCode::Mono) {
                    setBit(row, x, true);
                } else {  // Rgb24: bytes B, G, R
                    row[3 * x] = uchar(60 + y % 50);
                    row[3 * x + 1] = 30;
                    row[3 * x + 2] = uchar(20 + x % 40);
                }
            }
        }
    }
    page.setDpi(600, 600);
    return page;
}

namespace {

// Calls take(difference) for each channel of each pixel of two images of the same size.
template <typename Take> void eachDifference(const Image& a, const Image& b, Take take)
{
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixelColour(x, y), q = b.pixelColour(x, y);
            for (int shift : {16, 8, 0})
                take(std::abs(int(p >> shift & 255) - int(q >> shift & 255)));
        }
    }
}

}  // namespace

int largestDifference(const Image& a, const Image& b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return 1 << 20;
    int largest = 0;
    eachDifference(a, b, [&](int d) { largest = std::max(largest, d); });
    return largest;
}

double meanDifference(const Image& a, const Image& b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return 1e9;
    double total = 0;
    eachDifference(a, b, [&](int d) { total += d; });
    return total / (3.0 * a.width() * a.height());
}

QByteArray encode(const Writer& writer, const Image& image, QString* error)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadWrite);
    const QString reason = writer(image, buffer);
    if (error)
        *error = reason;
    buffer.close();
    return bytes;
}

codecs::Decoded decode(const Reader& reader, const QByteArray& bytes)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return reader(buffer);
}

QByteArray encode(codecs::ImageFormat format, const Image& image, QString* error)
{
    return encode(
        [format](const Image& i, QIODevice& d) { return codecs::writeImage(i, d, format); }, image,
        error);
}

codecs::Decoded decode(const QByteArray& bytes, codecs::ImageFormat* format)
{
    return decode([format](QIODevice& d) { return codecs::readImage(d, format); }, bytes);
}

QByteArray testData(const QString& name)
{
    QString folder = QString::fromLocal8Bit(qgetenv("TAVLO_TEST_DATA"));
#ifdef TAVLO_TEST_DATA_DIR
    if (folder.isEmpty())
        folder = QStringLiteral(TAVLO_TEST_DATA_DIR);
#endif
    QFile file(folder + QLatin1Char('/') + name);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("test data %s cannot be read", qPrintable(file.fileName()));
        return {};
    }
    return file.readAll();
}

}  // namespace tavlo::test
