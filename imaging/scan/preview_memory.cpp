#include "imaging/scan/preview_memory.h"

namespace tavlo::scan {

PreviewMemory& PreviewMemory::instance()
{
    static PreviewMemory memory;
    return memory;
}

std::optional<PreviewMemory::Preview> PreviewMemory::preview(const QString& device) const
{
    const auto it = m_previews.constFind(device);
    if (it == m_previews.constEnd())
        return std::nullopt;
    return *it;
}

void PreviewMemory::setPreview(const QString& device, const Preview& preview)
{
    m_previews.insert(device, preview);
}

std::optional<QRectF> PreviewMemory::area(const QString& device) const
{
    const auto it = m_areas.constFind(device);
    if (it == m_areas.constEnd())
        return std::nullopt;
    return *it;
}

void PreviewMemory::setArea(const QString& device, const QRectF& area)
{
    m_areas.insert(device, area);
}

void PreviewMemory::clear()
{
    m_previews.clear();
    m_areas.clear();
}

}  // namespace tavlo::scan
