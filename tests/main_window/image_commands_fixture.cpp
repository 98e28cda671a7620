#include "tests/main_window/image_commands_fixture.h"

#include "imaging/imaging_control.h"
#include "main_window/command_router.h"
#include "main_window/document_state.h"
#include "main_window/menu_tree.h"

#include "tests/support/test_images.h"

namespace tavlo::test {

void ImageCommandsTest::SetUp()
{
    MainWindowTest::SetUp();
    w = start();
}

void ImageCommandsTest::TearDown()
{
    w.reset();
    MainWindowTest::TearDown();
}

void ImageCommandsTest::show(Image image)
{
    w->ikImg().currentImage().replace(std::move(image));
    ASSERT_TRUE(w->ikImg().DrawImage(w->state().nDspMd));
    w->operations().UpdateColourChecks(0);
    w->document().SetDocState(DocState::Unchanged);
}

const Image& ImageCommandsTest::shown() const
{
    static const Image none;
    const Image* image = w->ikImg().currentImage().image();
    EXPECT_NE(image, nullptr);
    return image ? *image : none;
}

void ImageCommandsTest::select(int left, int top, int right, int bottom)
{
    w->ikImg().setSelLeft(left);
    w->ikImg().setSelTop(top);
    w->ikImg().setSelRight(right);
    w->ikImg().setSelBottom(bottom);
}

QList<int> ImageCommandsTest::tickedCodes() const
{
    QList<int> codes;
    for (int index = 1; index <= 7; ++index) {
        if (w->menus().mnColr.isChecked(index))
            codes.append(CommandRouter::colourCodeOfItem(index));
    }
    return codes;
}

Image distinctImage(ColourCode code, int width, int height)
{
    Image image = sampleImage(code, width, height, 11);
    if (!isIndexedCode(code)) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                // Steps of 8, which 16-bit images hold exactly too.
                const QRgb colour = qRgb((x * 8) & 0xf8, (y * 8) & 0xf8, ((x + y) * 24) & 0xf8);
                image.pixels().setPixel(x, y, colour);
            }
        }
    }
    image.setDpi(200, 300);
    return image;
}

::testing::AssertionResult sameColoursShifted(const Image& a, const Image& b, int dx, int dy)
{
    for (int y = 0; y < b.height(); ++y) {
        for (int x = 0; x < b.width(); ++x) {
            if (a.pixelColour(x + dx, y + dy) != b.pixelColour(x, y)) {
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << " is " << std::hex << b.pixelColour(x, y)
                       << ", expected " << a.pixelColour(x + dx, y + dy);
            }
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace tavlo::test
