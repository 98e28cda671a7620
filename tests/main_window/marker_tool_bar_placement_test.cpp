#include "main_window/marker_tool_bar_placement.h"

#include <gtest/gtest.h>

namespace tavlo {
namespace {

struct PlacementCase {
    const char* name;
    QRect frame;
    bool maximised;
    QPoint toolBar;
    bool moved;
    QRect window;
};

TEST(MarkerToolBarPlacementTest, Table)
{
    const PlacementCase cases[] = {
        {"room to the left", {500, 120, 800, 600}, false, {432, 120}, false, {}},
        {"exactly room", {68, 10, 800, 600}, false, {0, 10}, false, {}},
        {"left 20: moved to 68, 48 narrower",
         {20, 40, 800, 600},
         false,
         {0, 40},
         true,
         {68, 40, 752, 600}},
        {"left edge of the screen", {0, 0, 1000, 700}, false, {0, 0}, true, {68, 0, 932, 700}},
        {"left of the screen: right edge kept",
         {-30, 50, 400, 300},
         false,
         {0, 50},
         true,
         {68, 50, 302, 300}},
        {"maximised: restored and shifted by 71",
         {0, 0, 1920, 1050},
         true,
         {0, 0},
         true,
         {71, 0, 1849, 1050}},
        {"maximised with room", {1920, 0, 1920, 1050}, true, {1852, 0}, false, {}},
        {"above the screen: top 0", {300, -25, 640, 480}, false, {232, 0}, false, {}},
        {"above and left", {10, -8, 640, 480}, false, {0, 0}, true, {68, -8, 582, 480}},
    };
    for (const PlacementCase& c : cases) {
        SCOPED_TRACE(c.name);
        const MarkerToolBarPlacement place = MarkerToolBarPlacement::compute(c.frame, c.maximised);
        EXPECT_EQ(place.toolBar, c.toolBar);
        EXPECT_EQ(place.moveWindow, c.moved);
        if (c.moved) {
            EXPECT_EQ(place.window, c.window);
            EXPECT_EQ(place.window.right(), c.frame.right());
        }
    }
}

}  // namespace
}  // namespace tavlo
