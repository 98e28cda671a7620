#include "imaging/clipboard/clipboard_picture.h"

#include "imaging/clipboard/image_mime_data.h"
#include "imaging/clipboard/picture_decoder.h"
#include "imaging/clipboard/svg_picture.h"
#include "imaging/current_image.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>

namespace tavlo {
namespace {

const QString kSvgType = QStringLiteral("image/svg+xml");

bool isBmpType(const QString& type)
{
    return type == QLatin1String("image/bmp") || type == QLatin1String("image/x-bmp") ||
           type == QLatin1String("image/x-ms-bmp");
}

bool isSvgType(const QString& type)
{
    return type.startsWith(kSvgType);
}

// Image types Qt can decode, apart from BMP, PNG and SVG, which have their own places in the order.
bool isOtherRasterType(const QString& type)
{
    static const QList<QByteArray> readable = QImageReader::supportedMimeTypes();
    return !isBmpType(type) && type != QLatin1String("image/png") && !isSvgType(type) &&
           readable.contains(type.toLatin1());
}

// The offered types, lower case, in the order they are tried.
QStringList candidateTypes(const QMimeData& data)
{
    QStringList bmp, png, other;
    for (const QString& offered : data.formats()) {
        const QString type = offered.toLower();
        if (isBmpType(type))
            bmp.append(offered);
        else if (type == QLatin1String("image/png"))
            png.append(offered);
        else if (isOtherRasterType(type))
            other.append(offered);
    }
    return bmp + png + other;
}

QByteArray qtFormatFor(const QString& type)
{
    const QString lower = type.toLower();
    if (isBmpType(lower))
        return "bmp";
    if (lower == QLatin1String("image/png"))
        return "png";
    return QByteArray();  // let Qt recognise the bytes
}

QString svgTypeOf(const QMimeData& data)
{
    for (const QString& offered : data.formats()) {
        if (offered.toLower() == kSvgType)
            return offered;
    }
    return QString();
}

}  // namespace

ClipboardPicture readClipboardPicture(const QMimeData& data)
{
    // Our own copy, still on the clipboard of this process: the image itself, nothing to decode.
    if (const auto* own = qobject_cast<const ImageMimeData*>(&data); own && !own->image().isNull())
        return {own->image(), QByteArray()};

    for (const QString& type : candidateTypes(data)) {
        Image image = decodePicture(data.data(type), qtFormatFor(type));
        if (!image.isNull())
            return {std::move(image), QByteArray()};
    }
    if (data.hasImage()) {
        const QImage offered = qvariant_cast<QImage>(data.imageData());
        Image image = imageFromDecoded(offered, std::nullopt);
        if (!image.isNull())
            return {std::move(image), QByteArray()};
    }
    const QString svgType = svgTypeOf(data);
    if (!svgType.isEmpty()) {
        QByteArray svg = data.data(svgType);
        const SvgPicture picture(svg);
        Image preview = picture.render(qRgb(255, 255, 255));
        if (!preview.isNull())
            return {std::move(preview), std::move(svg)};
    }
    return {};
}

bool offersPicture(const QMimeData& data)
{
    return !candidateTypes(data).isEmpty() || data.hasImage() || !svgTypeOf(data).isEmpty();
}

bool ClipboardHasImage()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && offersPicture(*data);
}

bool loadImageFromClipboard(CurrentImage& current)
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        return false;
    ClipboardPicture picture = readClipboardPicture(*data);
    if (picture.image.isNull())
        return false;
    if (picture.svg.isEmpty())
        current.replace(std::move(picture.image));
    else
        current.setVector(std::move(picture.image), std::move(picture.svg));
    return current.image() != nullptr;
}

bool copyImageToClipboard(const Image& image)
{
    if (image.isNull())
        return false;
    QGuiApplication::clipboard()->setMimeData(new ImageMimeData(image));
    return true;
}

void clearClipboard()
{
    QGuiApplication::clipboard()->clear();
}

}  // namespace tavlo
