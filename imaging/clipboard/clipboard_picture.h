#pragma once

#include "imaging/image.h"

#include <QByteArray>

class QMimeData;

namespace tavlo {

class CurrentImage;

// A picture taken from clipboard data: a bitmap, or a vector picture (svg not empty) with image
// holding its raster preview.
struct ClipboardPicture {
    Image image;
    QByteArray svg;
};

// The first picture the data offers that can be read, in this order: BMP (keeps every
// colour-depth code), PNG, the other image types Qt reads, Qt's own image form, and last an SVG
// picture ("image/svg+xml"), as a raster preview at its own size on white. Damaged data of one type
// falls through to the next. A null image when nothing can be read.
ClipboardPicture readClipboardPicture(const QMimeData& data);

// True when the data offers one of those types (nothing is decoded).
bool offersPicture(const QMimeData& data);

// The system clipboard (QClipboard, its clipboard mode).
//
// ClipboardHasImage: true when the clipboard holds a picture or an SVG picture (for the paste
// command's enabled flag).
bool ClipboardHasImage();

// Makes the clipboard's picture the current image: a bitmap (kind 1) or a vector picture (kind 2).
// False, with the current image unchanged, when the clipboard holds nothing readable.
bool loadImageFromClipboard(CurrentImage& current);

// Puts the image on the clipboard (see ImageMimeData); false for a null image.
bool copyImageToClipboard(const Image& image);

// Empties the clipboard.
void clearClipboard();

}  // namespace tavlo
