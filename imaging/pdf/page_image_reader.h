#pragma once

#include "imaging/pdf/pdf_image.h"

#include <QString>

namespace tavlo::pdf {

// Reads an image file (any format the imaging control reads, found from its content) as the
// picture of a PDF page. A JPEG file goes in as its own bytes, not coded again, after all of its
// coded data were read to make sure it is whole (codecs/jpeg_codec.h, checkJpeg); everything else
// is decoded and coded losslessly by encodePdfImage. Returns "" on success, else the reason in
// Japanese that readImageFile gives for the file. Safe to call from several threads at once.
QString readPageImage(const QString& path, PdfImage& out);

}  // namespace tavlo::pdf
