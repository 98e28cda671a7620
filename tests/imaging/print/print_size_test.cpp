// Sizes on paper in 0.1 mm: the physical size of an image and its fit into the printable area.
#include "imaging/print/print_size.h"

#include <gtest/gtest.h>

namespace tavlo {
namespace {

TEST(PrintSizeTest, PhysicalSizeRoundsHalvesToEvenAndReadsNoResolutionAs72)
{
    struct Case {
        int width, height, dpiX, dpiY;
        PrintSize expected;
    };
    const Case cases[] = {
        {2480, 3508, 300, 300, {2100, 2970}},  // A4 at 300 dpi
        {720, 720, 0, 0, {2540, 2540}},        // no resolution: 72 dpi
        {1, 3, 4, 4, {64, 190}},               // 63.5 and 190.5: halves to the even neighbour
        {600, 300, 300, 150, {508, 508}},      // each side at its own resolution
        {1, 1, 60000, 60000, {1, 1}},          // rounds to 0: kept at 0.1 mm
    };
    for (const Case& c : cases)
        EXPECT_EQ(physicalPrintSize(c.width, c.height, c.dpiX, c.dpiY), c.expected)
            << c.width << " x " << c.height;
}

TEST(PrintSizeTest, ImageSizeOnlyShrinksByTheTighterSidePaperSizeAlsoEnlarges)
{
    struct Case {
        PrintSize size;
        int areaWidth, areaHeight;
        PrintFit fit;
        PrintSize expected;
    };
    const Case cases[] = {
        {{2100, 2970}, 2100, 2970, PrintFit::ImageSize, {2100, 2970}},  // fits exactly
        {{2100, 2970}, 1900, 2770, PrintFit::ImageSize, {1900, 2687}},  // width is tighter
        {{2100, 2970}, 2000, 2000, PrintFit::ImageSize, {1414, 2000}},  // height is tighter
        {{2540, 2540}, 2032, 2794, PrintFit::ImageSize, {2032, 2032}},
        {{254, 127}, 2032, 2794, PrintFit::ImageSize, {254, 127}},    // never enlarged
        {{254, 127}, 2032, 2794, PrintFit::PaperSize, {2032, 1016}},  // fills the width
        {{2540, 2540}, 2032, 2794, PrintFit::PaperSize, {2032, 2032}},
        {{254, 127}, 0, 2794, PrintFit::PaperSize, {254, 127}},  // no area: unchanged
    };
    for (const Case& c : cases)
        EXPECT_EQ(fitPrintSize(c.size, c.areaWidth, c.areaHeight, c.fit), c.expected)
            << c.size.width << " x " << c.size.height << " in " << c.areaWidth << " x "
            << c.areaHeight;
}

}  // namespace
}  // namespace tavlo
