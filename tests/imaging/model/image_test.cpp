#include "imaging/image.h"
#include "imaging/image_store.h"

#include <gtest/gtest.h>

namespace tavlo {
namespace {

TEST(Image, EveryCodeIsCreatedValidWithItsDibSize)
{
    // 7 pixels wide: rows of 1, 4, 8, 16, 24 and 32 bits padded to 4 bytes.
    const struct {
        ColourCode code;
        qint64 rowBytes;
    } cases[] = {{ColourCode::Mono, 4},       {ColourCode::Palette16, 4}, {ColourCode::Grey16, 4},
                 {ColourCode::Palette256, 8}, {ColourCode::Grey256, 8},   {ColourCode::Rgb555, 16},
                 {ColourCode::Rgb24, 24},     {ColourCode::Rgb32, 28}};
    for (const auto& c : cases) {
        const Image image = Image::create(7, 3, c.code);
        ASSERT_FALSE(image.isNull()) << int(c.code);
        EXPECT_TRUE(image.isValid()) << int(c.code);
        EXPECT_EQ(image.code(), c.code);
        EXPECT_EQ(image.dibDataSize(), c.rowBytes * 3) << int(c.code);
        EXPECT_EQ(image.pixelColour(6, 2), image.pixelColour(0, 0));
    }
}

TEST(Image, SizesBeyondTheBoundsAreRefused)
{
    EXPECT_TRUE(Image::create(0, 5, ColourCode::Rgb24).isNull());
    EXPECT_TRUE(Image::create(5, -1, ColourCode::Rgb24).isNull());
    EXPECT_TRUE(Image::create(Image::kMaxSide + 1, 1, ColourCode::Mono).isNull());
    EXPECT_FALSE(Image::sizeAllowed(60000, 60000, ColourCode::Rgb32));  // 14 GB
    EXPECT_TRUE(Image::sizeAllowed(60000, 60000, ColourCode::Mono));    // 450 MB
}

// A one-row 8-bit indexed picture of the palette and indices.
QImage indexedRow(const QVector<QRgb>& palette, std::initializer_list<uchar> indices)
{
    QImage row(int(indices.size()), 1, QImage::Format_Indexed8);
    row.setColorTable(palette);
    std::copy(indices.begin(), indices.end(), row.scanLine(0));
    return row;
}

TEST(Image, FromIndexedChoosesTheGreyCodeForAGreyPalette)
{
    // Index 7 lies outside the palette: clamped to the last entry.
    QImage indexed = indexedRow({qRgb(0, 0, 0), qRgb(200, 200, 200), qRgb(90, 90, 90)}, {2, 1, 7});

    const Image grey8 = Image::fromIndexed(indexed, 8);
    ASSERT_EQ(grey8.code(), ColourCode::Grey256);
    EXPECT_EQ(grey8.pixels().format(), QImage::Format_Grayscale8);
    EXPECT_EQ(grey8.pixelColour(0, 0), qRgb(90, 90, 90));
    EXPECT_EQ(grey8.pixelColour(1, 0), qRgb(200, 200, 200));
    EXPECT_EQ(grey8.pixelColour(2, 0), qRgb(90, 90, 90));
    EXPECT_TRUE(grey8.isValid());

    const Image grey4 = Image::fromIndexed(indexed, 4);
    EXPECT_EQ(grey4.code(), ColourCode::Grey16);
    EXPECT_TRUE(grey4.isValid());

    indexed.setColor(1, qRgb(255, 0, 0));
    EXPECT_EQ(Image::fromIndexed(indexed, 8).code(), ColourCode::Palette256);
    EXPECT_EQ(Image::fromIndexed(indexed, 4).code(), ColourCode::Palette16);
    indexed.setColorTable(QVector<QRgb>(17, qRgb(1, 2, 3)));
    EXPECT_TRUE(Image::fromIndexed(indexed, 4).isNull());  // 17 entries do not fit 4 bits
}

TEST(Image, SamePixelsComparesColoursNotPaletteOrder)
{
    const QImage a = indexedRow({qRgb(255, 0, 0), qRgb(0, 0, 255)}, {0, 1});
    QImage b = indexedRow({qRgb(0, 0, 255), qRgb(255, 0, 0), qRgb(9, 9, 9)}, {1, 0});
    EXPECT_TRUE(samePixels(Image::fromIndexed(a, 8), Image::fromIndexed(b, 8)));
    EXPECT_FALSE(samePixels(Image::fromIndexed(a, 8), Image::fromIndexed(b, 4)));
    b.scanLine(0)[1] = 2;
    EXPECT_FALSE(samePixels(Image::fromIndexed(a, 8), Image::fromIndexed(b, 8)));
}

TEST(ImageStore, DuplicatesAreIndependentAndHandlesAreNeverZero)
{
    ImageStore& store = ImageStore::instance();
    const std::size_t before = store.size();
    Image image = Image::create(4, 4, ColourCode::Rgb24);
    image.setDpi(300, 200);
    const quint32 original = store.add(image);
    ASSERT_NE(original, 0u);
    const quint32 copy = store.duplicate(original);
    ASSERT_NE(copy, 0u);
    ASSERT_NE(copy, original);

    store.find(copy)->scanLine(0)[0] = 0xff;
    EXPECT_EQ(store.find(original)->scanLine(0)[0], 0);
    EXPECT_EQ(store.find(copy)->dpiX(), 300);
    EXPECT_EQ(store.find(copy)->dpiY(), 200);

    EXPECT_EQ(store.add(Image()), 0u);
    EXPECT_EQ(store.duplicate(0), 0u);
    EXPECT_EQ(store.find(0), nullptr);
    store.release(original);
    store.release(copy);
    EXPECT_EQ(store.find(original), nullptr);
    EXPECT_EQ(store.size(), before);
}

}  // namespace
}  // namespace tavlo

#include "imaging/current_image.h"

namespace tavlo {
namespace {

TEST(CurrentImage, TakesOverHandlesAndReleasesTheOneItHeld)
{
    ImageStore& store = ImageStore::instance();
    const std::size_t before = store.size();
    {
        CurrentImage current;
        const quint32 first = store.add(Image::create(3, 2, ColourCode::Grey256));
        current.setHandle(first);
        EXPECT_EQ(current.handle(), first);
        ASSERT_NE(current.image(), nullptr);
        EXPECT_EQ(ImageInfo::of(*current.image()).ImageDataSize, 8);
        EXPECT_TRUE(ImageInfo::of(*current.image()).IsGray);

        current.replace(Image::create(5, 5, ColourCode::Rgb24));
        EXPECT_EQ(store.find(first), nullptr);  // the old image was released
        EXPECT_EQ(current.kind(), 1);

        current.setVector(Image::create(5, 5, ColourCode::Rgb24), QByteArray("<svg/>"));
        EXPECT_EQ(current.kind(), 2);
        current.setHandle(9999999);  // unknown: the control ends up with no image
        EXPECT_EQ(current.handle(), 0u);
        EXPECT_EQ(current.kind(), 1);
        current.replace(Image::create(1, 1, ColourCode::Mono));
    }
    EXPECT_EQ(store.size(), before);
}

}  // namespace
}  // namespace tavlo
