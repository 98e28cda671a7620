#include "imaging/codecs/bmp_codec.h"
#include "imaging/codecs/image_file.h"
#include "imaging/codecs/little_endian.h"
#include "tests/imaging/codecs/test_images.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace tavlo::codecs {
namespace {

using test::makeTestImage;

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The code a format gives back for each code written (see the table in image_format.h), for the
// test images, whose 1-bit palette is black and white.
ColourCode expectedCode(ImageFormat format, ColourCode code)
{
    switch (format) {
    case ImageFormat::Bmp: return code;
    case ImageFormat::Pcx:
    case ImageFormat::Png:
    case ImageFormat::Tiff:
        return code == ColourCode::Rgb555 || code == ColourCode::Rgb32 ? ColourCode::Rgb24 : code;
    case ImageFormat::Gif: return isIndexedCode(code) ? code : ColourCode::Palette256;
    case ImageFormat::Jpeg:
        return code == ColourCode::Grey256 || code == ColourCode::Grey16 || code == ColourCode::Mono
                   ? ColourCode::Grey256
                   : ColourCode::Rgb24;
    default: return code;
    }
}

class ImageFile : public ::testing::Test {
protected:
    QString path(const QString& name) const { return m_folder.filePath(name); }
    QTemporaryDir m_folder;
};

// The whole table: every code in every writable format, through the files the control writes.
// Lossless wherever the format holds the code (and for the conversions to 24 bits); JPEG within a
// tolerance; GIF of more than 256 colours within a tolerance.
TEST_F(ImageFile, EveryCodeInEveryFormatRoundTrips)
{
    const ImageFormat formats[] = {ImageFormat::Bmp, ImageFormat::Pcx, ImageFormat::Png,
                                   ImageFormat::Tiff, ImageFormat::Gif, ImageFormat::Jpeg};
    for (ImageFormat format : formats) {
        for (ColourCode code : kAllColourCodes) {
            for (const QSize size : {QSize(1, 1), QSize(7, 7), QSize(113, 157)}) {
                const QString where = formatName(format) + QStringLiteral(" code ") +
                                      QString::number(int(code)) + QStringLiteral(" ") +
                                      QString::number(size.width());
                SCOPED_TRACE(where.toStdString());
                const Image original = makeTestImage(code, size.width(), size.height());
                const QString file = path(QStringLiteral("page.%1").arg(formatName(format)));
                ASSERT_EQ(writeImageFile(original, file, format), QString());
                ImageFormat found = ImageFormat::Unknown;
                const Decoded back = readImageFile(file, &found);
                ASSERT_TRUE(back.ok()) << back.error.toStdString();
                EXPECT_EQ(found, format);
                EXPECT_EQ(back.image.code(), expectedCode(format, code));
                EXPECT_TRUE(back.image.isValid());
                const bool lossy = format == ImageFormat::Jpeg ||
                                   (format == ImageFormat::Gif && !isIndexedCode(code));
                if (!lossy) {
                    EXPECT_EQ(test::meanDifference(back.image, original), 0.0);
                    if (back.image.code() == code) {
                        EXPECT_TRUE(samePixels(back.image, original));
                    }
                } else {
                    // 16 colours put steps between neighbours that JPEG blurs more than ramps.
                    const double tolerance = code == ColourCode::Palette16 ? 24.0 : 12.0;
                    EXPECT_LT(test::meanDifference(back.image, original), tolerance);
                }
                if (format != ImageFormat::Gif) {  // GIF has no place for dots per inch
                    EXPECT_EQ(back.image.dpiX(), 300);
                    EXPECT_EQ(back.image.dpiY(), 200);
                }
            }
        }
    }
}

TEST_F(ImageFile, TheContentDecidesTheFormatNotTheName)
{
    const Image original = makeTestImage(ColourCode::Palette256, 9, 4);
    const QString misnamed = path(QStringLiteral("photo.jpg"));
    ASSERT_EQ(writeImageFile(original, misnamed, ImageFormat::Pcx), QString());
    ImageFormat found = ImageFormat::Unknown;
    const Decoded back = readImageFile(misnamed, &found);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(found, ImageFormat::Pcx);
    EXPECT_TRUE(samePixels(back.image, original));
}

TEST_F(ImageFile, FilesThatCannotBeReadSayWhy)
{
    EXPECT_EQ(readImageFile(path(QStringLiteral("none.bmp"))).error, QStringLiteral("ﾌｧｲﾙがありません"));
    EXPECT_EQ(readImageFile(m_folder.path()).error, QStringLiteral("ﾌｫﾙﾀﾞです"));
    ASSERT_TRUE(writeAll(path(QStringLiteral("empty.bmp")), QByteArray()));
    EXPECT_EQ(readImageFile(path(QStringLiteral("empty.bmp"))).error, QStringLiteral("ﾌｧｲﾙが空です"));
    ASSERT_TRUE(writeAll(path(QStringLiteral("notes.png")), "just some words, not a picture"));
    EXPECT_EQ(readImageFile(path(QStringLiteral("notes.png"))).error,
              QStringLiteral("画像ﾌｧｲﾙの形式が分かりません"));
    ASSERT_TRUE(writeAll(path(QStringLiteral("photo.fpx")),
                         QByteArray("\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", 8) + QByteArray(600, '\0')));
    ImageFormat found = ImageFormat::Unknown;
    EXPECT_EQ(readImageFile(path(QStringLiteral("photo.fpx")), &found).error,
              QStringLiteral("FlashPix 形式の読み込みにはまだ対応していません"));
    EXPECT_EQ(found, ImageFormat::FlashPix);
}

// Cut and damaged files of every writable format through the dispatch: never a crash, and a cut
// file is refused with a reason.
TEST_F(ImageFile, CutAndDamagedFilesOfEveryFormatFailCleanly)
{
    const Image original = makeTestImage(ColourCode::Rgb24, 113, 157);
    for (ImageFormat format : {ImageFormat::Bmp, ImageFormat::Pcx, ImageFormat::Png, ImageFormat::Tiff,
                               ImageFormat::Gif, ImageFormat::Jpeg}) {
        SCOPED_TRACE(formatName(format).toStdString());
        const QString file = path(QStringLiteral("whole"));
        ASSERT_EQ(writeImageFile(original, file, format), QString());
        const QByteArray whole = readAll(file);
        for (double part : {0.05, 0.3, 0.6, 0.9}) {
            ASSERT_TRUE(writeAll(path(QStringLiteral("cut")), whole.left(int(whole.size() * part))));
            const Decoded cut = readImageFile(path(QStringLiteral("cut")));
            EXPECT_FALSE(cut.ok()) << part;
            EXPECT_FALSE(cut.error.isEmpty()) << part;
        }
        QByteArray damaged = whole;
        for (int i = 12; i < damaged.size(); i += 97)
            damaged[i] = char(damaged[i] ^ 0x5A);
        ASSERT_TRUE(writeAll(path(QStringLiteral("damaged")), damaged));
        const Decoded result = readImageFile(path(QStringLiteral("damaged")));
        EXPECT_TRUE(result.ok() || !result.error.isEmpty());
    }
}

TEST_F(ImageFile, FormatsThatCannotBeWrittenAreRefusedAndNothingIsLeftBehind)
{
    const Image image = makeTestImage(ColourCode::Rgb24, 5, 5);
    EXPECT_EQ(writeImageFile(image, path(QStringLiteral("a.fpx")), ImageFormat::FlashPix),
              QStringLiteral("FlashPix 形式の保存にはまだ対応していません"));
    EXPECT_EQ(writeImageFile(image, path(QStringLiteral("a.jp2")), ImageFormat::Jpeg2000),
              QStringLiteral("JPEG 2000 形式の保存には対応していません"));
    EXPECT_EQ(writeImageFile(image, path(QStringLiteral("a.xyz")), ImageFormat::Unknown),
              QStringLiteral("保存形式が分かりません"));
    EXPECT_EQ(writeImageFile(Image(), path(QStringLiteral("a.bmp")), ImageFormat::Bmp),
              QStringLiteral("画像がありません"));
    EXPECT_EQ(writeImageFile(image, path(QStringLiteral("no/such/folder/a.bmp")), ImageFormat::Bmp),
              QStringLiteral("ﾌｫﾙﾀﾞがありません"));
    EXPECT_TRUE(QDir(m_folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

// A save that fails part-way (here the file size limit stands in for a full disk) leaves the
// earlier file byte for byte as it was, and no temporary file behind.
TEST_F(ImageFile, AFailedSaveKeepsTheFileThatWasThere)
{
    const QString target = path(QStringLiteral("page-001.bmp"));
    const QByteArray before = "the page scanned yesterday";
    ASSERT_TRUE(writeAll(target, before));

    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString reason =
        writeImageFile(makeTestImage(ColourCode::Rgb24, 400, 300), target, ImageFormat::Bmp);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(reason.isEmpty());
    EXPECT_EQ(readAll(target), before);
    EXPECT_EQ(QDir(m_folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(ImageFile, AFolderWithoutWritePermissionIsRefused)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes anywhere";
    const QString folder = path(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString target = folder + QStringLiteral("/page.bmp");
    ASSERT_TRUE(writeAll(target, "old"));
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(writeImageFile(makeTestImage(ColourCode::Mono, 8, 8), target, ImageFormat::Bmp),
              QStringLiteral("書き込みの権限がありません"));
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(readAll(target), QByteArray("old"));
}

TEST_F(ImageFile, ImagesBeyondTheBoundAreRefusedBeforeTheyAreAllocated)
{
    // PNG header of 60000 x 60000 colour pixels (10 GB), with a valid checksum.
    QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    QByteArray ihdr(13, '\0');
    ihdr[0] = 0; ihdr[1] = 0; ihdr[2] = char(0xEA); ihdr[3] = 0x60;  // 60000 big-endian
    ihdr[4] = 0; ihdr[5] = 0; ihdr[6] = char(0xEA); ihdr[7] = 0x60;
    ihdr[8] = 8;
    ihdr[9] = 2;
    png += ihdr;
    const quint32 crc = [&] {
        quint32 c = 0xFFFFFFFFu;
        const QByteArray data = QByteArray("IHDR") + ihdr;
        for (char ch : data) {
            c ^= uchar(ch);
            for (int k = 0; k < 8; ++k)
                c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
        }
        return ~c;
    }();
    for (int shift : {24, 16, 8, 0})
        png.append(char(crc >> shift));
    png += QByteArray("\0\0\0\0IEND\xae\x42\x60\x82", 12);
    ASSERT_TRUE(writeAll(path(QStringLiteral("bomb.png")), png));
    const Decoded bomb = readImageFile(path(QStringLiteral("bomb.png")));
    EXPECT_FALSE(bomb.ok());
    EXPECT_FALSE(bomb.error.isEmpty());

    // A two-colour GIF screen of 65535 x 65535 (found by fuzzing: the canvas for it is 4 GiB).
    const QByteArray gif = QByteArray("GIF89a\xff\xff\xff\xff\x80\0\0", 13) + QByteArray(6, '\xff') +
                           QByteArray(",\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0;", 16);
    ASSERT_TRUE(writeAll(path(QStringLiteral("screen.gif")), gif));
    EXPECT_TRUE(readImageFile(path(QStringLiteral("screen.gif"))).error.startsWith(QStringLiteral("画像が大きすぎます")));

    // Within the bound, but a 1 x 1 frame on a screen of 65535 x 16383: a gigabyte from 34 bytes.
    QByteArray wide = gif;
    wide[9] = 0x3F;
    ASSERT_TRUE(writeAll(path(QStringLiteral("wide.gif")), wide));
    EXPECT_EQ(readImageFile(path(QStringLiteral("wide.gif"))).error,
              QStringLiteral("ﾌｧｲﾙの大きさに比べて画像が大きすぎます"));
}

}  // namespace
}  // namespace tavlo::codecs
