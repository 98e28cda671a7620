#include "tests/imaging/process/sample_images.h"

#include <QColor>

#include <algorithm>
#include <cstdlib>

namespace tavlo::test {
namespace {

struct Random {
    quint32 state;
    quint32 next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

}  // namespace

Image sampleImage(ColourCode code, int width, int height, unsigned seed)
{
    Image image = Image::create(width, height, code);
    Random random{seed * 2654435761u + 1};
    QImage& pixels = image.pixels();
    if (code == ColourCode::Palette16) {
        QVector<QRgb> palette;
        for (int i = 0; i < 16; ++i)
            palette.append(qRgb(random.next() & 255, random.next() & 255, random.next() & 255));
        palette[0] = qRgb(200, 10, 30);  // never all grey
        pixels.setColorTable(palette);
    } else if (code == ColourCode::Palette256) {
        QVector<QRgb> palette;
        for (int i = 0; i < 200; ++i)
            palette.append(qRgb(random.next() & 255, random.next() & 255, random.next() & 255));
        palette[0] = qRgb(200, 10, 30);
        pixels.setColorTable(palette);
    }
    const int entries = int(pixels.colorTable().size());
    for (int y = 0; y < height; ++y) {
        uchar* row = pixels.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const quint32 r = random.next();
            switch (code) {
            case ColourCode::Mono:
                if (r & 1)
                    row[x >> 3] |= uchar(0x80 >> (x & 7));
                else
                    row[x >> 3] &= uchar(~(0x80 >> (x & 7)));
                break;
            case ColourCode::Palette16:
            case ColourCode::Grey16:
            case ColourCode::Palette256: row[x] = uchar(r % quint32(entries)); break;
            case ColourCode::Grey256: row[x] = uchar(r); break;
            case ColourCode::Rgb555: reinterpret_cast<quint16*>(row)[x] = quint16(r & 0x7fff); break;
            case ColourCode::Rgb24:
                row[3 * x] = uchar(r);
                row[3 * x + 1] = uchar(r >> 8);
                row[3 * x + 2] = uchar(r >> 16);
                break;
            case ColourCode::Rgb32:
                reinterpret_cast<quint32*>(row)[x] = 0xff000000u | (r & 0xffffff);
                break;
            }
        }
    }
    image.setDpi(200, 300);
    return image;
}

Image colouredMonoImage(int width, int height)
{
    Image image = sampleImage(ColourCode::Mono, width, height, 3);
    image.pixels().setColorTable({qRgb(20, 40, 160), qRgb(250, 220, 10)});
    return image;
}

Image plainImage(ColourCode code, int width, int height, QRgb colour)
{
    Image image = Image::create(width, height, code);
    if (code == ColourCode::Rgb24) {
        for (int y = 0; y < height; ++y) {
            uchar* row = image.scanLine(y);
            for (int x = 0; x < width; ++x) {
                row[3 * x] = uchar(qBlue(colour));
                row[3 * x + 1] = uchar(qGreen(colour));
                row[3 * x + 2] = uchar(qRed(colour));
            }
        }
    } else {
        image.pixels().fill(QColor(colour));
    }
    return image;
}

int largestDifference(const Image& a, const Image& b)
{
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixelColour(x, y), q = b.pixelColour(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return largest;
}

}  // namespace tavlo::test
