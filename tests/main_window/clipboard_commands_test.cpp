#include "imaging/clipboard/clipboard_picture.h"
#include "imaging/imaging_control.h"
#include "main_window/document_state.h"
#include "main_window/menu_tree.h"

#include "tests/support/test_images.h"
#include "tests/main_window/image_commands_fixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLocale>
#include <QMimeData>
#include <QTest>

namespace tavlo::test {
namespace {

QClipboard& clipboard()
{
    return *QGuiApplication::clipboard();
}

// The picture on the clipboard, read the way a paste reads it.
Image clipboardImage()
{
    CurrentImage current;
    return loadImageFromClipboard(current) && current.image() ? *current.image() : Image();
}

class ClipboardCommands : public ImageCommandsTest {
protected:
    void SetUp() override
    {
        ImageCommandsTest::SetUp();
        clipboard().clear();
        QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));  // grouped numbers
    }
    void TearDown() override
    {
        clipboard().clear();
        QLocale::setDefault(QLocale::c());
        ImageCommandsTest::TearDown();
    }
    void paste() { w->menus().mnClp.item(3)->trigger(); }
};

TEST_F(ClipboardCommands, APastedBitmapGets96DotsPerInchAndNoFile)
{
    show(sampleImage(ColourCode::Rgb24, 5, 5));
    w->state().sCurFile = userFolder() + QStringLiteral("/old.bmp");
    select(1, 1, 3, 3);
    Image picture = distinctImage(ColourCode::Rgb24, 200, 100);
    picture.setDpi(300, 300);
    ASSERT_TRUE(copyImageToClipboard(picture));
    paste();
    EXPECT_TRUE(sameColoursShifted(picture, shown(), 0, 0));
    EXPECT_EQ(shown().width(), 200);  // a bitmap keeps its size
    EXPECT_EQ(shown().dpiX(), 96);
    EXPECT_EQ(shown().dpiY(), 96);
    EXPECT_EQ(w->state().sCurFile, QString());
    EXPECT_EQ(w->document().state(), DocState::Unchanged);
    EXPECT_TRUE(w->document().hasUnsavedPixels());  // in no file
    EXPECT_EQ(tickedCodes(), QList<int>{24});
    EXPECT_EQ(w->ikImg().SelRight(), 0);
    EXPECT_FALSE(w->busy().isBusy());

    // The pasted image is in no file: each paste below is answered 破棄 first.
    prompt.chooseAnswers = {1, 1};
    // Nothing to paste: only the selection is cleared.
    w->document().SetDocState(DocState::Changed);
    select(1, 1, 3, 3);
    clipboard().setText(QStringLiteral("文字だけ"));
    paste();
    EXPECT_TRUE(sameColoursShifted(picture, shown(), 0, 0));
    EXPECT_EQ(w->document().state(), DocState::Changed);
    EXPECT_EQ(w->ikImg().SelRight(), 0);

    // The after-scan reduction applies to pastes.
    w->menus().mnGen.item(4)->trigger();  // "ｸﾞﾚｰ(8bit)"
    ASSERT_TRUE(copyImageToClipboard(picture));
    paste();
    EXPECT_EQ(shown().code(), ColourCode::Grey256);
    EXPECT_EQ(tickedCodes(), QList<int>{80});
    EXPECT_EQ(w->state().sClrCd, QStringLiteral("80"));
    EXPECT_EQ(w->document().state(), DocState::Unchanged);
    EXPECT_EQ(prompt.questions().size(), 2);
}

TEST_F(ClipboardCommands, AVectorPictureIsRenderedOnWhiteAndTrimmedByTwo)
{
    auto* data = new QMimeData;
    data->setData(QStringLiteral("image/svg+xml"),
                  "<svg xmlns='http://www.w3.org/2000/svg' width='200' height='100'>"
                  "<rect x='0' y='0' width='100' height='100' fill='#ff0000'/></svg>");
    clipboard().setMimeData(data);
    paste();
    ASSERT_EQ(shown().width(), 198);
    ASSERT_EQ(shown().height(), 98);
    EXPECT_EQ(shown().code(), ColourCode::Rgb24);
    EXPECT_EQ(w->ikImg().ImageKind(), 1);
    EXPECT_EQ(shown().pixelColour(10, 10), qRgb(255, 0, 0));
    EXPECT_EQ(shown().pixelColour(150, 50), qRgb(255, 255, 255));
    EXPECT_EQ(shown().dpiX(), 96);
}

TEST_F(ClipboardCommands, CopyTakesTheSelectionAndLeavesTheViewWhole)
{
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    const Image in = distinctImage(ColourCode::Rgb24, 9, 7);
    show(in);
    const quint32 handle = w->ikImg().ImageHandle();
    select(2, 1, 6, 4);
    w->menus().mnClp.item(0)->trigger();
    const Image copied = clipboardImage();
    ASSERT_EQ(copied.width(), 4);
    ASSERT_EQ(copied.height(), 3);
    EXPECT_TRUE(sameColoursShifted(in, copied, 2, 1));
    EXPECT_EQ(copied.dpiX(), 96);
    // The view: the same image, pixels, resolution and selection.
    EXPECT_EQ(w->ikImg().ImageHandle(), handle);
    EXPECT_TRUE(samePixels(shown(), in));
    EXPECT_EQ(shown().dpiX(), 200);
    EXPECT_EQ(QList<int>({w->ikImg().SelLeft(), w->ikImg().SelTop(), w->ikImg().SelRight(),
                          w->ikImg().SelBottom()}),
              QList<int>({2, 1, 6, 4}));
    EXPECT_EQ(w->ikImg2().ImageHandle(), 0u);

    // Without a selection the whole image; "・最小化" minimises the window after the copy.
    w->operations().ClearSelection(false);
    w->menus().mnClp.item(1)->trigger();
    EXPECT_TRUE(samePixels(clipboardImage(), in));
    EXPECT_TRUE(w->isMinimized());
}

TEST_F(ClipboardCommands, TheReportGoesToTheClipboardAndIsShown)
{
    const std::tuple<ColourCode, int, const char*> rows[] = {
        {ColourCode::Rgb24, 96, "921,600|96|16,777,216 (24bit)"},
        {ColourCode::Mono, 96, "38,400|96|2 (1bit)"},
        {ColourCode::Rgb32, 300, "1,228,800|300|4,294,967,296 (32bit)"},
        {ColourCode::Grey256, 0, "307,200|72|256 (8bit)"},  // no resolution reads as 72
    };
    for (const auto& [code, dpi, facts] : rows) {
        Image image = Image::create(640, 480, code);
        image.setDpi(dpi, dpi);
        show(image);
        ASSERT_TRUE(copyImageToClipboard(image));
        prompt.shown.clear();
        w->menus().mnFile.item(13)->trigger();
        const QStringList f = QString::fromUtf8(facts).split(u'|');
        const QString expected =
            QStringLiteral("ｲﾒｰｼﾞｻｲｽﾞ: %1\r巾: 640ﾋﾟｸｾﾙ\r高さ: 480ﾋﾟｸｾﾙ\r\r解像度巾: %2ﾋﾟｸｾﾙ/ｲﾝﾁ\r"
                           "解像度高さ: %2ﾋﾟｸｾﾙ/ｲﾝﾁ\r\r色数: %3\r\r***  Clipboard に貼り付けました")
                .arg(f[0], f[1], f[2]);
        EXPECT_EQ(clipboard().text(), QString(expected).replace(u'\r', u'\n'));
        EXPECT_FALSE(clipboard().mimeData()->hasImage());  // the text replaced the picture
        ASSERT_EQ(prompt.shown.size(), 1);
        EXPECT_EQ(prompt.shown[0].kind, QStringLiteral("message"));
        EXPECT_EQ(prompt.shown[0].title, QStringLiteral("Tavlo"));
        EXPECT_EQ(prompt.shown[0].text, expected);
    }

    // Without an image neither command touches the clipboard.
    w->ikImg().DrawImage(0);
    clipboard().setText(QStringLiteral("keep"));
    prompt.shown.clear();
    w->operations().ShowImageDetails();
    w->operations().CopyImageToClipboard();
    EXPECT_EQ(clipboard().text(), QStringLiteral("keep"));
    EXPECT_TRUE(prompt.shown.isEmpty());
}

}  // namespace
}  // namespace tavlo::test
