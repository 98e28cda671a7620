#pragma once

#include "imaging/image.h"
#include "imaging/scan/scan_message.h"

namespace tavlo::scan {

// A scanned page's pixels in shared memory, so that a 26 MB page crosses from the scan helper to
// the window without going through the socket: the helper assembles the page straight into a
// memfd (SharedPages::allocate) and sends the descriptor, sealed; the window maps it privately and
// wraps the mapping as the page's pixels without a copy (the mapping goes when the last copy of the
// image does).
class PageMemory {
public:
    // The helper's side: a sealed memfd holding the page's rows, and the header describing them.
    // A page made by SharedPages::allocate() and held nowhere else is sealed where it lies; any
    // other page is copied into a new memfd. -1 when the system refuses the memory. Thread-safe.
    static int store(Image page, PageHeader& header);

    // The window's side: the page the descriptor holds, checked against the header (sizes, rows
    // and palette). Null when they do not agree or the memory cannot be mapped. Does not close fd.
    static Image load(int fd, const PageHeader& header);
};

}  // namespace tavlo::scan
