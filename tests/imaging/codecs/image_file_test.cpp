#include "imaging/codecs/image_file.h"
#include "tests/support/test_images.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace tavlo::codecs {
namespace {

using test::sampleImage;

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

class ImageFile : public ::testing::Test {
protected:
    QString path(const QString& name) const { return m_folder.filePath(name); }
    QTemporaryDir m_folder;
};

TEST_F(ImageFile, TheContentDecidesTheFormatNotTheName)
{
    const Image original = sampleImage(ColourCode::Palette256, 9, 4);
    for (ImageFormat format : {ImageFormat::Bmp, ImageFormat::Pcx, ImageFormat::Png,
                               ImageFormat::Tiff, ImageFormat::Gif, ImageFormat::Jpeg}) {
        const QString misnamed =
            path(QLatin1String(format == ImageFormat::Jpeg ? "photo.png" : "photo.jpg"));
        ASSERT_EQ(writeImageFile(original, misnamed, format), QString());
        ImageFormat found = ImageFormat::Unknown;
        const Decoded back = readImageFile(misnamed, &found);
        ASSERT_TRUE(back.ok()) << back.error.toStdString();
        EXPECT_EQ(found, format);
        if (format != ImageFormat::Jpeg) {
            EXPECT_TRUE(samePixels(back.image, original)) << formatName(format).toStdString();
        }
    }
}

TEST_F(ImageFile, FilesThatCannotBeReadSayWhy)
{
    EXPECT_EQ(readImageFile(path(QStringLiteral("none.bmp"))).error,
              QStringLiteral("ﾌｧｲﾙがありません"));
    EXPECT_EQ(readImageFile(m_folder.path()).error, QStringLiteral("ﾌｫﾙﾀﾞです"));
    ASSERT_TRUE(writeAll(path(QStringLiteral("empty.bmp")), QByteArray()));
    EXPECT_EQ(readImageFile(path(QStringLiteral("empty.bmp"))).error,
              QStringLiteral("ﾌｧｲﾙが空です"));
    ASSERT_TRUE(writeAll(path(QStringLiteral("notes.png")), "just some words, not a picture"));
    EXPECT_EQ(readImageFile(path(QStringLiteral("notes.png"))).error,
              QStringLiteral("画像ﾌｧｲﾙの形式が分かりません"));
    ASSERT_TRUE(
        writeAll(path(QStringLiteral("photo.fpx")),
                 QByteArray("\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", 8) + QByteArray(600, '\0')));
    ImageFormat found = ImageFormat::Unknown;
    EXPECT_EQ(readImageFile(path(QStringLiteral("photo.fpx")), &found).error,
              QStringLiteral("ﾌｧｲﾙが壊れています"));
    EXPECT_EQ(found, ImageFormat::FlashPix);
}

TEST_F(ImageFile, FormatsThatCannotBeWrittenAreRefusedAndNothingIsLeftBehind)
{
    const Image image = sampleImage(ColourCode::Rgb24, 5, 5);
    EXPECT_EQ(writeImageFile(image, path(QStringLiteral("a.jp2")), ImageFormat::Jpeg2000),
              QStringLiteral("JPEG 2000 形式の保存には対応していません"));
    EXPECT_EQ(writeImageFile(image, path(QStringLiteral("a.xyz")), ImageFormat::Unknown),
              QStringLiteral("保存形式が分かりません"));
    EXPECT_EQ(writeImageFile(Image(), path(QStringLiteral("a.bmp")), ImageFormat::Bmp),
              QStringLiteral("画像がありません"));
    EXPECT_EQ(writeImageFile(image, path(QStringLiteral("no/such/folder/a.bmp")), ImageFormat::Bmp),
              QStringLiteral("ﾌｫﾙﾀﾞがありません"));
    EXPECT_TRUE(QDir(m_folder.path())
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
}

// A save that fails part-way (here the file size limit stands in for a full disk) leaves the
// earlier file byte for byte as it was, and no temporary file behind.
TEST_F(ImageFile, AFailedSaveKeepsTheFileThatWasThere)
{
    const QString target = path(QStringLiteral("page-001.bmp"));
    const QByteArray before = "the page scanned yesterday";
    ASSERT_TRUE(writeAll(target, before));

    struct rlimit old { };
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString reason =
        writeImageFile(sampleImage(ColourCode::Rgb24, 400, 300), target, ImageFormat::Bmp);
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
    const QString target = path(QStringLiteral("page-001.bmp"));
    const QByteArray before = "the page scanned yesterday";
    ASSERT_TRUE(writeAll(target, before));
    QFile::setPermissions(m_folder.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(writeImageFile(sampleImage(ColourCode::Mono, 8, 8), target, ImageFormat::Bmp),
              QStringLiteral("書き込みの権限がありません"));
    QFile::setPermissions(m_folder.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(readAll(target), before);
}

}  // namespace
}  // namespace tavlo::codecs
