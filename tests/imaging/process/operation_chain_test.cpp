#include "imaging/process/mirror.h"
#include "imaging/process/operation_chain.h"
#include "imaging/process/quarter_turn.h"
#include "imaging/process/trim.h"
#include "tests/support/test_images.h"

#include <gtest/gtest.h>

namespace tavlo::process {
namespace {

QStringList words(const char* text)
{
    return QString::fromUtf8(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

TEST(OperationChain, ReadsEveryOperationWithItsModifiersInOrder)
{
    OperationChain chain;
    QStringList rest;
    ASSERT_EQ(chain.parse(words("in.bmp --depth 1 --dither --threshold 50 --rotate -571 --smooth "
                                "--keep-size --fill 1,2,3 --mirror-lr --mirror-tb --resize 20X10 "
                                "--trim 1,2,3,4 out.bmp --quality 80"),
                          &rest),
              QString());
    EXPECT_EQ(rest, words("in.bmp out.bmp --quality 80"));
    ASSERT_EQ(chain.steps().size(), 6u);
    const auto& depth = std::get<OperationChain::Depth>(chain.steps()[0]);
    EXPECT_EQ(depth.code, ColourCode::Mono);
    EXPECT_TRUE(depth.options.dither);
    EXPECT_EQ(depth.options.threshold, 50);
    const auto& rotate = std::get<OperationChain::Rotate>(chain.steps()[1]).options;
    EXPECT_EQ(rotate.centidegrees, -571);
    EXPECT_TRUE(rotate.smooth);
    EXPECT_TRUE(rotate.keepSize);
    EXPECT_EQ(rotate.fill, qRgb(1, 2, 3));
    EXPECT_TRUE(std::get<OperationChain::Rotate>(chain.steps()[2]).options.mirrorLeftRight);
    EXPECT_TRUE(std::get<OperationChain::Rotate>(chain.steps()[3]).options.mirrorTopBottom);
    EXPECT_EQ(std::get<OperationChain::Resize>(chain.steps()[4]).width, 20);
    EXPECT_EQ(std::get<OperationChain::Trim>(chain.steps()[5]).rect.bottom, 4);

    ASSERT_EQ(chain.parse(words("--rotate 9000"), nullptr), QString());
    const auto& plain = std::get<OperationChain::Rotate>(chain.steps()[0]).options;
    EXPECT_FALSE(plain.smooth);
    EXPECT_FALSE(plain.keepSize);
    EXPECT_EQ(plain.fill, qRgb(255, 255, 255));
}

TEST(OperationChain, BadValuesAndStrayModifiersAreReported)
{
    OperationChain chain;
    for (const char* bad :
         {"--depth 12", "--depth", "--dither", "--depth 8 --rotate 5 --dither", "--smooth",
          "--rotate x", "--rotate 100 --fill 1,2", "--rotate 1 --fill 1,2,300", "--resize 10",
          "--resize 0x5", "--trim 1,2,3", "--depth 1 --threshold 999"}) {
        EXPECT_FALSE(chain.parse(words(bad), nullptr).isEmpty()) << bad;
    }
}

TEST(OperationChain, AppliesTheStepsInTheOrderGiven)
{
    const Image source = test::sampleImage(ColourCode::Rgb24, 40, 20);
    OperationChain chain;
    ASSERT_EQ(chain.parse(words("--trim 0,0,10,20 --rotate 9000 --depth 80"), nullptr), QString());
    Image image = source;
    ASSERT_EQ(chain.apply(image), QString());
    EXPECT_EQ(test::sizeOf(image), QSize(20, 10));
    EXPECT_EQ(image.code(), ColourCode::Grey256);

    ASSERT_EQ(chain.parse(words("--rotate 9000 --trim 0,0,10,20"), nullptr), QString());
    image = source;
    ASSERT_EQ(chain.apply(image), QString());
    EXPECT_TRUE(samePixels(image, trimmed(turnedQuarters(source, 1), {0, 0, 10, 20})));

    ASSERT_EQ(chain.parse(words("--mirror-lr --mirror-lr"), nullptr), QString());
    image = source;
    ASSERT_EQ(chain.apply(image), QString());
    EXPECT_TRUE(samePixels(image, source));
}

TEST(OperationChain, AFailingStepStopsTheChainAndKeepsTheEarlierResult)
{
    const Image source = test::sampleImage(ColourCode::Rgb24, 40, 20);
    OperationChain chain;
    ASSERT_EQ(chain.parse(words("--mirror-tb --trim 50,0,60,5 --depth 1"), nullptr), QString());
    Image image = source;
    EXPECT_FALSE(chain.apply(image).isEmpty());
    EXPECT_TRUE(samePixels(image, mirrored(source, false, true)));
    EXPECT_EQ(image.code(), ColourCode::Rgb24);
    EXPECT_EQ(image.width(), 40);
}

}  // namespace
}  // namespace tavlo::process
