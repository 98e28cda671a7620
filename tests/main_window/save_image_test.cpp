#include "imaging/codecs/image_file.h"
#include "imaging/imaging_control.h"
#include "main_window/document_state.h"
#include "main_window/image_save_controller.h"

#include "tests/support/test_images.h"
#include "tests/main_window/image_commands_fixture.h"

#include <QDir>
#include <QFile>

#include <csignal>
#include <set>
#include <sys/resource.h>

namespace tavlo::test {
namespace {

using codecs::ImageFormat;

ImageFormat formatOf(const QString& path)
{
    ImageFormat format = ImageFormat::Unknown;
    codecs::readImageFile(path, &format);
    return format;
}

class SaveImageTest : public ImageCommandsTest {
protected:
    // Save as, answering the dialog with the name.
    void saveAs(const QString& name)
    {
        prompt.fileAnswers.push_back(name);
        w->menus().mnFile.item(2)->trigger();
    }
    QString file(const QString& name) const { return userFolder() + QLatin1Char('/') + name; }
};

// Which codes each extension converts in the view before writing, and the format written.
TEST_F(SaveImageTest, OutcomeTableByExtensionAndCode)
{
    const std::tuple<const char*, std::set<int>, int, ImageFormat> rows[] = {
        {"jpg", {1, 16, 32, 40}, 24, ImageFormat::Jpeg},
        {"jpeg", {1, 16, 32, 40}, 24, ImageFormat::Jpeg},
        {"fpx", {1, 16, 32, 40}, 24, ImageFormat::FlashPix},
        {"png", {16, 32}, 24, ImageFormat::Png},
        {"pcx", {16, 32}, 24, ImageFormat::Pcx},
        {"gif", {16, 24, 32}, 8, ImageFormat::Gif},
        {"bmp", {}, 0, ImageFormat::Bmp},
        {"tif", {}, 0, ImageFormat::Tiff},
        {"tiff", {}, 0, ImageFormat::Tiff},
        {"xyz", {}, 0, ImageFormat::Bmp},
        {"jp2", {}, 0, ImageFormat::Jpeg2000},
    };
    for (const auto& [ext, converted, target, written] : rows) {
        for (ColourCode code : kAllColourCodes) {
            const int number = int(code);
            SCOPED_TRACE(std::string(ext) + " at " + std::to_string(number));
            const Image original = sampleImage(code, 9, 7);
            show(original);
            const QString name = file(QStringLiteral("c%1.%2").arg(number).arg(QLatin1String(ext)));
            saveAs(name);
            EXPECT_EQ(int(shown().code()), converted.count(number) ? target : number);
            EXPECT_EQ(formatOf(name), written);
            if (written == ImageFormat::Jpeg2000) {
                // Written losslessly: every colour comes back.
                const codecs::Decoded back = codecs::readImageFile(name);
                ASSERT_TRUE(back.ok());
                EXPECT_TRUE(sameColoursShifted(original, back.image, 0, 0));
            }
        }
    }
    EXPECT_TRUE(noMessages());
}

TEST_F(SaveImageTest, Jpeg2000CodeStreamsAreRefusedWithoutConverting)
{
    for (const char* ext : {"j2k", "JPC"}) {
        show(sampleImage(ColourCode::Rgb32, 5, 4));
        prompt.shown.clear();
        saveAs(file(QStringLiteral("page.") + QLatin1String(ext)));
        EXPECT_EQ(shown().code(), ColourCode::Rgb32);
        ASSERT_EQ(prompt.messages().size(), 1);
        EXPECT_TRUE(
            prompt.messages()[0].startsWith(QStringLiteral("画像ﾌｧｲﾙを保存できませんでした。\r")));
        // A code stream is refused with a word on what to use instead.
        EXPECT_TRUE(prompt.messages()[0].contains(QStringLiteral(".jp2")));
        EXPECT_EQ(QDir(userFolder()).entryList(QDir::Files).filter(QStringLiteral("page")),
                  QStringList());
    }
}

TEST_F(SaveImageTest, TheDialogAndWhatASaveAsLeavesAlone)
{
    w->operations().SaveImage(true);  // no image: nothing is asked
    EXPECT_TRUE(prompt.shown.isEmpty());
    show(sampleImage(ColourCode::Rgb24, 6, 5));
    w->state().sCurFile = file(QStringLiteral("scan-001.bmp"));
    w->ikImg().FileObject().setFileName(QStringLiteral("/elsewhere/old.bmp"));
    w->operations().SaveImage(true);  // cancelled
    ASSERT_EQ(prompt.shown.size(), 1);
    EXPECT_EQ(prompt.shown[0].request.title, QStringLiteral("名前を付けて保存"));
    EXPECT_EQ(prompt.shown[0].request.initialName, file(QStringLiteral("scan-001.bmp")));
    EXPECT_EQ(QDir(userFolder()).entryList(QDir::Files), QStringList{"User.xml"});

    // A save as changes neither the current file nor the document state.
    saveAs(file(QStringLiteral("copy.png")));
    EXPECT_TRUE(QFile::exists(file(QStringLiteral("copy.png"))));
    EXPECT_EQ(w->state().sCurFile, file(QStringLiteral("scan-001.bmp")));
    EXPECT_EQ(w->document().state(), DocState::Unchanged);
    EXPECT_FALSE(w->busy().isBusy());
}

// The dialog proposes the current file with its type; without one it starts where the last save
// went, else in the work folder. A name typed without an extension takes the chosen type's.
TEST_F(SaveImageTest, TheDialogStartsAtTheCurrentFileAndANameWithoutExtensionTakesTheChosenType)
{
    show(sampleImage(ColourCode::Rgb24, 6, 5));
    w->state().sCurFile = file(QStringLiteral("page.PNG"));
    w->operations().SaveImage(true);  // cancelled
    ASSERT_EQ(prompt.shown.size(), 1);
    FileDialogRequest request = prompt.shown[0].request;
    EXPECT_EQ(request.initialName, file(QStringLiteral("page.PNG")));
    EXPECT_EQ(request.filters.value(request.selectedFilter),
              QString::fromUtf8("PNG ﾌｧｲﾙ|*.png;*.PNG"));

    w->state().sCurFile.clear();
    const int png = 5, gif = 6;
    ASSERT_TRUE(QDir().mkpath(file(QStringLiteral("out"))));
    prompt.filterAnswers.push_back(png);
    saveAs(file(QStringLiteral("out/first")));
    request = prompt.shown.last().request;
    EXPECT_EQ(request.initialName, QString());
    EXPECT_EQ(request.initialFolder, workFolder());
    EXPECT_EQ(request.filters.value(png), QString::fromUtf8("PNG ﾌｧｲﾙ|*.png;*.PNG"));
    EXPECT_EQ(formatOf(file(QStringLiteral("out/first.png"))), ImageFormat::Png);

    prompt.filterAnswers.push_back(gif);
    saveAs(file(QStringLiteral("out/second.bmp")));  // a typed extension decides
    EXPECT_EQ(prompt.shown.last().request.initialFolder, file(QStringLiteral("out")));
    EXPECT_EQ(formatOf(file(QStringLiteral("out/second.bmp"))), ImageFormat::Bmp);
    EXPECT_EQ(QDir(file(QStringLiteral("out"))).entryList(QDir::Files),
              (QStringList{"first.png", "second.bmp"}));
}

TEST_F(SaveImageTest, OverwriteSaveOfAJpegNameWritesJpegAtQuality80)
{
    show(sampleImage(ColourCode::Grey16, 16, 16));
    const QString name = file(QStringLiteral("x.jpeg"));
    w->state().sCurFile = name;
    w->document().SetDocState(DocState::Changed);
    w->ikImg().FileObject().setJpegQuality(10);
    w->menus().mnFile.item(1)->trigger();
    EXPECT_TRUE(prompt.shown.isEmpty());  // no dialog for a file of its own
    EXPECT_EQ(formatOf(name), ImageFormat::Jpeg);
    EXPECT_EQ(shown().code(), ColourCode::Rgb24);  // 40 is not taken as it is
    EXPECT_EQ(w->ikImg().FileObject().JpegQuality(), 80);
    EXPECT_EQ(w->state().sCurFile, name);
}

TEST_F(SaveImageTest, NamesWithoutExtensionBecomeBmpAlsoBelowAFolderWithADot)
{
    show(sampleImage(ColourCode::Palette16, 5, 5));
    ASSERT_TRUE(QDir().mkpath(file(QStringLiteral("a.b"))));
    saveAs(file(QStringLiteral("a.b/scan")));
    EXPECT_EQ(QDir(file(QStringLiteral("a.b"))).entryList(QDir::Files), QStringList{"scan.bmp"});
    EXPECT_EQ(formatOf(file(QStringLiteral("a.b/scan.bmp"))), ImageFormat::Bmp);

    // The dialog asked about "page", not about the "page.bmp" that will be replaced.
    writeFile(file(QStringLiteral("page.bmp")), "kept");
    saveAs(file(QStringLiteral("page")));
    ASSERT_EQ(prompt.shown.last().kind, QStringLiteral("confirm"));
    EXPECT_TRUE(
        prompt.shown.last().text.startsWith(file(QStringLiteral("page.bmp")) + QLatin1Char('\r')));
    EXPECT_EQ(readFile(file(QStringLiteral("page.bmp"))), QByteArray("kept"));
    prompt.confirmAnswers.push_back(true);
    saveAs(file(QStringLiteral("page")));
    EXPECT_EQ(formatOf(file(QStringLiteral("page.bmp"))), ImageFormat::Bmp);
}

TEST_F(SaveImageTest, UpperCaseExtensionsAreWrittenLowerUnlessTheFileExists)
{
    show(sampleImage(ColourCode::Rgb24, 8, 8));
    saveAs(file(QStringLiteral("PHOTO.JPG")));
    EXPECT_EQ(formatOf(file(QStringLiteral("PHOTO.jpg"))), ImageFormat::Jpeg);
    EXPECT_FALSE(QFile::exists(file(QStringLiteral("PHOTO.JPG"))));

    // Overwriting a file that has an upper-case extension replaces that file and makes no second
    // one beside it.
    const QString scan = file(QStringLiteral("SCAN.BMP"));
    writeBmp(scan, 3, 3);
    ASSERT_TRUE(w->imageFiles().LoadImageFile(scan));
    w->ikImg().currentImage().replace(sampleImage(ColourCode::Rgb24, 5, 4));  // an edit
    w->document().SetDocState(DocState::Changed);
    prompt.shown.clear();
    w->menus().mnFile.item(1)->trigger();
    EXPECT_TRUE(prompt.shown.isEmpty());
    EXPECT_FALSE(QFile::exists(file(QStringLiteral("SCAN.bmp"))));
    const codecs::Decoded back = codecs::readImageFile(scan);
    ASSERT_TRUE(back.ok());
    EXPECT_TRUE(samePixels(back.image, shown()));
}

// A page saved as FlashPix opens again in the window, at its size and dots per inch, close to
// what was saved (JPEG tiles).
TEST_F(SaveImageTest, AFlashPixSaveOpensAgain)
{
    const Image page =
        sampleImage(ColourCode::Rgb24, 150, 90, {PaletteKind::Usual, Pattern::Smooth});
    show(page);
    saveAs(file(QStringLiteral("page.FPX")));
    const QString saved = file(QStringLiteral("page.fpx"));
    EXPECT_EQ(formatOf(saved), ImageFormat::FlashPix);
    w->ikImg().currentImage().replace(sampleImage(ColourCode::Grey256, 3, 3));
    ASSERT_TRUE(w->imageFiles().LoadImageFile(saved));
    EXPECT_EQ(shown().code(), ColourCode::Rgb24);
    EXPECT_EQ(sizeOf(shown()), QSize(150, 90));
    EXPECT_EQ(dpiOf(shown()), QSize(200, 300));
    EXPECT_LT(meanDifference(shown(), page), 6.0);
    EXPECT_EQ(w->state().sCurFile, saved);
    EXPECT_TRUE(noMessages());
}

// A save that stops part-way (the file size limit stands in for a full disk) says why and leaves
// the file that was there as it was, with no temporary file beside it.
TEST_F(SaveImageTest, AFailedSaveTellsWhyAndKeepsTheOldFile)
{
    const QString page = file(QStringLiteral("page-001.bmp"));
    writeBmp(page, 4, 4);
    const QByteArray before = readFile(page);
    show(sampleImage(ColourCode::Rgb24, 400, 300));
    w->state().sCurFile = page;

    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit small{4096, old.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    w->operations().SaveImage(false);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    ASSERT_EQ(prompt.messages().size(), 1);
    EXPECT_TRUE(prompt.messages()[0].startsWith(
        QStringLiteral("画像ﾌｧｲﾙを保存できませんでした。\r") + page + QLatin1Char('\r')));
    EXPECT_EQ(readFile(page), before);
    EXPECT_EQ(QDir(userFolder()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"page-001.bmp", "User.xml"}));
    EXPECT_FALSE(w->busy().isBusy());
}

}  // namespace
}  // namespace tavlo::test
