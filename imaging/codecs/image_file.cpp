#include "imaging/codecs/image_file.h"

#include "environment/atomic_file.h"
#include "imaging/codecs/bmp_codec.h"
#include "imaging/codecs/flashpix_codec.h"
#include "imaging/codecs/format_fit.h"
#include "imaging/codecs/format_sniffer.h"
#include "imaging/codecs/gif_codec.h"
#include "imaging/codecs/jpeg2000_codec.h"
#include "imaging/codecs/jpeg_codec.h"
#include "imaging/codecs/pcx_codec.h"
#include "imaging/codecs/png_codec.h"
#include "imaging/codecs/tiff_codec.h"
#include "imaging/imaging_log.h"

#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

namespace tavlo::codecs {
namespace {

QString notWritable(ImageFormat format)
{
    switch (format) {
    case ImageFormat::Jpeg2000: return QStringLiteral("JPEG 2000 形式の保存には対応していません");
    default: return QStringLiteral("保存形式が分かりません");
    }
}

// Converts the image as image_format.h lists and encodes it; the format is one the caller let
// through.
QString encode(const Image& image, QIODevice& out, ImageFormat format, const WriteOptions& options)
{
    const Image fitted = fitForFormat(image, format);
    if (fitted.isNull())
        return QStringLiteral("ﾒﾓﾘが足りません");
    switch (format) {
    case ImageFormat::Bmp: return writeBmp(fitted, out);
    case ImageFormat::Jpeg: return writeJpeg(fitted, out, std::clamp(options.jpegQuality, 1, 100));
    case ImageFormat::Png: return writePng(fitted, out);
    case ImageFormat::Gif: return writeGif(fitted, out);
    case ImageFormat::Tiff: return writeTiff(fitted, out);
    case ImageFormat::Pcx: return writePcx(fitted, out);
    case ImageFormat::Jpeg2000: return writeJpeg2000(fitted, out);
    case ImageFormat::FlashPix:
        return writeFlashPix(fitted, out, std::clamp(options.jpegQuality, 1, 100));
    default: return notWritable(format);
    }
}

// The file around encode: a temporary file beside the target, renamed over it when complete.
QString writeFile(const Image& image, const QString& path, ImageFormat format,
                  const WriteOptions& options)
{
    AtomicFile file(path);
    if (!file.open())
        return file.error();
    QString reason = encode(image, file.device(), format, options);
    if (!reason.isEmpty()) {
        // A write that stops part-way is most often a full disk; say so when it is.
        const QStorageInfo storage(QFileInfo(path).absolutePath());
        if (storage.isValid() &&
            storage.bytesAvailable() < std::max<qint64>(image.dibDataSize(), 1 << 20))
            reason = QStringLiteral("ﾃﾞｨｽｸの空き容量が足りません");
    } else if (!file.commit()) {
        reason = file.error();
    }
    if (!reason.isEmpty())
        qCWarning(lcImaging) << "write" << path << formatName(format) << "->" << reason;
    return reason;
}

}  // namespace

Decoded readImage(QIODevice& in, ImageFormat* format)
{
    const QByteArray head = in.peek(kSniffBytes);
    const ImageFormat found = sniffFormat(head);
    if (format)
        *format = found;
    switch (found) {
    case ImageFormat::Bmp: return readBmp(in);
    case ImageFormat::Jpeg: return readJpeg(in);
    case ImageFormat::Png: return readPng(in);
    case ImageFormat::Gif: return readGif(in);
    case ImageFormat::Tiff: return readTiff(in);
    case ImageFormat::Pcx: return readPcx(in);
    case ImageFormat::Jpeg2000: return readJpeg2000(in);
    case ImageFormat::FlashPix: return readFlashPix(in);
    case ImageFormat::Unknown: break;
    }
    if (head.isEmpty())
        return Decoded::failure(QStringLiteral("ﾌｧｲﾙが空です"));
    return Decoded::failure(QStringLiteral("画像ﾌｧｲﾙの形式が分かりません"));
}

Decoded readImageFile(const QString& path, ImageFormat* format)
{
    if (format)
        *format = ImageFormat::Unknown;
    const QFileInfo info(path);
    if (!info.exists())
        return Decoded::failure(QStringLiteral("ﾌｧｲﾙがありません"));
    if (info.isDir())
        return Decoded::failure(QStringLiteral("ﾌｫﾙﾀﾞです"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return Decoded::failure(file.error() == QFileDevice::PermissionsError
                                    ? QStringLiteral("読み取りの権限がありません")
                                    : QStringLiteral("ﾌｧｲﾙを開けません"));
    }
    Decoded decoded = readImage(file, format);
    if (!decoded.ok())
        qCInfo(lcImaging) << "read" << path << "->" << decoded.error;
    return decoded;
}

QString writeImage(const Image& image, QIODevice& out, ImageFormat format,
                   const WriteOptions& options)
{
    if (image.isNull())
        return QStringLiteral("画像がありません");
    if (!formatWritable(format))
        return notWritable(format);
    return encode(image, out, format, options);
}

QString writeImageFile(const Image& image, const QString& path, ImageFormat format,
                       const WriteOptions& options)
{
    if (image.isNull())
        return QStringLiteral("画像がありません");
    if (!formatWritable(format))
        return notWritable(format);
    return writeFile(image, path, format, options);
}

QString saveImageFile(const Image& image, const QString& path, int saveCode,
                      const WriteOptions& options)
{
    const std::optional<ImageFormat> format = formatFromSaveCode(saveCode);
    if (!format || !saveCodeWritable(saveCode))
        return notWritable(format.value_or(ImageFormat::Unknown));
    if (image.isNull())
        return QStringLiteral("画像がありません");
    return writeFile(image, path, *format, options);
}

}  // namespace tavlo::codecs
