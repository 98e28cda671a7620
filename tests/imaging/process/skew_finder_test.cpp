#include "imaging/process/colour_conversion.h"
#include "imaging/process/skew_finder.h"

#include "tests/support/test_images.h"
#include "tests/support/text_page.h"

#include <gtest/gtest.h>

namespace tavlo::process {
namespace {

using test::textPage;

constexpr QSize kPage(1240, 1754);  // A4 at 150 dpi

// Text turned either way by known angles comes back within a tenth of a degree, with the sign of
// the lines' fall, in black and white, grey and colour.
TEST(SkewFinder, FindsTheTurnOfTextPagesWithinATenthOfADegree)
{
    for (ColourCode code : {ColourCode::Mono, ColourCode::Grey256, ColourCode::Rgb24}) {
        unsigned seed = 1;
        for (double degrees : {-10.0, -6.3, -2.0, -0.45, 0.0, 0.3, 1.15, 4.8, 8.25, 10.0}) {
            const std::optional<double> found =
                findSkew(textPage(code, kPage, degrees, 150, ++seed));
            ASSERT_TRUE(found.has_value()) << int(code) << " at " << degrees;
            EXPECT_NEAR(*found, degrees, 0.1) << int(code);
        }
    }
}

// Every code is read through its own pixels: the same page converted to each of them.
TEST(SkewFinder, ReadsEveryColourCode)
{
    const Image page = textPage(ColourCode::Rgb24, kPage, -3.5);
    for (ColourCode code : kAllColourCodes) {
        const std::optional<double> found = findSkew(convertColour(page, code));
        ASSERT_TRUE(found.has_value()) << int(code);
        EXPECT_NEAR(*found, -3.5, 0.1) << int(code);
    }
}

// Pages with nothing on them, or too little contrast to hold anything, give no direction; so does
// noise, where no direction stands out.
TEST(SkewFinder, RefusesPagesWithoutLines)
{
    EXPECT_FALSE(findSkew(test::plainImage(ColourCode::Rgb24, 1240, 1754, qRgb(255, 255, 255))));
    EXPECT_FALSE(findSkew(test::plainImage(ColourCode::Grey256, 800, 600, test::grey(0))));
    EXPECT_FALSE(findSkew(Image::create(300, 200, ColourCode::Mono)));
    EXPECT_FALSE(findSkew(test::sampleImage(ColourCode::Grey256, 600, 800)));
    EXPECT_FALSE(findSkew(Image()));
}

// A large page is sampled rather than read whole and still comes back as accurately.
TEST(SkewFinder, SamplesLargePagesWithoutLosingAccuracy)
{
    const std::optional<double> found =
        findSkew(textPage(ColourCode::Mono, {4960, 7016}, 2.7, 600));
    ASSERT_TRUE(found.has_value());
    EXPECT_NEAR(*found, 2.7, 0.1);
}

}  // namespace
}  // namespace tavlo::process
