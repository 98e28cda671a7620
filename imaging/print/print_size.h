#pragma once

namespace tavlo {

// A size on paper in units of 0.1 mm.
struct PrintSize {
    int width = 0;
    int height = 0;
    bool operator==(const PrintSize&) const = default;
};

// How an image is placed in the printable area.
enum class PrintFit {
    ImageSize,  // its physical size, shrunk to the area when larger, never enlarged
    PaperSize,  // as large as the area allows, shrunk or enlarged, aspect ratio kept
};

// The physical size of an image of width x height pixels at dpiX x dpiY dots per inch: pixels /
// dots per inch x 254, each side rounded to the nearest 0.1 mm with halves to the even neighbour.
// A resolution of 0 (none stored) counts as 72; a side that would round to 0 counts as 0.1 mm, so
// a tiny image still prints as a dot instead of dividing by zero when fitted.
PrintSize physicalPrintSize(int width, int height, int dpiX, int dpiY);

// The size at which size is drawn into a printable area of areaWidth x areaHeight (0.1 mm): the
// ratio is the smaller of the two side ratios, taken in single precision; ImageSize applies it only
// when it is below 1, PaperSize whenever it is above 0. Each side is rounded to the nearest
// integer, halves to the even neighbour. An empty area leaves the size as it is.
PrintSize fitPrintSize(PrintSize size, int areaWidth, int areaHeight, PrintFit fit);

}  // namespace tavlo
