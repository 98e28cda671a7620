#include "imaging/codecs/png_codec.h"
#include "tests/imaging/codecs/test_images.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

namespace tavlo::codecs {
namespace {

// Large grey and colour images are compressed in bands on several threads and joined into one
// stream: our reader and Qt's own must both see every pixel, whatever the code behind the rows.
TEST(PngBands, ImagesOfManyBandsReadBackExactlyHereAndInQt)
{
    for (ColourCode code : {ColourCode::Grey256, ColourCode::Rgb555, ColourCode::Rgb24, ColourCode::Rgb32}) {
        // 2101 or 701 bytes a row: three to nine bands of 2 MiB, and a short last band.
        const Image original = test::makeTestImage(code, 700, 2600, 5);
        QString error;
        const QByteArray file = test::encodeToBytes(original, writePng, &error);
        ASSERT_EQ(error, QString()) << int(code);

        QByteArray copy = file;
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        const Decoded back = readPng(buffer);
        ASSERT_TRUE(back.ok()) << int(code) << back.error.toStdString();
        EXPECT_EQ(test::meanDifference(back.image, original), 0.0) << int(code);
        EXPECT_EQ(back.image.dpiX(), 300);

        QImage qt;
        ASSERT_TRUE(qt.loadFromData(file, "PNG")) << int(code);
        ASSERT_EQ(qt.size(), QSize(700, 2600));
        for (int y : {0, 997, 998, 999, 1995, 1996, 2599})
            for (int x : {0, 1, 350, 699})
                ASSERT_EQ(qt.pixel(x, y) | 0xff000000u, original.pixelColour(x, y)) << int(code) << " " << y;
    }
}

}  // namespace
}  // namespace tavlo::codecs
