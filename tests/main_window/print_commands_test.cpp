// "印刷設定" and "印刷(&P)" through the window, printed to PDF files by the printer dialog's double
// and read back with poppler: sizes on paper, the settings file "IkPrn.Ik", and failures told.
#include "imaging/imaging_control.h"
#include "imaging/print/print_spooler.h"
#include "main_window/command_router.h"
#include "main_window/print_controller.h"

#include "tests/main_window/image_commands_fixture.h"
#include "tests/support/recording_printer.h"
#include "tests/support/test_images.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tavlo::test {
namespace {

class PrintCommandsTest : public ImageCommandsTest {
protected:
    void SetUp() override
    {
        ImageCommandsTest::SetUp();
        ASSERT_TRUE(m_out.isValid());
        dialog.pdfFile = out(QStringLiteral("page.pdf"));
    }

    QString out(const QString& name) const { return m_out.filePath(name); }
    QString settingsFile() const { return userFolder() + QStringLiteral("/IkPrn.Ik"); }
    QStringList pdfFiles() const
    {
        return QDir(m_out.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
    }

    // "印刷設定" (4) or "印刷(&P)" (5), as the user chooses them; returns when every job is done.
    void choose(int index)
    {
        w->router().mnFile_Click(index);
        waitForJobs();
    }
    void waitForJobs() { w->ikImg().PrinterObject().spooler().waitUntilPendingBelow(1); }

    RecordingPrinter dialog;

private:
    QTemporaryDir m_out;
};

Image imageAt(ColourCode code, int width, int height, int dpi)
{
    Image image = Image::create(width, height, code);
    image.setDpi(dpi, dpi);
    return image;
}

// Printed sizes on A4: the image's pixels go into the PDF whole, so the resolution poppler reports
// is the printed size. A4 at 300 dpi fills the page; a smaller printable area shrinks it by its
// tighter side; no resolution reads as 72 dpi; a small image is never enlarged by "印刷(&P)" and
// fills the area with "用紙ｻｲｽﾞで印刷".
TEST_F(PrintCommandsTest, ThePageGetsTheImagesPhysicalSizeFittedToThePrintableArea)
{
    const struct {
        const char* what;
        Image image;
        double marginMm;
        int mode;
        QSize pixels;
        double ppi;  // pixels / printed inches
    } cases[] = {
        {"A4 at 300 dpi",
         imageAt(ColourCode::Mono, 2480, 3508, 300),
         0,
         PrintAtImageSize,
         {2480, 3508},
         300},
        {"A4 in 190 x 277 mm",
         imageAt(ColourCode::Mono, 2480, 3508, 300),
         10,
         PrintAtImageSize,
         {2480, 3508},
         2480 * 25.4 / 190},
        {"254 mm square at 0 dpi",
         imageAt(ColourCode::Grey256, 720, 720, 0),
         0,
         PrintAtImageSize,
         {720, 720},
         720 * 25.4 / 210},
        {"an inch at image size",
         imageAt(ColourCode::Rgb24, 300, 300, 300),
         0,
         PrintAtImageSize,
         {300, 300},
         300},
        {"an inch at paper size",
         imageAt(ColourCode::Rgb24, 300, 300, 300),
         5,
         PrintAtPaperSize,
         {300, 300},
         300 * 25.4 / 200},
    };
    int n = 0;
    for (const auto& c : cases) {
        QFile::remove(settingsFile());  // the dialog sets this case's margins
        dialog.pdfFile = out(QStringLiteral("case%1.pdf").arg(++n));
        dialog.marginsMm = QMarginsF(c.marginMm, c.marginMm, c.marginMm, c.marginMm);
        show(c.image);
        w->printing().PrintImage(c.mode);
        waitForJobs();
        const PdfPage pdf = readPdf(dialog.pdfFile);
        EXPECT_NEAR(pdf.sizeMm.width(), 210, 0.5) << c.what;
        EXPECT_NEAR(pdf.sizeMm.height(), 297, 0.5) << c.what;
        ASSERT_EQ(pdf.images.size(), 1) << c.what;
        const PdfImage image = pdfImage(pdf.images[0]);
        EXPECT_EQ(QSize(image.width, image.height), c.pixels) << c.what;
        EXPECT_NEAR(image.ppiX, c.ppi, 1) << c.what;
        EXPECT_NEAR(image.ppiY, c.ppi, 1) << c.what;
    }
    EXPECT_EQ(dialog.dialogs, n);
    EXPECT_TRUE(noMessages());
}

// The first "印刷(&P)" asks for the printer and keeps the choice in "IkPrn.Ik"; the next one prints
// without asking, into a new file beside the first.
TEST_F(PrintCommandsTest, TheFirstPrintAsksAndTheNextPrintsWithTheSavedChoice)
{
    choose(5);  // disabled without an image: nothing
    EXPECT_EQ(dialog.dialogs, 0);

    show(imageAt(ColourCode::Grey256, 100, 100, 100));
    choose(5);
    EXPECT_EQ(dialog.dialogs, 1);
    // One page, no selection and no page range to choose.
    EXPECT_FALSE(dialog.lastOptions & QAbstractPrintDialog::PrintPageRange);
    EXPECT_FALSE(dialog.lastOptions & QAbstractPrintDialog::PrintSelection);
    EXPECT_TRUE(QFileInfo::exists(settingsFile()));
    EXPECT_EQ(pdfFiles(), QStringList{"page.pdf"});

    choose(5);
    EXPECT_EQ(dialog.dialogs, 1);
    EXPECT_EQ(pdfFiles(), QStringList({"page (2).pdf", "page.pdf"}));
    EXPECT_EQ(readPdf(out(QStringLiteral("page (2).pdf"))).pages, 1);

    // A damaged settings file counts as none: the dialog comes back, and its choice is saved.
    writeFile(settingsFile(), "IkPrn 1\noutput=pdf\nfile=");
    dialog.pdfFile = out(QStringLiteral("again.pdf"));
    choose(5);
    EXPECT_EQ(dialog.dialogs, 2);
    EXPECT_TRUE(QFileInfo::exists(dialog.pdfFile));
    EXPECT_TRUE(readFile(settingsFile()).contains("again.pdf"));
    EXPECT_TRUE(noMessages());
}

// "印刷設定" always shows the dialog, with or without an image and a saved choice; OK saves the
// choice, Cancel keeps the one before; nothing is printed.
TEST_F(PrintCommandsTest, PrintSettingsAlwaysAsksAndPrintsNothing)
{
    choose(4);
    EXPECT_EQ(dialog.dialogs, 1);
    const QByteArray first = readFile(settingsFile());
    EXPECT_TRUE(first.contains("page.pdf"));

    show(imageAt(ColourCode::Rgb24, 10, 10, 96));
    dialog.pdfFile = out(QStringLiteral("other.pdf"));
    choose(4);
    EXPECT_EQ(dialog.dialogs, 2);
    EXPECT_TRUE(readFile(settingsFile()).contains("other.pdf"));

    dialog.accept = false;
    dialog.pdfFile = out(QStringLiteral("cancelled.pdf"));
    choose(4);
    EXPECT_EQ(dialog.dialogs, 3);
    EXPECT_TRUE(readFile(settingsFile()).contains("other.pdf"));
    EXPECT_EQ(pdfFiles(), QStringList());

    // "印刷(&P)" then prints to the choice without asking.
    choose(5);
    EXPECT_EQ(dialog.dialogs, 3);
    EXPECT_EQ(pdfFiles(), QStringList{"other.pdf"});
    EXPECT_TRUE(noMessages());
}

// Cancel prints nothing and says nothing; a job that cannot be written is told, naming the file.
TEST_F(PrintCommandsTest, CancelPrintsNothingAndAFailedJobIsTold)
{
    show(imageAt(ColourCode::Rgb24, 10, 10, 96));
    dialog.accept = false;
    choose(5);
    EXPECT_EQ(dialog.dialogs, 1);
    EXPECT_FALSE(QFileInfo::exists(settingsFile()));
    EXPECT_TRUE(noMessages());

    dialog.accept = true;
    dialog.pdfFile = out(QStringLiteral("taken.pdf"));
    ASSERT_TRUE(QDir(QFileInfo(dialog.pdfFile).path()).mkdir(QStringLiteral("taken.pdf")));
    choose(5);
    ASSERT_EQ(prompt.messages().size(), 1);
    EXPECT_TRUE(prompt.messages()[0].startsWith(QStringLiteral("印刷できませんでした。\r") +
                                                dialog.pdfFile))
        << prompt.messages()[0].toStdString();
    // The attempt got past the dialog: its choice is kept.
    EXPECT_TRUE(readFile(settingsFile()).contains("taken.pdf"));

    dialog.pdfFile = out(QStringLiteral("no folder/page.pdf"));
    choose(4);
    choose(5);
    ASSERT_EQ(prompt.messages().size(), 2);
    EXPECT_TRUE(prompt.messages()[1].startsWith(QStringLiteral("印刷できませんでした。\r")));
}

}  // namespace
}  // namespace tavlo::test
