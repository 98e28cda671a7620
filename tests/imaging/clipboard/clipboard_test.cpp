#include "imaging/clipboard/clipboard_picture.h"
#include "imaging/clipboard/svg_picture.h"
#include "imaging/image_store.h"
#include "imaging/imaging_control.h"
#include "tests/support/test_images.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace tavlo {
namespace {

constexpr int kPixelsPerMetreAt200Dpi = 7874;

QClipboard& clipboard()
{
    return *QGuiApplication::clipboard();
}

// Puts data of one or more types on the clipboard, as another program would.
void offer(std::initializer_list<std::pair<QString, QByteArray>> forms)
{
    auto* data = new QMimeData;
    for (const auto& [type, bytes] : forms)
        data->setData(type, bytes);
    clipboard().setMimeData(data);
}

void offer(const QString& type, const QByteArray& bytes)
{
    offer({{type, bytes}});
}

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray plainPng(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return encoded(image, "PNG");
}

const QByteArray kSvg = R"(<svg xmlns="http://www.w3.org/2000/svg" width="200" height="100">
  <rect x="50" y="25" width="50" height="50" fill="#ff0000"/>
</svg>)";

class ClipboardTest : public ::testing::Test {
protected:
    void SetUp() override { clipboard().clear(); }

    quint32 give(Image image)
    {
        const quint32 handle = ImageStore::instance().add(std::move(image));
        control.setImageHandle(handle);
        return handle;
    }

    const Image& current() { return *control.currentImage().image(); }

    ImagingControl control;
};

TEST_F(ClipboardTest, CopyThenLoadGivesTheSamePixelsCodeAndDotsPerInch)
{
    for (ColourCode code : kAllColourCodes) {
        for (int width : {1, 7, 33}) {
            Image original = test::sampleImage(code, width, 5);
            original.setDpi(300, 150);
            give(original);
            ASSERT_TRUE(control.ClearClipboard());
            ASSERT_TRUE(control.CopyToClipboard());
            EXPECT_TRUE(ClipboardHasImage());

            // Pasted in this program, and pasted from the BMP bytes another program would get.
            const QByteArray bmp = clipboard().mimeData()->data(QStringLiteral("image/bmp"));
            for (int round = 0; round < 2; ++round) {
                if (round == 1)
                    offer(QStringLiteral("image/bmp"), bmp);
                ImagingControl other;
                ASSERT_TRUE(other.LoadFromClipboard()) << int(code);
                const Image& pasted = *other.currentImage().image();
                EXPECT_TRUE(samePixels(pasted, original))
                    << int(code) << " width " << width << " round " << round;
                EXPECT_EQ(test::dpiOf(pasted), QSize(300, 150));
                EXPECT_EQ(other.ImageKind(), 1);
                EXPECT_TRUE(pasted.isValid());
            }
        }
    }
}

TEST_F(ClipboardTest, OtherProgramsGetPngAndBmpWithTheSameColoursAndResolution)
{
    for (ColourCode code : kAllColourCodes) {
        Image original = test::sampleImage(code, 13, 4);
        original.setDpi(200, 200);
        give(original);
        control.CopyToClipboard();
        const QMimeData* data = clipboard().mimeData();
        ASSERT_TRUE(data->hasFormat(QStringLiteral("image/png")));
        ASSERT_TRUE(data->hasFormat(QStringLiteral("image/bmp")));
        ASSERT_TRUE(data->hasImage());
        for (const char* type : {"image/png", "image/bmp", "Qt's image"}) {
            const QImage decoded = type[0] == 'Q'
                                       ? qvariant_cast<QImage>(data->imageData())
                                       : QImage::fromData(data->data(QLatin1String(type)));
            ASSERT_EQ(decoded.size(), QSize(13, 4)) << type << int(code);
            EXPECT_EQ(decoded.dotsPerMeterX(), kPixelsPerMetreAt200Dpi) << type;
            EXPECT_EQ(decoded.dotsPerMeterY(), kPixelsPerMetreAt200Dpi) << type;
            // Qt widens 5-bit channels of BMP files by a plain shift; the 5 bits are what counts.
            const quint32 mask = code == ColourCode::Rgb555 && type == QLatin1String("image/bmp")
                                     ? 0xfff8f8f8u
                                     : 0xffffffffu;
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 13; ++x)
                    ASSERT_EQ((decoded.pixel(x, y) | 0xff000000u) & mask,
                              original.pixelColour(x, y) & mask)
                        << type << int(code);
        }
        // A PNG keeps the code where PNG has it.
        offer(QStringLiteral("image/png"), data->data(QStringLiteral("image/png")));
        ASSERT_TRUE(control.LoadFromClipboard());
        if (code == ColourCode::Mono || code == ColourCode::Palette256 ||
            code == ColourCode::Grey256 || code == ColourCode::Rgb24) {
            EXPECT_EQ(current().code(), code);
        }
        EXPECT_EQ(current().dpiX(), 200);
    }
    // The BMP bytes are the bit count of the code: 4 bits for 16 colours.
    give(test::sampleImage(ColourCode::Palette16, 9, 2));
    control.CopyToClipboard();
    EXPECT_EQ(clipboard().mimeData()->data(QStringLiteral("image/bmp")).at(28), 4);
}

TEST_F(ClipboardTest, PicturesFromOtherProgramsKeepTheirDepthAndLoseTheirTransparencyOnWhite)
{
    QImage translucent(4, 2, QImage::Format_ARGB32);
    translucent.fill(qRgba(0, 0, 0, 0));
    translucent.setPixel(1, 0, qRgba(255, 0, 0, 255));
    translucent.setPixel(2, 0, qRgba(0, 0, 255, 128));
    offer(QStringLiteral("image/png"), encoded(translucent, "PNG"));
    ASSERT_TRUE(control.LoadFromClipboard());
    EXPECT_EQ(current().code(), ColourCode::Rgb24);
    EXPECT_EQ(test::rowColours(current(), 0, 3),
              (std::vector<QRgb>{qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(127, 127, 255)}));

    QImage grey(5, 3, QImage::Format_Grayscale8);
    grey.fill(77);
    offer(QStringLiteral("image/png"), encoded(grey, "PNG"));
    ASSERT_TRUE(control.LoadFromClipboard());
    EXPECT_EQ(current().code(), ColourCode::Grey256);
    EXPECT_EQ(current().pixelColour(4, 2), qRgb(77, 77, 77));
    // A JPEG says nothing about depth: 24 bits.
    QImage photo(6, 6, QImage::Format_RGB32);
    photo.fill(qRgb(10, 120, 200));
    offer(QStringLiteral("image/jpeg"), encoded(photo, "JPEG"));
    ASSERT_TRUE(control.LoadFromClipboard());
    EXPECT_EQ(current().code(), ColourCode::Rgb24);
    // Qt's own image form, as Qt programs offer it.
    auto* data = new QMimeData;
    data->setImageData(QImage(3, 3, QImage::Format_Mono));
    clipboard().setMimeData(data);
    ASSERT_TRUE(control.LoadFromClipboard());
    EXPECT_EQ(current().code(), ColourCode::Mono);
}

TEST_F(ClipboardTest, AnSvgPictureIsAVectorPictureThatRendersOnTheBackground)
{
    offer(QStringLiteral("image/svg+xml"), kSvg);
    EXPECT_TRUE(ClipboardHasImage());
    ASSERT_TRUE(control.LoadFromClipboard());
    EXPECT_EQ(control.ImageKind(), 2);
    EXPECT_EQ(control.ImageWidth(), 200);
    EXPECT_EQ(control.ImageHeight(), 100);
    EXPECT_EQ(current().pixelColour(75, 50), qRgb(255, 0, 0));  // the preview shows the picture

    EXPECT_FALSE(control.VectorObject().RenderToBitmap(8, 0, 255, 255, 255));
    ASSERT_TRUE(control.VectorObject().RenderToBitmap(24, 0, 255, 255, 255));
    EXPECT_EQ(control.ImageKind(), 1);
    EXPECT_EQ(current().code(), ColourCode::Rgb24);
    EXPECT_EQ(test::sizeOf(current()), QSize(200, 100));
    for (const QPoint white : {QPoint(10, 10), QPoint(49, 24), QPoint(100, 75), QPoint(199, 99)})
        EXPECT_EQ(current().pixelColour(white.x(), white.y()), test::grey(255));
    EXPECT_EQ(current().pixelColour(75, 50), qRgb(255, 0, 0));
    EXPECT_EQ(current().dpiX(), 96);
    // A plain bitmap is not a vector picture.
    EXPECT_FALSE(control.VectorObject().RenderToBitmap(24, 0, 255, 255, 255));

    // Another background and width; values outside 0..255 are brought inside.
    ASSERT_TRUE(control.LoadFromClipboard());
    ASSERT_TRUE(control.VectorObject().RenderToBitmap(32, 400, 0, 300, -5));
    EXPECT_EQ(current().code(), ColourCode::Rgb32);
    EXPECT_EQ(test::sizeOf(current()), QSize(400, 200));
    EXPECT_EQ(current().pixelColour(5, 5), qRgb(0, 255, 0));
    EXPECT_EQ(current().pixelColour(150, 100), qRgb(255, 0, 0));
}

TEST_F(ClipboardTest, APictureIsPreferredToItsSvgAndAbsurdSvgSizesAreBounded)
{
    offer({{QStringLiteral("image/svg+xml"), kSvg},
           {QStringLiteral("image/png"), plainPng(3, 2, qRgb(0, 0, 255))}});
    ASSERT_TRUE(control.LoadFromClipboard());
    EXPECT_EQ(control.ImageKind(), 1);
    EXPECT_EQ(control.ImageWidth(), 3);

    offer(
        QStringLiteral("image/svg+xml"),
        R"(<svg xmlns="http://www.w3.org/2000/svg" width="1000000" height="10"><rect width="5" height="5"/></svg>)");
    ASSERT_TRUE(control.LoadFromClipboard());
    EXPECT_EQ(control.ImageWidth(), SvgPicture::kMaxSide);
    EXPECT_EQ(control.ImageHeight(), 1);

    // Without width and height the view box gives the size.
    EXPECT_EQ(SvgPicture(R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 30 20"/>)").size(),
              QSize(30, 20));
}

TEST_F(ClipboardTest, NothingReadableLeavesTheImageAsItWas)
{
    const quint32 handle = give(test::sampleImage(ColourCode::Rgb24, 4, 4));
    clipboard().setText(QStringLiteral("文字"));
    EXPECT_FALSE(ClipboardHasImage());
    EXPECT_FALSE(control.LoadFromClipboard());
    EXPECT_EQ(control.ImageHandle(), handle);

    offer(QStringLiteral("image/png"), QByteArray("\x89PNG\r\n\x1a\n broken", 16));
    EXPECT_TRUE(ClipboardHasImage());  // offered, though it will not decode
    EXPECT_FALSE(control.LoadFromClipboard());
    offer(QStringLiteral("image/svg+xml"), "<svg");
    EXPECT_FALSE(control.LoadFromClipboard());
    EXPECT_EQ(control.ImageHandle(), handle);

    // A BMP header that claims 60000 x 60000 at 24 bits (10 GB) is refused before decoding.
    QByteArray forged =
        test::encode(codecs::ImageFormat::Bmp, test::sampleImage(ColourCode::Rgb24, 2, 2));
    for (int offset : {18, 22}) {
        forged[offset] = char(0x60);
        forged[offset + 1] = char(0xea);
    }
    offer(QStringLiteral("image/bmp"), forged);
    EXPECT_FALSE(control.LoadFromClipboard());
    EXPECT_EQ(control.ImageHandle(), handle);

    // Damaged BMP data falls through to the PNG the same program offered.
    offer({{QStringLiteral("image/bmp"), forged},
           {QStringLiteral("image/png"), plainPng(2, 2, qRgb(255, 0, 0))}});
    ASSERT_TRUE(control.LoadFromClipboard());
    EXPECT_EQ(control.currentImage().image()->pixelColour(1, 1), qRgb(255, 0, 0));
}

TEST_F(ClipboardTest, ClearAndCopyWithoutAnImage)
{
    EXPECT_FALSE(control.CopyToClipboard());
    clipboard().setText(QStringLiteral("x"));
    EXPECT_TRUE(control.ClearClipboard());
    const QMimeData* left = clipboard().mimeData();
    EXPECT_TRUE(!left || !left->hasText());
    EXPECT_FALSE(ClipboardHasImage());
}

}  // namespace
}  // namespace tavlo
