#include "imaging/clipboard/image_mime_data.h"

#include "imaging/codecs/image_file.h"

#include <QBuffer>

#include <cmath>

namespace tavlo {
namespace {

int pixelsPerMetre(int dotsPerInch)
{
    return int(std::lround(dotsPerInch / 0.0254));
}

// The image in a format through the control's own encoder; empty when it fails.
QByteArray encoded(const Image& image, codecs::ImageFormat format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::ReadWrite) || !codecs::writeImage(image, buffer, format).isEmpty())
        return QByteArray();
    return bytes;
}

}  // namespace

ImageMimeData::ImageMimeData(Image image) : m_image(std::move(image)) { }

QStringList ImageMimeData::formats() const
{
    if (m_image.isNull())
        return {};
    return {QString::fromLatin1(kQtImageType), QString::fromLatin1(kPngType),
            QString::fromLatin1(kBmpType)};
}

bool ImageMimeData::hasFormat(const QString& mimeType) const
{
    return formats().contains(mimeType);
}

QImage ImageMimeData::qtImage() const
{
    QImage image = m_image.pixels();
    // QImage keeps its own default resolution when given 0, so only stored values are set.
    if (m_image.dpiX() > 0)
        image.setDotsPerMeterX(pixelsPerMetre(m_image.dpiX()));
    if (m_image.dpiY() > 0)
        image.setDotsPerMeterY(pixelsPerMetre(m_image.dpiY()));
    return image;
}

QVariant ImageMimeData::retrieveData(const QString& mimeType, QMetaType type) const
{
    if (m_image.isNull())
        return QVariant();
    if (mimeType == QLatin1String(kQtImageType))
        return QVariant(qtImage());
    if (mimeType == QLatin1String(kBmpType)) {
        if (m_bmp.isEmpty())
            m_bmp = encoded(m_image, codecs::ImageFormat::Bmp);
        return m_bmp;
    }
    if (mimeType == QLatin1String(kPngType)) {
        if (m_png.isEmpty())
            m_png = encoded(m_image, codecs::ImageFormat::Png);
        return m_png;
    }
    return QMimeData::retrieveData(mimeType, type);
}

}  // namespace tavlo
