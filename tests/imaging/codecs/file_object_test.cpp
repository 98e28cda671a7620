#include "imaging/codecs/image_file.h"
#include "imaging/file_object.h"
#include "imaging/image_store.h"
#include "tests/support/test_images.h"
#include "tests/support/recording_prompt.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tavlo {
namespace {

class FileObjectTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return m_folder.filePath(name); }

    QTemporaryDir m_folder;
    test::RecordingPrompt m_prompt;
    CurrentImage m_current;
    FileObject m_file{m_current};
};

TEST_F(FileObjectTest, SavesAndLoadsThroughTheCurrentImage)
{
    EXPECT_EQ(m_file.JpegQuality(), 80);
    const Image original = test::sampleImage(ColourCode::Grey16, 31, 9);
    const quint32 handle = ImageStore::instance().add(original);
    m_file.setFileName(path(QStringLiteral("scan-001.bmp")));
    ASSERT_TRUE(m_file.SaveFile(0, handle));
    m_file.setFileName(path(QStringLiteral("scan-001.pcx")));
    ASSERT_TRUE(m_file.SaveFile(16, handle));
    ImageStore::instance().release(handle);

    for (const char* name : {"scan-001.bmp", "scan-001.pcx"}) {
        m_file.setFileName(path(QLatin1String(name)));
        const quint32 before = m_current.handle();
        ASSERT_TRUE(m_file.LoadFile()) << name;
        EXPECT_NE(m_current.handle(), before);
        EXPECT_EQ(ImageStore::instance().find(before), nullptr);  // the old image was released
        ASSERT_NE(m_current.image(), nullptr);
        EXPECT_TRUE(samePixels(*m_current.image(), original));
        EXPECT_EQ(ImageInfo::of(*m_current.image()).XResolution, 200);
    }
    EXPECT_TRUE(m_prompt.messages().isEmpty());
}

TEST_F(FileObjectTest, AFailedLoadNamesTheFileAndTheReasonAndKeepsTheImage)
{
    m_current.replace(test::sampleImage(ColourCode::Rgb24, 3, 3));
    const quint32 before = m_current.handle();
    const QString broken = path(QStringLiteral("broken.bmp"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("BM\x36\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0", 18));
    file.close();
    m_file.setFileName(broken);
    EXPECT_FALSE(m_file.LoadFile());
    EXPECT_EQ(m_current.handle(), before);
    ASSERT_EQ(m_prompt.messages().size(), 1);
    EXPECT_EQ(m_prompt.messages().first(), QStringLiteral("画像ﾌｧｲﾙを読み込めませんでした。\r") +
                                               broken +
                                               QStringLiteral("\rﾌｧｲﾙが途中で終わっています"));
}

// Each save code writes the format it names, FlashPix and JPEG 2000 (this program's own code)
// included.
TEST_F(FileObjectTest, EverySaveCodeWritesItsFormat)
{
    const quint32 handle =
        ImageStore::instance().add(test::sampleImage(ColourCode::Palette16, 9, 7));
    const std::pair<int, codecs::ImageFormat> codes[] = {
        {0, codecs::ImageFormat::Bmp},       {2, codecs::ImageFormat::Jpeg},
        {4, codecs::ImageFormat::Gif},       {5, codecs::ImageFormat::Tiff},
        {12, codecs::ImageFormat::Png},      {16, codecs::ImageFormat::Pcx},
        {13, codecs::ImageFormat::FlashPix}, {20, codecs::ImageFormat::Jpeg2000}};
    for (const auto& [code, format] : codes) {
        EXPECT_TRUE(FileObject::CanSave(code)) << code;
        m_file.setFileName(path(QStringLiteral("page-%1").arg(code)));
        ASSERT_TRUE(m_file.SaveFile(code, handle)) << code;
        codecs::ImageFormat found = codecs::ImageFormat::Unknown;
        EXPECT_TRUE(codecs::readImageFile(m_file.FileName(), &found).ok()) << code;
        EXPECT_EQ(found, format) << code;
    }
    for (int code : {1, 7, 21, -1})
        EXPECT_FALSE(FileObject::CanSave(code)) << code;
    ImageStore::instance().release(handle);
    EXPECT_TRUE(m_prompt.messages().isEmpty());
}

TEST_F(FileObjectTest, SavesThatCannotBeMadeAreRefusedWithAMessage)
{
    const quint32 handle = ImageStore::instance().add(test::sampleImage(ColourCode::Rgb24, 4, 4));
    const QString target = path(QStringLiteral("photo.xyz"));
    m_file.setFileName(target);
    EXPECT_FALSE(m_file.SaveFile(7, handle));
    EXPECT_FALSE(m_file.SaveFile(0, 0));
    m_file.setFileName(QString());
    EXPECT_FALSE(m_file.SaveFile(0, handle));
    ImageStore::instance().release(handle);
    EXPECT_FALSE(QFile::exists(target));
    const auto failed = [](const QString& name, const QString& reason) {
        return QStringLiteral("画像ﾌｧｲﾙを保存できませんでした。\r") + name + QLatin1Char('\r') +
               reason;
    };
    EXPECT_EQ(m_prompt.messages(),
              QStringList(
                  {failed(target, QStringLiteral("保存形式の番号 7 は使えません")),
                   failed(target, QStringLiteral("保存する画像がありません")),
                   failed(QStringLiteral("(ﾌｧｲﾙ名なし)"), QStringLiteral("ﾌｧｲﾙ名がありません"))}));
}

TEST_F(FileObjectTest, TheSaveDialogOffersTheFilterAndTakesTheChosenName)
{
    m_file.setFileName(path(QStringLiteral("old.bmp")));
    EXPECT_FALSE(m_file.ShowSaveDialog());  // cancelled: nothing changes
    EXPECT_EQ(m_file.FileName(), path(QStringLiteral("old.bmp")));
    ASSERT_EQ(m_prompt.shown.size(), 1);
    const FileDialogRequest& request = m_prompt.shown.first().request;
    EXPECT_EQ(request.initialName, path(QStringLiteral("old.bmp")));
    ASSERT_EQ(request.filters.size(), 7);
    EXPECT_EQ(request.filters.first(), QStringLiteral("BMP ﾌｧｲﾙ|*.bmp;*.BMP"));
    EXPECT_EQ(request.filters.last(), QStringLiteral("GIF ﾌｧｲﾙ|*.gif;*.GIF"));

    m_file.setSaveFilter(QStringLiteral("PNG"));
    m_prompt.fileAnswers.push_back(path(QStringLiteral("New Name")));
    EXPECT_TRUE(m_file.ShowSaveDialog());
    EXPECT_EQ(m_file.FileName(), path(QStringLiteral("New Name")));
    EXPECT_EQ(m_prompt.shown.last().request.filters,
              QStringList{QStringLiteral("PNG ﾌｧｲﾙ|*.png;*.PNG")});
    EXPECT_TRUE(m_prompt.messages().isEmpty());
}

}  // namespace
}  // namespace tavlo
