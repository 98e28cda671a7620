#include "imaging/codecs/image_format.h"

namespace tavlo::codecs {

QString formatName(ImageFormat format)
{
    switch (format) {
    case ImageFormat::Bmp: return QStringLiteral("BMP");
    case ImageFormat::Jpeg: return QStringLiteral("JPG");
    case ImageFormat::Png: return QStringLiteral("PNG");
    case ImageFormat::Gif: return QStringLiteral("GIF");
    case ImageFormat::Tiff: return QStringLiteral("TIF");
    case ImageFormat::Pcx: return QStringLiteral("PCX");
    case ImageFormat::Jpeg2000: return QStringLiteral("JP2");
    case ImageFormat::FlashPix: return QStringLiteral("FPX");
    case ImageFormat::Unknown: break;
    }
    return QString();
}

std::optional<ImageFormat> formatFromName(const QString& name)
{
    const QString upper = name.toUpper();
    if (upper == QLatin1String("JPEG"))
        return ImageFormat::Jpeg;
    if (upper == QLatin1String("TIFF"))
        return ImageFormat::Tiff;
    for (ImageFormat format : {ImageFormat::Bmp, ImageFormat::Jpeg, ImageFormat::Png, ImageFormat::Gif,
                               ImageFormat::Tiff, ImageFormat::Pcx, ImageFormat::Jpeg2000,
                               ImageFormat::FlashPix}) {
        if (upper == formatName(format))
            return format;
    }
    return std::nullopt;
}

std::optional<ImageFormat> formatFromSaveCode(int code)
{
    switch (code) {
    case 0: return ImageFormat::Bmp;
    case 2: return ImageFormat::Jpeg;
    case 4: return ImageFormat::Gif;
    case 5: return ImageFormat::Tiff;
    case 12: return ImageFormat::Png;
    case 13: return ImageFormat::FlashPix;
    case 16: return ImageFormat::Pcx;
    default: return std::nullopt;
    }
}

bool formatWritable(ImageFormat format)
{
    switch (format) {
    case ImageFormat::Bmp:
    case ImageFormat::Jpeg:
    case ImageFormat::Png:
    case ImageFormat::Gif:
    case ImageFormat::Tiff:
    case ImageFormat::Pcx: return true;
    default: return false;
    }
}

}  // namespace tavlo::codecs
