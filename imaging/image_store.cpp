#include "imaging/image_store.h"

namespace tavlo {

ImageStore& ImageStore::instance()
{
    static ImageStore store;
    return store;
}

quint32 ImageStore::add(Image image)
{
    if (image.isNull())
        return 0;
    while (m_next == 0 || m_images.count(m_next) != 0)
        ++m_next;
    const quint32 handle = m_next++;
    m_images.emplace(handle, std::move(image));
    return handle;
}

Image* ImageStore::find(quint32 handle)
{
    auto it = m_images.find(handle);
    return it == m_images.end() ? nullptr : &it->second;
}

quint32 ImageStore::duplicate(quint32 handle)
{
    const Image* image = find(handle);
    return image ? add(*image) : 0;
}

void ImageStore::release(quint32 handle)
{
    m_images.erase(handle);
}

}  // namespace tavlo
