#include "imaging/codecs/flashpix_format.h"
#include "imaging/codecs/little_endian.h"
#include "imaging/codecs/property_set.h"

#include <gtest/gtest.h>

namespace tavlo::codecs {
namespace {

using namespace flashpix;

PropertySet sample()
{
    PropertySet set(classId(kImageContentsClass));
    set.setUInt(1, 0xFDE9, PropertySet::I2);
    set.setUInt(0x01000002, 4000000000u);
    set.setReal(0x01000004, 8.27f);
    set.setBlob(0x03010001, QByteArray("\xff\xd8\xff\xd9\x01", 5));  // an odd length, padded
    set.setText(0x21000003, QStringLiteral("Tavlo ｽｷｬﾝ"));
    set.setAnsiText(0x12, "Tavlo");
    set.setFileTime(0x0C, 0x01D9ABCDEF012345ull);
    return set;
}

TEST(PropertySet, EveryTypeComesBackAndTypesAreNotMixedUp)
{
    const std::optional<PropertySet> back = PropertySet::parse(sample().serialise());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->formatId(), classId(kImageContentsClass));
    EXPECT_EQ(back->uint(1), 0xFDE9u);
    EXPECT_EQ(back->uint(0x01000002), 4000000000u);
    EXPECT_EQ(back->real(0x01000004), 8.27f);
    EXPECT_EQ(back->blob(0x03010001), QByteArray("\xff\xd8\xff\xd9\x01", 5));
    EXPECT_FALSE(back->uint(0x01000004));  // a real is not an integer
    EXPECT_FALSE(back->blob(0x21000003));  // nor a string a blob
    EXPECT_FALSE(back->uint(0x7777));
}

// Every cut of a whole stream is refused (its section no longer fits); a value claiming
// more bytes than its section holds refuses the stream.
TEST(PropertySet, CutAndOverlongStreamsAreRefused)
{
    const QByteArray whole = sample().serialise();
    for (qsizetype length = 0; length < whole.size(); ++length) {
        const std::optional<PropertySet> cut = PropertySet::parse(whole.left(length));
        EXPECT_FALSE(cut) << length;
    }
    PropertySet blob;
    blob.setBlob(5, QByteArray(8, 'x'));
    QByteArray forged = blob.serialise();
    putLe32(forged.data() + forged.size() - 12, 0x7FFFFFF0);  // the blob's length
    EXPECT_FALSE(PropertySet::parse(forged));
}

TEST(FlashPixChannels, TheLayoutsReadAndThoseRefused)
{
    const auto blob = [](std::initializer_list<quint32> words) {
        QByteArray bytes(8 + 4 * qsizetype(words.size()), '\0');
        putLe32(bytes.data(), 1);
        putLe32(bytes.data() + 4, quint32(words.size()));
        int i = 0;
        for (quint32 w : words)
            putLe32(bytes.data() + 8 + 4 * i++, w);
        return bytes;
    };
    const std::optional<ChannelLayout> rgba =
        ChannelLayout::parse(blob({0x38000, 0x38001, 0x38002, 0x37FFE}));
    ASSERT_TRUE(rgba);
    EXPECT_EQ(rgba->space, ChannelLayout::NifRgb);
    EXPECT_TRUE(rgba->opacity && rgba->premultiplied);
    const std::optional<ChannelLayout> ycc =
        ChannelLayout::parse(blob({0x80020000, 0x80020001, 0x80020002}));
    ASSERT_TRUE(ycc);  // the uncalibrated bit changes nothing
    EXPECT_EQ(ycc->space, ChannelLayout::PhotoYcc);
    EXPECT_FALSE(ycc->opacity);
    for (const ChannelLayout layout :
         {ChannelLayout{ChannelLayout::Monochrome, true, false}, *rgba, *ycc})
        EXPECT_EQ(ChannelLayout::parse(layout.blob())->channels(), layout.channels());
    for (const QByteArray& refused : {blob({0x7FFE}),                     // opacity alone
                                      blob({0x30000, 0x30002, 0x30001}),  // channels out of order
                                      blob({0x30000, 0x20001, 0x30002}),  // spaces mixed
                                      blob({0x10000, 0x10000}),           // grey twice
                                      blob({0x40000, 0x40001, 0x40002}),  // an unknown space
                                      blob({0x10000, 0x17FFE, 0x17FFE, 0x17FFE, 0x17FFE}),
                                      blob({0x30000, 0x30001, 0x30002}).left(16)}) {
        EXPECT_FALSE(ChannelLayout::parse(refused)) << refused.toHex().toStdString();
    }
}

}  // namespace
}  // namespace tavlo::codecs
