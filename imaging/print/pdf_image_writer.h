#pragma once

#include "imaging/print/print_job.h"

#include <QString>

class QIODevice;

namespace tavlo {

// Writes a print job as a PDF file of its own making: one page per job page, the paper of the
// job's page layout, each image an image object at the image's own size and colours, placed in
// its rectangle (0.1 mm from the printable area's top-left). Nothing is resampled or converted to
// a lossy form:
//   1           1 bit per pixel with its two palette colours (sharp black and white)
//   4, 40, 8    8-bit indexes into the image's own palette
//   80          8-bit grey
//   16, 24, 32  8-bit RGB
// Image data are deflated with PNG row filters (PDF predictor 15) on several threads
// (codecs::BandedDeflate), which is both faster and smaller than a single plain deflate.
// "" when the whole file was written to out, otherwise the reason in Japanese. Any thread.
QString writePdfImages(QIODevice& out, const PrintJob& job);

}  // namespace tavlo
