#pragma once

#include <QStringList>
#include <QTextStream>

namespace tavlo::tools {

// `tavlo-image pdf OUT IN... [--paper NAME] [--title TEXT]`: one PDF page per image, in the order
// given; a folder stands for its image files (by their endings) in name order, letter case
// ignored, as the work-folder list shows them. JPEG files go in unchanged, everything else
// losslessly (imaging/pdf/pdf_image_encoder.h). A page is the image's physical size (dots per
// inch, 0 counting as 72) or, with --paper, that paper with the image centred on it, shrunk to fit
// (imaging/pdf/page_layout.h). The document's producer is "Tavlo", its creation date now.
// OUT "-" writes to standard output; any other OUT is replaced only by a complete file, and an
// existing OUT that is not a PDF file is refused (so a slip of the argument order cannot turn
// a scan into a PDF of the others). Nothing is written when any input cannot be read: the
// input's name and reason go to err. When err is a terminal, one progress line per page goes
// there.
// Exit status 0 on success, 1 when an input cannot be read or OUT cannot be written, 2 for wrong
// arguments (with the usage on err).
int runPdf(const QStringList& arguments, QTextStream& err, bool progress);

}  // namespace tavlo::tools
