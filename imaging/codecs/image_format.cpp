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
    for (ImageFormat format :
         {ImageFormat::Bmp, ImageFormat::Jpeg, ImageFormat::Png, ImageFormat::Gif,
          ImageFormat::Tiff, ImageFormat::Pcx, ImageFormat::Jpeg2000, ImageFormat::FlashPix}) {
        if (upper == formatName(format))
            return format;
    }
    return std::nullopt;
}

namespace {

struct SaveCodeEntry {
    int code;
    ImageFormat format;
    bool writable;
};

// The save codes, their formats and whether the file object writes them.
const SaveCodeEntry kSaveCodes[] = {
    {SaveCode::Bmp, ImageFormat::Bmp, true}, {SaveCode::Jpeg, ImageFormat::Jpeg, true},
    {SaveCode::Gif, ImageFormat::Gif, true}, {SaveCode::Tiff, ImageFormat::Tiff, true},
    {SaveCode::Png, ImageFormat::Png, true}, {SaveCode::FlashPix, ImageFormat::FlashPix, true},
    {SaveCode::Pcx, ImageFormat::Pcx, true}, {SaveCode::Jpeg2000, ImageFormat::Jpeg2000, true},
};

const SaveCodeEntry* saveCodeEntry(int code)
{
    for (const SaveCodeEntry& entry : kSaveCodes) {
        if (entry.code == code)
            return &entry;
    }
    return nullptr;
}

}  // namespace

std::optional<ImageFormat> formatFromSaveCode(int code)
{
    const SaveCodeEntry* entry = saveCodeEntry(code);
    return entry ? std::optional(entry->format) : std::nullopt;
}

bool saveCodeWritable(int code)
{
    const SaveCodeEntry* entry = saveCodeEntry(code);
    return entry && entry->writable;
}

bool formatWritable(ImageFormat format)
{
    switch (format) {
    case ImageFormat::Bmp:
    case ImageFormat::Jpeg:
    case ImageFormat::Png:
    case ImageFormat::Gif:
    case ImageFormat::Tiff:
    case ImageFormat::Pcx:
    case ImageFormat::FlashPix: return true;
    default: return false;
    }
}

}  // namespace tavlo::codecs
