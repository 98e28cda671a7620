#pragma once

#include "imaging/image.h"
#include "imaging/scan/scan_message.h"

namespace tavlo::scan {

// A scanned page's pixels in shared memory, so that a 26 MB page crosses from the scan helper to
// the window without going through the socket: the helper copies the page into a memfd and sends
// the descriptor; the window maps it privately and wraps the mapping as the page's pixels
// without a copy (the mapping goes when the last copy of the image does).
class PageMemory {
public:
    // The helper's side: a sealed memfd holding the page's rows, and the header describing them.
    // -1 when the system refuses the memory.
    static int store(const Image& page, PageHeader& header);

    // The window's side: the page the descriptor holds, checked against the header (sizes, rows
    // and palette). Null when they do not agree or the memory cannot be mapped. Does not close fd.
    static Image load(int fd, const PageHeader& header);
};

}  // namespace tavlo::scan
