#pragma once

#include <QStringList>
#include <QTextStream>

namespace tavlo::tools {

// `tavlo-image convert IN OUT --format FORMAT [--quality Q] [OPERATION...]`: reads IN (any format
// the control reads, found from its content), applies the pixel operations in the order given
// (pixel_steps.h) and writes OUT in FORMAT (BMP JPG TIF PNG GIF PCX; JPEG and TIFF also accepted),
// converted as imaging/codecs/image_format.h lists when the format cannot hold the image's
// colour-depth code. Q is the JPEG quality, 1..100, 80 when not given. OUT is replaced only by a
// complete file.
// Exit status 0 on success, 1 when IN cannot be read, an operation fails or OUT cannot be
// written, 2 for wrong arguments (with the usage on err).
int runConvert(const QStringList& arguments, QTextStream& err);

}  // namespace tavlo::tools
