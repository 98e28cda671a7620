#include "imaging/clipboard/picture_decoder.h"

#include "imaging/codecs/image_file.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <array>

namespace tavlo {
namespace {

// One channel of a colour with opacity alpha laid on white.
int onWhite(int channel, int alpha)
{
    return (channel * alpha + 255 * (255 - alpha) + 127) / 255;
}

QRgb colourOnWhite(QRgb colour)
{
    const int a = qAlpha(colour);
    if (a == 255)
        return colour;
    return qRgb(onWhite(qRed(colour), a), onWhite(qGreen(colour), a), onWhite(qBlue(colour), a));
}

bool isPaletteFormat(QImage::Format format)
{
    return format == QImage::Format_Mono || format == QImage::Format_MonoLSB ||
           format == QImage::Format_Indexed8;
}

// Lays every transparent colour on white: palette entries for palette images, pixels otherwise.
QImage flattenedOnWhite(QImage image)
{
    if (isPaletteFormat(image.format())) {
        QVector<QRgb> palette = image.colorTable();
        for (QRgb& colour : palette)
            colour = colourOnWhite(colour);
        image.setColorTable(palette);
        return image;
    }
    if (!image.hasAlphaChannel())
        return image;
    QImage source = image.convertToFormat(QImage::Format_ARGB32);
    QImage flat(source.size(), QImage::Format_RGB32);
    if (source.isNull() || flat.isNull())
        return QImage();
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(flat.scanLine(y));
        for (int x = 0; x < source.width(); ++x)
            out[x] = colourOnWhite(in[x]);
    }
    return flat;
}

Image asMono(const QImage& decoded)
{
    QImage mono;
    if (decoded.format() == QImage::Format_Mono) {
        mono = decoded;
    } else if (decoded.format() == QImage::Format_MonoLSB) {
        mono = decoded.convertToFormat(QImage::Format_Mono);
    } else if (decoded.format() == QImage::Format_Indexed8 && decoded.colorCount() <= 2) {
        mono = QImage(decoded.size(), QImage::Format_Mono);
        if (mono.isNull())
            return Image();
        mono.fill(0);
        for (int y = 0; y < decoded.height(); ++y) {
            const uchar* in = decoded.constScanLine(y);
            uchar* out = mono.scanLine(y);
            for (int x = 0; x < decoded.width(); ++x) {
                if (in[x] != 0)
                    out[x >> 3] |= uchar(0x80 >> (x & 7));
            }
        }
        mono.setColorTable(decoded.colorTable());
    } else {
        return Image();
    }
    // A two-colour image keeps exactly two palette entries; pad a one-entry palette.
    QVector<QRgb> palette = mono.colorTable();
    if (palette.isEmpty())
        palette = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    if (palette.size() == 1)
        palette.append(qGray(palette[0]) < 128 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    palette.resize(2);
    mono.setColorTable(palette);
    return Image::fromStorage(mono, ColourCode::Mono);
}

// A grey image as palette indices into the grey levels it uses; null when it uses more than
// maxLevels of them.
QImage greyAsIndexed(const QImage& grey, int maxLevels)
{
    std::array<int, 256> indexOf;
    indexOf.fill(-1);
    QVector<QRgb> palette;
    QImage indexed(grey.size(), QImage::Format_Indexed8);
    if (indexed.isNull())
        return QImage();
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* in = grey.constScanLine(y);
        uchar* out = indexed.scanLine(y);
        for (int x = 0; x < grey.width(); ++x) {
            int& index = indexOf[in[x]];
            if (index < 0) {
                if (palette.size() == maxLevels)
                    return QImage();
                index = int(palette.size());
                palette.append(qRgb(in[x], in[x], in[x]));
            }
            out[x] = uchar(index);
        }
    }
    indexed.setColorTable(palette);
    return indexed;
}

Image asIndexed(QImage decoded, int bits)
{
    if (decoded.format() == QImage::Format_Mono || decoded.format() == QImage::Format_MonoLSB)
        decoded = decoded.convertToFormat(QImage::Format_Indexed8);
    if (decoded.format() == QImage::Format_Grayscale16)
        decoded = decoded.convertToFormat(QImage::Format_Grayscale8);
    if (decoded.format() == QImage::Format_Grayscale8) {
        const QImage indexed = greyAsIndexed(decoded, bits == 4 ? 16 : 256);
        if (indexed.isNull())
            return Image::fromStorage(decoded, ColourCode::Grey256);
        decoded = indexed;
    }
    if (decoded.format() != QImage::Format_Indexed8)
        return Image();
    if (bits == 4 && decoded.colorCount() > 16)
        bits = 8;
    return Image::fromIndexed(decoded, bits);
}

Image asGrey(const QImage& decoded)
{
    switch (decoded.format()) {
    case QImage::Format_Grayscale8: return Image::fromStorage(decoded, ColourCode::Grey256);
    case QImage::Format_Grayscale16:
        return Image::fromStorage(decoded.convertToFormat(QImage::Format_Grayscale8),
                                  ColourCode::Grey256);
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8: return asIndexed(decoded, 8);
    default: break;
    }
    const QImage rgb = decoded.convertToFormat(QImage::Format_RGB32);
    QImage grey(rgb.size(), QImage::Format_Grayscale8);
    if (rgb.isNull() || grey.isNull())
        return Image();
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* out = grey.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x)
            out[x] = uchar(qGray(in[x]));
    }
    return Image::fromStorage(grey, ColourCode::Grey256);
}

ColourCode naturalCode(QImage::Format format)
{
    switch (format) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB: return ColourCode::Mono;
    case QImage::Format_Indexed8: return ColourCode::Palette256;
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16: return ColourCode::Grey256;
    case QImage::Format_RGB555: return ColourCode::Rgb555;
    default: return ColourCode::Rgb24;
    }
}

Image asDirect(const QImage& decoded, ColourCode code)
{
    return Image::fromStorage(decoded.convertToFormat(storageFormat(code)), code);
}

}  // namespace

Image imageFromDecoded(QImage decoded, std::optional<ColourCode> code)
{
    if (decoded.isNull() ||
        !Image::sizeAllowed(decoded.width(), decoded.height(), ColourCode::Mono))
        return Image();
    decoded = flattenedOnWhite(std::move(decoded));
    if (decoded.isNull())
        return Image();
    const ColourCode wanted = code.value_or(naturalCode(decoded.format()));
    if (!Image::sizeAllowed(decoded.width(), decoded.height(), wanted))
        return Image();
    Image image;
    switch (wanted) {
    case ColourCode::Mono: image = asMono(decoded); break;
    case ColourCode::Palette16:
    case ColourCode::Grey16: image = asIndexed(decoded, 4); break;
    case ColourCode::Palette256: image = asIndexed(decoded, 8); break;
    case ColourCode::Grey256: image = asGrey(decoded); break;
    case ColourCode::Rgb555:
    case ColourCode::Rgb24:
    case ColourCode::Rgb32: image = asDirect(decoded, wanted); break;
    }
    // The file said one thing and the pixels another (a forged header): keep the colours at 24
    // bits.
    if (image.isNull())
        image = asDirect(decoded, ColourCode::Rgb24);
    return image;
}

Image decodePicture(const QByteArray& bytes, const QByteArray& format)
{
    if (bytes.isEmpty())
        return Image();
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return Image();
    // The control's own decoders first: they keep the exact colour-depth code and dots per inch of
    // every format they know, and refuse damaged or forged data before allocating.
    codecs::ImageFormat found = codecs::ImageFormat::Unknown;
    codecs::Decoded decoded = codecs::readImage(buffer, &found);
    if (decoded.ok())
        return std::move(decoded.image);
    if (found != codecs::ImageFormat::Unknown)
        return Image();
    // A format the control does not read itself: Qt decodes it, with its size checked first.
    buffer.seek(0);
    QImageReader reader(&buffer, format);
    // Qt decodes direct colour as 32 bits: room for the largest image the model allows.
    reader.setAllocationLimit(int(Image::kMaxStorageBytes >> 20) * 2);
    const QSize size = reader.size();
    if (size.isValid() && !Image::sizeAllowed(size.width(), size.height(), ColourCode::Mono))
        return Image();
    return imageFromDecoded(reader.read(), std::nullopt);
}

}  // namespace tavlo
