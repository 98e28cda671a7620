#include "imaging/clipboard/svg_picture.h"

#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

namespace tavlo {
namespace {

QSize boundedSize(QSizeF size)
{
    if (!(size.width() > 0) || !(size.height() > 0))
        return QSize();
    const double larger = std::max(size.width(), size.height());
    if (larger > SvgPicture::kMaxSide)
        size *= SvgPicture::kMaxSide / larger;
    return QSize(std::max(1, int(std::lround(size.width()))),
                 std::max(1, int(std::lround(size.height()))));
}

}  // namespace

SvgPicture::SvgPicture(QByteArray document) : m_document(std::move(document))
{
    QSvgRenderer renderer(m_document);
    if (!renderer.isValid())
        return;
    const QSize own = renderer.defaultSize();
    m_size = own.isEmpty() ? boundedSize(renderer.viewBoxF().size()) : boundedSize(QSizeF(own));
}

Image SvgPicture::render(QRgb background, QSize size, ColourCode code) const
{
    if (!isValid() || (code != ColourCode::Rgb24 && code != ColourCode::Rgb32))
        return Image();
    if (size.isEmpty())
        size = m_size;
    if (!Image::sizeAllowed(size.width(), size.height(), ColourCode::Rgb32))
        return Image();
    QSvgRenderer renderer(m_document);
    QImage canvas(size, QImage::Format_RGB32);
    if (!renderer.isValid() || canvas.isNull())
        return Image();
    canvas.fill(QColor::fromRgb(background).rgb());
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        renderer.render(&painter, QRectF(0, 0, size.width(), size.height()));
    }
    Image image = Image::fromStorage(canvas.convertToFormat(storageFormat(code)), code);
    image.setDpi(kDotsPerInch, kDotsPerInch);
    return image;
}

}  // namespace tavlo
