#pragma once

#include "imaging/image.h"
#include "main_window/busy_state.h"
#include "main_window/image_file_controller.h"
#include "main_window/menu_tree.h"

#include "tests/main_window/main_window_fixture.h"

namespace tavlo::test {

// The main window on a fresh machine with helpers for the image commands.
class ImageCommandsTest : public MainWindowTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes the image the view's current image as a load does: drawn, colour ticks and sClrCd
    // from the image, document state 1.
    void show(Image image);
    // The view's image (fails the test when there is none).
    const Image& shown() const;
    void select(int left, int top, int right, int bottom);
    // The codes of the ticked "色数" items.
    QList<int> tickedCodes() const;

    std::unique_ptr<fmMain> w;
};

// An image whose every pixel has its own colour at direct codes, and at indexed codes the palette
// in a pattern of the positions; dots per inch 200 x 300.
Image distinctImage(ColourCode code, int width, int height);

// True when the colours of b are those of a at (x + dx, y + dy).
::testing::AssertionResult sameColoursShifted(const Image& a, const Image& b, int dx, int dy);

}  // namespace tavlo::test
