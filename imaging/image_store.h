#pragma once

#include "imaging/image.h"

#include <QtGlobal>

#include <unordered_map>

namespace tavlo {

// The control's image store: a 32-bit handle names an image it holds; 0 names none.
//
// Ownership: the store owns every image until release(). An imaging control that is given a handle
// takes it over and releases the handle it held before (see the control's ImageHandle), so each
// handle is normally held by one control. Handles are never 0 and never reused while held.
//
// Threading: user-interface thread only. Scanning workers hand finished Image values to the
// user-interface thread, which adds them here.
class ImageStore {
public:
    static ImageStore& instance();

    // Takes the image and returns its new handle; 0 for a null image.
    quint32 add(Image image);

    // The image of a handle; nullptr for 0 and for unknown or released handles.
    Image* find(quint32 handle);

    // A new, independent copy of the handle's image (same pixels, code and dots per inch) under a
    // new handle; 0 when the handle names no image.
    quint32 duplicate(quint32 handle);

    // Frees the handle's image; unknown handles and 0 are ignored.
    void release(quint32 handle);

    // Number of images held (for tests and leak checks).
    std::size_t size() const { return m_images.size(); }

private:
    ImageStore() = default;
    quint32 m_next = 1;
    std::unordered_map<quint32, Image> m_images;
};

}  // namespace tavlo
