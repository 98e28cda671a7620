#include "imaging/codecs/compound_reader.h"
#include "imaging/codecs/compound_writer.h"
#include "imaging/codecs/flashpix_codec.h"
#include "imaging/codecs/flashpix_format.h"
#include "imaging/codecs/flashpix_subimage.h"
#include "imaging/codecs/image_file.h"
#include "imaging/codecs/property_set.h"
#include "tests/support/test_images.h"

#include <QProcess>
#include <QPainter>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>

namespace tavlo::codecs {
namespace {

using namespace test;
using namespace flashpix;

QByteArray writeFpx(const Image& image, int quality = 80)
{
    return encode([quality](const Image& i, QIODevice& d) { return writeFlashPix(i, d, quality); },
                  image);
}

Decoded readFpx(const QByteArray& bytes)
{
    return decode(readFlashPix, bytes);
}

// The level's subimage header of a file we wrote.
SubimageHeader levelOf(const CompoundReader& file, int level, int width, int height, int channels)
{
    const std::optional<QByteArray> stream =
        file.readStream({kImageObject, resolutionName(level), kSubimageHeader}, 1 << 24);
    QString reason;
    const std::optional<SubimageHeader> header =
        stream ? SubimageHeader::parse(*stream, width, height, channels, &reason) : std::nullopt;
    return header.value_or(SubimageHeader());
}

TEST(FlashPix, OddSizesComeBackWithinTheJpegToleranceAndKeepTheirDpi)
{
    for (ColourCode code : {ColourCode::Grey256, ColourCode::Rgb24}) {
        for (const QSize size : {QSize(1, 1), QSize(63, 65), QSize(113, 157), QSize(200, 150)}) {
            SCOPED_TRACE(testing::Message()
                         << int(code) << " " << size.width() << "x" << size.height());
            const Image image = sampleImage(code, size.width(), size.height(),
                                            {PaletteKind::Usual, Pattern::Smooth});
            const Decoded back = readFpx(writeFpx(image));
            ASSERT_TRUE(back.ok()) << back.error.toStdString();
            EXPECT_EQ(back.image.code(), code);
            EXPECT_EQ(sizeOf(back.image), size);
            EXPECT_LT(meanDifference(back.image, image), 6.0);
            EXPECT_EQ(dpiOf(back.image), QSize(200, 300));
        }
    }
}

// Every level from the full size down to one tile, numbered from the smallest, with the sizes
// the image contents lists; white tiles of one size share one stored tile.
TEST(FlashPix, TheHierarchyReachesOneTileAndWhiteTilesShareOneStoredTile)
{
    Image page = plainImage(ColourCode::Rgb24, 300, 130, qRgb(255, 255, 255));
    for (int y = 70; y < 90; ++y) {  // a dark stroke in the second row of tiles, first column
        for (int x = 10; x < 50; ++x)
            page.pixels().setPixelColor(x, y, Qt::black);
    }
    const QByteArray bytes = writeFpx(page);
    const std::unique_ptr<CompoundReader> file = CompoundReader::open(bytes);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->rootClassId(), classId(kImageViewClass));
    const std::optional<PropertySet> contents = PropertySet::parse(
        file->readStream({kImageObject, kImageContents}, 1 << 20).value_or(QByteArray()));
    ASSERT_TRUE(contents);
    const QSize sizes[] = {QSize(38, 17), QSize(75, 33), QSize(150, 65), QSize(300, 130)};
    ASSERT_EQ(contents->uint(kResolutionCount), 4u);
    for (int level = 0; level < 4; ++level) {
        const QSize size = sizes[level];
        EXPECT_EQ(contents->uint(perLevel(kSubimageWidth, level)), quint32(size.width()));
        EXPECT_EQ(contents->uint(perLevel(kSubimageHeight, level)), quint32(size.height()));
        const SubimageHeader header = levelOf(*file, level, size.width(), size.height(), 3);
        EXPECT_EQ(qint64(header.tiles.size()),
                  SubimageHeader::tileCount(size.width(), size.height()))
            << level;
    }
    // Tiles 5 columns by 3 rows; the last column is 44 wide, the last row 2 high. The stroke is in
    // tile 5; the white ones come in four sizes, each stored once.
    const SubimageHeader full = levelOf(*file, 3, 300, 130, 3);
    ASSERT_EQ(full.tiles.size(), 15u);
    std::set<quint32> offsets;
    for (std::size_t i = 0; i < full.tiles.size(); ++i) {
        EXPECT_EQ(full.tiles[i].compression, quint32(Jpeg)) << i;
        offsets.insert(full.tiles[i].offset);
    }
    EXPECT_EQ(offsets.size(), 5u);
    for (std::size_t i : {1, 2, 3, 6, 7, 8}) {
        EXPECT_EQ(full.tiles[i].offset, full.tiles[0].offset) << i;
    }
    EXPECT_NE(full.tiles[5].offset, full.tiles[0].offset);
    EXPECT_LT(bytes.size(), 16 * 1024);
    const Decoded back = readFpx(bytes);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.image.pixelColour(299, 129), qRgb(255, 255, 255));
    EXPECT_LT(qRed(back.image.pixelColour(30, 80)), 40);
}

// A one-level file made by hand: the layout's channels, 2 x 2 pixels in one tile.
QByteArray handMade(const ChannelLayout& layout, const TileEntry& tile, const QByteArray& tileData,
                    const std::function<void(PropertySet&)>& extra = {})
{
    PropertySet contents(classId(kImageContentsClass));
    contents.setUInt(kResolutionCount, 1);
    contents.setUInt(kWidth, 2);
    contents.setUInt(kHeight, 2);
    contents.setBlob(perLevel(kSubimageColour, 0), layout.blob());
    if (extra)
        extra(contents);
    SubimageHeader header;
    header.width = 2;
    header.height = 2;
    header.channels = layout.channels();
    header.tiles = {tile};
    CompoundWriter writer;
    writer.root().setClassId(classId(kImageObjectClass));  // a bare image object, no image view
    writer.root().stream(kImageContents, contents.serialise());
    CompoundWriter::Storage level =
        writer.root().storage(resolutionName(0), classId(kResolutionClass));
    level.stream(kSubimageHeader, header.serialise());
    level.stream(kSubimageData, streamHeader(kSubimageDataClass) + tileData);
    level.close();
    return writer.finish();
}

// A raw tile whose first pixels are given and the rest zero.
QByteArray rawTile(int channels, const QByteArray& firstRow, const QByteArray& secondRow)
{
    QByteArray tile(64 * 64 * channels, '\0');
    tile.replace(0, firstRow.size(), firstRow);
    tile.replace(64 * channels, secondRow.size(), secondRow);
    return tile;
}

TEST(FlashPix, UncompressedAndSingleColourTilesInEveryChannelLayout)
{
    const ChannelLayout rgb{ChannelLayout::NifRgb, false, false};
    const ChannelLayout rgba{ChannelLayout::NifRgb, true, false};
    const ChannelLayout premultiplied{ChannelLayout::NifRgb, true, true};
    const ChannelLayout mono{ChannelLayout::Monochrome, false, false};
    const ChannelLayout monoAlpha{ChannelLayout::Monochrome, true, false};
    const ChannelLayout ycc{ChannelLayout::PhotoYcc, false, false};
    const auto raw = [](const ChannelLayout& layout, const QByteArray& a, const QByteArray& b) {
        const QByteArray data = rawTile(layout.channels(), a, b);
        return std::make_pair(TileEntry{0, quint32(data.size()), Uncompressed, 0}, data);
    };
    const auto single = [](quint32 colour) {
        return std::make_pair(TileEntry{0, 0, SingleColour, colour}, QByteArray());
    };
    const struct {
        const char* what;
        ChannelLayout layout;
        std::pair<TileEntry, QByteArray> tile;
        std::vector<QRgb> row0, row1;
    } cases[] = {
        {"rgb raw",
         rgb,
         raw(rgb, QByteArray("\x10\x20\x30\x40\x50\x60", 6),
             QByteArray("\xff\x00\x00\x00\x00\xff", 6)),
         {qRgb(0x10, 0x20, 0x30), qRgb(0x40, 0x50, 0x60)},
         {qRgb(255, 0, 0), qRgb(0, 0, 255)}},
        {"grey raw",
         mono,
         raw(mono, QByteArray("\x00\x7f", 2), QByteArray("\x80\xff", 2)),
         {grey(0), grey(127)},
         {grey(128), grey(255)}},
        // Opacity is composited on white: half-covered black is mid grey, uncovered is white.
        {"rgba raw",
         rgba,
         raw(rgba, QByteArray("\x00\x00\x00\x80\x00\x00\x00\x00", 8), QByteArray()),
         {grey(127), grey(255)},
         {grey(255), grey(255)}},
        {"premultiplied single",
         premultiplied,
         single(0xC8000064),
         {qRgb(155, 55, 55)},
         {qRgb(155, 55, 55)}},
        {"grey opacity single",
         monoAlpha,
         single(0xFF32),
         {grey(50), grey(50)},
         {grey(50), grey(50)}},
        {"rgb single", rgb, single(0x0A141E), {qRgb(30, 20, 10)}, {qRgb(30, 20, 10)}},
        // PhotoYCC's neutral axis (C1 156, C2 137) keeps its luma.
        {"photo ycc single", ycc, single(0x899C80), {grey(128)}, {grey(128)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Decoded back = readFpx(handMade(c.layout, c.tile.first, c.tile.second));
        ASSERT_TRUE(back.ok()) << back.error.toStdString();
        EXPECT_EQ(back.image.code(), c.layout.space == ChannelLayout::Monochrome
                                         ? ColourCode::Grey256
                                         : ColourCode::Rgb24);
        EXPECT_EQ(rowColours(back.image, 0, int(c.row0.size())), c.row0);
        EXPECT_EQ(rowColours(back.image, 1, int(c.row1.size())), c.row1);
        EXPECT_EQ(dpiOf(back.image), QSize(0, 0));
    }
}

TEST(FlashPix, DpiFromTheDisplaySizeInAnyUnit)
{
    const ChannelLayout mono{ChannelLayout::Monochrome, false, false};
    const TileEntry tile{0, 0, SingleColour, 0x40};
    const Decoded back = readFpx(handMade(mono, tile, QByteArray(), [](PropertySet& p) {
        p.setReal(kDisplayWidth, 2.54f * 2 / 300);  // 2 pixels at 300 dpi, in centimetres
        p.setReal(kDisplayHeight, 2.54f * 2 / 150);
        p.setUInt(kDisplayUnit, 2);
    }));
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(dpiOf(back.image), QSize(300, 150));
}

// What a reader must refuse: tiles outside the data, a tile table that does not fit the size the
// image contents gives, claims of absurd sizes, unknown compression and missing JPEG tables.
TEST(FlashPix, DamagedAndHostileFilesAreRefusedWithAReason)
{
    const ChannelLayout rgb{ChannelLayout::NifRgb, false, false};
    const QByteArray raw = rawTile(3, QByteArray(), QByteArray());
    const struct {
        const char* what;
        QByteArray bytes;
        QString reason;
    } cases[] = {
        {"tile past the data", handMade(rgb, {16, quint32(raw.size()), Uncompressed, 0}, raw),
         QStringLiteral("ﾌｧｲﾙが途中で終わっています")},
        {"unknown compression", handMade(rgb, {0, 0, 9, 0}, QByteArray()),
         QStringLiteral("対応していない形式です: ﾀｲﾙの圧縮方式 9")},
        {"jpeg without tables",
         handMade(rgb, {0, 4, Jpeg, 1u << 24}, QByteArray("\xff\xd8\xff\xd9", 4)),
         QStringLiteral("ﾌｧｲﾙが壊れています")},
        {"size beyond the tile table",
         handMade(rgb, {0, 0, SingleColour, 0}, QByteArray(),
                  [](PropertySet& p) { p.setUInt(kWidth, 65); }),
         QStringLiteral("ﾌｧｲﾙが壊れています")},
        {"absurd size",
         handMade(rgb, {0, 0, SingleColour, 0}, QByteArray(),
                  [](PropertySet& p) {
                      p.setUInt(kWidth, 4000000000u);
                      p.setUInt(kHeight, 4000000000u);
                  }),
         QStringLiteral(
             "画像が大きすぎます: 4000000000 x 4000000000 (上限は一辺 65535, 合計 1024 MB)")},
        {"no image contents",
         [] {
             CompoundWriter writer;
             writer.root().stream(QStringLiteral("WordDocument"), QByteArray(600, 'x'));
             return writer.finish();
         }(),
         QStringLiteral("FlashPix ﾌｧｲﾙではありません")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Decoded back = readFpx(c.bytes);
        EXPECT_FALSE(back.ok());
        EXPECT_EQ(back.error, c.reason);
    }
}

// Pillow (python3-pil with python3-olefile) reads what we write: the same size and mode, and
// pixels close to ours; a page of white paper as well as a picture.
TEST(FlashPix, AnIndependentReaderOpensOurFiles)
{
    const QString python =
        QStandardPaths::findExecutable(QStringLiteral("python3"), {QStringLiteral("/usr/bin")});
    if (python.isEmpty() ||
        QProcess::execute(python,
                          {QStringLiteral("-c"), QStringLiteral("import PIL.FpxImagePlugin")}) != 0)
        GTEST_SKIP() << "Pillow with olefile is not installed";
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    Image paper = plainImage(ColourCode::Rgb24, 150, 70, qRgb(255, 255, 255));
    QPainter(&paper.pixels()).fillRect(20, 30, 90, 8, Qt::darkBlue);
    paper.setDpi(200, 300);
    for (const Image& image :
         {sampleImage(ColourCode::Rgb24, 150, 70, {PaletteKind::Usual, Pattern::Smooth}),
          sampleImage(ColourCode::Grey256, 150, 70, {PaletteKind::Usual, Pattern::Smooth}),
          paper}) {
        const ColourCode code = image.code();
        const QString path = folder.filePath(QStringLiteral("page.fpx"));
        const QString raw = folder.filePath(QStringLiteral("page.raw"));
        ASSERT_EQ(writeImageFile(image, path, ImageFormat::FlashPix), QString());
        QProcess pillow;
        pillow.start(
            python,
            {QStringLiteral("-c"),
             QStringLiteral("import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\n"
                            "print(im.mode, im.size[0], im.size[1])\n"
                            "open(sys.argv[2], 'wb').write(im.convert('RGB').tobytes())"),
             path, raw});
        ASSERT_TRUE(pillow.waitForFinished(60000));
        EXPECT_EQ(pillow.exitCode(), 0) << pillow.readAllStandardError().toStdString();
        EXPECT_EQ(pillow.readAllStandardOutput().trimmed(),
                  code == ColourCode::Rgb24 ? QByteArray("RGB 150 70") : QByteArray("L 150 70"));
        QFile file(raw);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray rgb = file.readAll();
        ASSERT_EQ(rgb.size(), 150 * 70 * 3);
        QImage theirs(reinterpret_cast<const uchar*>(rgb.constData()), 150, 70, 150 * 3,
                      QImage::Format_RGB888);
        const Image mine = readImageFile(path).image;
        const Image pillowImage =
            Image::fromStorage(theirs.convertToFormat(QImage::Format_BGR888), ColourCode::Rgb24);
        ASSERT_FALSE(pillowImage.isNull());
        EXPECT_LT(meanDifference(pillowImage, mine), 1.5);
        EXPECT_LT(meanDifference(pillowImage, image), 6.0);
    }
}

}  // namespace
}  // namespace tavlo::codecs
