#include "imaging/process/process_object.h"

#include "imaging/image_store.h"
#include "imaging/process/colour_conversion.h"
#include "imaging/process/emphasis.h"
#include "imaging/process/mirror.h"
#include "imaging/process/paste.h"
#include "imaging/process/resize.h"
#include "imaging/process/rotation.h"
#include "imaging/process/trim.h"

#include <algorithm>

namespace tavlo {

ProcessObject::ProcessObject(CurrentImage& current) : m_current(current) { }

Image* ProcessObject::editableImage()
{
    Image* image = m_current.image();
    if (image && m_current.kind() != 1) {
        // A vector picture's preview becomes the plain bitmap it shows before its pixels change.
        m_current.replace(Image(*image));
        image = m_current.image();
    }
    return image;
}

bool ProcessObject::commit(Image result)
{
    if (result.isNull())
        return false;
    Image* image = editableImage();
    if (!image)
        return false;
    *image = std::move(result);
    return true;
}

void ProcessObject::afterResize()
{
    if (m_rectMode == 1)
        m_rect = {};
}

bool ProcessObject::ConvertColor(int target, int /*palette*/, bool dither, int threshold)
{
    const Image* image = m_current.image();
    if (!image || !isColourCode(target))
        return false;
    if (image->code() == ColourCode(target))
        return true;
    return commit(process::convertColour(*image, ColourCode(target), {dither, threshold}));
}

bool ProcessObject::Trim()
{
    const Image* image = m_current.image();
    if (!image)
        return false;
    const bool done = commit(process::trimmed(*image, m_rect));
    if (done)
        afterResize();
    return done;
}

bool ProcessObject::PasteImage(quint32 handle, int x, int y)
{
    const Image* found = ImageStore::instance().find(handle);
    if (!m_current.image() || !found)
        return false;
    // A copy that shares the piece's pixels, so pasting the current image onto itself works.
    const Image piece = *found;
    Image* image = editableImage();
    return process::pasteInPlace(*image, piece, x, y);
}

bool ProcessObject::RotateImage(int angle, bool mirrorLeftRight, bool mirrorTopBottom, bool smooth,
                                int red, int green, int blue, bool keepSize)
{
    if (!m_current.image())
        return false;
    Image* image = editableImage();
    // Mirrors work on the image's own pixels; they are undone (exactly) if the turn fails.
    process::mirrorInPlace(*image, mirrorLeftRight, mirrorTopBottom);
    if (angle % 36000 == 0)
        return true;
    process::RotateOptions options;
    options.centidegrees = angle;
    options.smooth = smooth;
    options.fill =
        qRgb(std::clamp(red, 0, 255), std::clamp(green, 0, 255), std::clamp(blue, 0, 255));
    options.keepSize = keepSize;
    Image result = process::rotated(*image, options);
    if (result.isNull()) {
        process::mirrorInPlace(*image, mirrorLeftRight, mirrorTopBottom);
        return false;
    }
    *image = std::move(result);
    afterResize();
    return true;
}

bool ProcessObject::Resize(int width, int height, int method)
{
    const Image* image = m_current.image();
    if (!image)
        return false;
    const auto how = method == 0 ? process::ResizeMethod::Nearest : process::ResizeMethod::Smooth;
    const bool done = commit(process::resized(*image, width, height, how));
    if (done)
        afterResize();
    return done;
}

QPolygon ProcessObject::region(const QPolygon& points, int count) const
{
    const Image* image = m_current.image();
    switch (m_rectSelect) {
    case 0:
        return QPolygon({QPoint(0, 0), QPoint(image->width(), 0),
                         QPoint(image->width(), image->height()), QPoint(0, image->height())});
    case 1:
        return QPolygon({QPoint(m_rect.left, m_rect.top), QPoint(m_rect.right, m_rect.top),
                         QPoint(m_rect.right, m_rect.bottom), QPoint(m_rect.left, m_rect.bottom)});
    default: return points.mid(0, std::clamp(count, 0, int(points.size())));
    }
}

// The emphasis functions change nothing when they fail, so they work on the image in place.
bool ProcessObject::EmphasizeRelativeFill(const QPolygon& points, int count, int red, int green,
                                          int blue)
{
    if (!m_current.image())
        return false;
    const QPolygon polygon = region(points, count);
    return process::emphasizeRelativeFill(*editableImage(), polygon, red, green, blue);
}

bool ProcessObject::EmphasizeRelativeAdjust(const QPolygon& points, int count, int contrast)
{
    if (!m_current.image())
        return false;
    const QPolygon polygon = region(points, count);
    return process::emphasizeRelativeAdjust(*editableImage(), polygon, contrast);
}

bool ProcessObject::EmphasizeMarker(const QPolygon& points, int count, int red, int green, int blue)
{
    if (!m_current.image())
        return false;
    const QPolygon polygon = region(points, count);
    return process::emphasizeMarker(*editableImage(), polygon, red, green, blue);
}

}  // namespace tavlo
