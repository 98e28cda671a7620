#pragma once

#include "imaging/image.h"

#include <QByteArray>
#include <QMimeData>

namespace tavlo {

// An image on the clipboard in the forms other programs paste: "image/bmp" (the exact colour-depth
// code at its own bit count), "image/png" and Qt's own image form, each with the image's dots per
// inch. The bytes are made only when a program asks for a form, once each, so copying a large page
// costs nothing until someone pastes it.
//
// Holds its own copy of the image (pixels are shared until either side writes), so later edits of
// the view's image do not reach the clipboard.
class ImageMimeData : public QMimeData {
    Q_OBJECT
public:
    static constexpr const char* kBmpType = "image/bmp";
    static constexpr const char* kPngType = "image/png";
    static constexpr const char* kQtImageType = "application/x-qt-image";

    explicit ImageMimeData(Image image);

    const Image& image() const { return m_image; }

    bool hasFormat(const QString& mimeType) const override;
    QStringList formats() const override;

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    QImage qtImage() const;

    Image m_image;
    mutable QByteArray m_bmp;
    mutable QByteArray m_png;
};

}  // namespace tavlo
