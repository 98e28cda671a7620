#pragma once

#include "imaging/image.h"

#include <QByteArray>
#include <QtGlobal>

namespace tavlo {

// The image information of an imaging control, valid after UpdateImageInfo.
struct ImageInfo {
    int ImageWidth = 0;
    int ImageHeight = 0;
    int BitCount = 0;     // 1, 4, 8, 16, 24 or 32
    bool IsGray = false;  // true for the codes 40 and 80
    int XResolution = 0;  // dots per inch; 0 = none stored
    int YResolution = 0;
    qint64 ImageDataSize = 0;  // bytes of pixel data as a device-independent bitmap holds them
    int ImageKind = 0;         // 1 = plain bitmap, 2 = vector picture, 0 = no image

    static ImageInfo of(const Image& image, int kind = 1);
};

// The current image of one imaging control: the handle it holds in the ImageStore and what kind of
// picture that is. The view, the file object, the processing object and the clipboard all work on
// it; none of them knows the others.
//
// Ownership: setHandle() takes the handle over and releases the one held before (unless it is the
// same). The destructor releases the held handle. User-interface thread only.
class CurrentImage {
public:
    CurrentImage() = default;
    ~CurrentImage();
    CurrentImage(const CurrentImage&) = delete;
    CurrentImage& operator=(const CurrentImage&) = delete;

    quint32 handle() const { return m_handle; }
    void setHandle(quint32 handle);

    // The image, or nullptr when the control has none.
    Image* image();
    const Image* image() const;

    // Puts an image in place of the current one, under a new handle; a null image empties it.
    // The kind goes back to 1 (plain bitmap).
    void replace(Image image);

    // 1 for a plain bitmap; 2 while the image is a raster preview of a vector picture whose source
    // is vectorSource() (an SVG document), until it is rendered into a bitmap.
    int kind() const { return m_kind; }
    const QByteArray& vectorSource() const { return m_vectorSource; }
    void setVector(Image preview, QByteArray svg);

private:
    quint32 m_handle = 0;
    int m_kind = 1;
    QByteArray m_vectorSource;
};

}  // namespace tavlo
