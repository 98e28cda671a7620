#include "imaging/current_image.h"

#include "imaging/image_store.h"

namespace tavlo {

ImageInfo ImageInfo::of(const Image& image, int kind)
{
    ImageInfo info;
    if (image.isNull())
        return info;
    info.ImageWidth = image.width();
    info.ImageHeight = image.height();
    info.BitCount = image.bitCount();
    info.IsGray = image.isGrey();
    info.XResolution = image.dpiX();
    info.YResolution = image.dpiY();
    info.ImageDataSize = image.dibDataSize();
    info.ImageKind = kind;
    return info;
}

CurrentImage::~CurrentImage()
{
    ImageStore::instance().release(m_handle);
}

void CurrentImage::setHandle(quint32 handle)
{
    if (handle == m_handle)
        return;
    ImageStore::instance().release(m_handle);
    m_handle = ImageStore::instance().find(handle) ? handle : 0;
    m_kind = 1;
    m_vectorSource.clear();
}

Image* CurrentImage::image()
{
    return ImageStore::instance().find(m_handle);
}

const Image* CurrentImage::image() const
{
    return ImageStore::instance().find(m_handle);
}

void CurrentImage::replace(Image image)
{
    setHandle(ImageStore::instance().add(std::move(image)));
}

void CurrentImage::setVector(Image preview, QByteArray svg)
{
    replace(std::move(preview));
    if (m_handle != 0) {
        m_kind = 2;
        m_vectorSource = std::move(svg);
    }
}

}  // namespace tavlo
