#include "imaging/clipboard/dib_file_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace tavlo {
namespace {

constexpr int kFileHeaderBytes = 14;
constexpr int kInfoHeaderBytes = 40;

void put16(uchar* p, quint16 v)
{
    p[0] = uchar(v);
    p[1] = uchar(v >> 8);
}

void put32(uchar* p, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uchar(v >> (8 * i));
}

// The palette the file carries: the image's own, or the 256 grey levels of code 80.
QVector<QRgb> filePalette(const Image& image)
{
    if (image.code() == ColourCode::Grey256) {
        QVector<QRgb> greys(256);
        for (int i = 0; i < 256; ++i)
            greys[i] = qRgb(i, i, i);
        return greys;
    }
    return isIndexedCode(image.code()) ? image.palette() : QVector<QRgb>();
}

// Writes one image row as the file stores it into out (rowBytes long, already zeroed).
void writeRow(const Image& image, int y, uchar* out)
{
    const uchar* in = image.scanLine(y);
    const int width = image.width();
    switch (image.code()) {
    case ColourCode::Palette16:
    case ColourCode::Grey16:
        // Stored one index per byte; the file packs two per byte, the left pixel in the high nibble.
        for (int x = 0; x < width; ++x)
            out[x / 2] |= uchar((in[x] & 0x0f) << (x % 2 == 0 ? 4 : 0));
        break;
    case ColourCode::Mono: {
        const int fullBytes = width / 8;
        std::memcpy(out, in, std::size_t(fullBytes));
        if (width % 8 != 0)
            out[fullBytes] = uchar(in[fullBytes] & (0xff << (8 - width % 8)));
        break;
    }
    default:
        // 8, 80, 16, 24 and 32: the stored row is the file's row (see image.h).
        std::memcpy(out, in, std::size_t(width) * std::size_t(image.bitCount() / 8));
        break;
    }
}

}  // namespace

int pixelsPerMetre(int dotsPerInch)
{
    return dotsPerInch > 0 ? int(std::lround(dotsPerInch / 0.0254)) : 0;
}

int dotsPerInch(qint64 pixelsPerMetre)
{
    if (pixelsPerMetre <= 0 || pixelsPerMetre > 100'000'000)
        return 0;
    return int(std::lround(double(pixelsPerMetre) * 0.0254));
}

QByteArray bmpFileBytes(const Image& image)
{
    if (image.isNull())
        return QByteArray();
    const QVector<QRgb> palette = filePalette(image);
    const qint64 rowBytes = ((qint64(image.width()) * image.bitCount() + 31) / 32) * 4;
    const qint64 dataBytes = rowBytes * image.height();
    const qint64 offset = kFileHeaderBytes + kInfoHeaderBytes + 4 * qint64(palette.size());
    const qint64 fileBytes = offset + dataBytes;
    if (fileBytes > std::numeric_limits<quint32>::max())
        return QByteArray();

    QByteArray bytes(qsizetype(fileBytes), '\0');
    auto* p = reinterpret_cast<uchar*>(bytes.data());
    p[0] = 'B';
    p[1] = 'M';
    put32(p + 2, quint32(fileBytes));
    put32(p + 10, quint32(offset));
    uchar* info = p + kFileHeaderBytes;
    put32(info, kInfoHeaderBytes);
    put32(info + 4, quint32(image.width()));
    put32(info + 8, quint32(image.height()));  // positive: rows run bottom-up
    put16(info + 12, 1);
    put16(info + 14, quint16(image.bitCount()));
    put32(info + 16, 0);  // BI_RGB; 16 bits without masks are 5-5-5
    put32(info + 20, quint32(dataBytes));
    put32(info + 24, quint32(pixelsPerMetre(image.dpiX())));
    put32(info + 28, quint32(pixelsPerMetre(image.dpiY())));
    put32(info + 32, quint32(palette.size()));
    put32(info + 36, 0);
    uchar* entry = info + kInfoHeaderBytes;
    for (QRgb colour : palette) {
        entry[0] = uchar(qBlue(colour));
        entry[1] = uchar(qGreen(colour));
        entry[2] = uchar(qRed(colour));
        entry += 4;
    }
    uchar* pixels = p + offset;
    for (int y = 0; y < image.height(); ++y)
        writeRow(image, y, pixels + rowBytes * (image.height() - 1 - y));
    return bytes;
}

}  // namespace tavlo
