#include "imaging/codecs/format_sniffer.h"

#include <gtest/gtest.h>

namespace tavlo::codecs {
namespace {

QByteArray raw(const char* bytes, int length)
{
    return QByteArray(bytes, length) + QByteArray(24, '\0');
}

TEST(FormatSniffer, KnowsEachFormatByItsFirstBytes)
{
    const struct {
        QByteArray head;
        ImageFormat format;
    } cases[] = {
        {raw("\x89PNG\r\n\x1a\n", 8), ImageFormat::Png},
        {raw("\xff\xd8\xff\xe0", 4), ImageFormat::Jpeg},
        {raw("GIF87a", 6), ImageFormat::Gif},
        {raw("GIF89a", 6), ImageFormat::Gif},
        {raw("II*\0", 4), ImageFormat::Tiff},
        {raw("MM\0*", 4), ImageFormat::Tiff},
        {raw("II+\0", 4), ImageFormat::Tiff},
        {raw("\0\0\0\x0cjP  \r\n\x87\n", 12), ImageFormat::Jpeg2000},
        {raw("\xff\x4f\xff\x51", 4), ImageFormat::Jpeg2000},
        {raw("\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", 8), ImageFormat::FlashPix},
        {raw("BM\x36\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0", 18), ImageFormat::Bmp},
        {raw("BM\x36\0\0\0\0\0\0\0\x1a\0\0\0\x0c\0\0\0", 18), ImageFormat::Bmp},
        {raw("\x0a\x05\x01\x08", 4), ImageFormat::Pcx},
        {raw("\x0a\x00\x01\x01", 4), ImageFormat::Pcx},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sniffFormat(c.head), c.format) << c.head.toHex().toStdString();
}

TEST(FormatSniffer, NearMissesAndShortHeadsAreUnknown)
{
    for (const QByteArray& head : {
             QByteArray(),
             QByteArray("BM"),                                       // too short to tell
             raw("BM is a text file that says hello world", 39),     // no header size
             raw("BM\x36\0\0\0\0\0\0\0\x36\0\0\0\x29\x01\0\0", 18),  // header of 297 bytes
             raw("GIF88a", 6),
             raw("\x89PNG\r\n\x1a", 7),
             raw("\x0a\x06\x01\x08", 4),  // PCX version 6
             raw("\x0a\x05\x02\x08", 4),  // PCX encoding 2
             raw("\x0a\x05\x01\x03", 4),  // PCX 3 bits
             raw("\xff\xd8\x00", 3),
             raw("%PDF-1.4", 8),
         })
        EXPECT_EQ(sniffFormat(head), ImageFormat::Unknown) << head.toHex().toStdString();
}

}  // namespace
}  // namespace tavlo::codecs
