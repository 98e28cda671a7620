// The printer object printing to PDF files through the dialog's double, read back with poppler:
// the image's own pixels at their own resolution, placed at the printable area's top-left, the
// settings file, and files that are never replaced or left half-written.
#include "imaging/image_store.h"
#include "imaging/print/print_spooler.h"
#include "imaging/print/printer_object.h"

#include "tests/support/recording_printer.h"
#include "tests/support/test_images.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace tavlo {
namespace {

using test::pdfImage;
using test::readPdf;

class PrinterObjectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        dialog.pdfFile = path(QStringLiteral("out.pdf"));
        printer.setSettingsFile(path(QStringLiteral("IkPrn.Ik")));
    }
    void TearDown() override
    {
        for (quint32 handle : handles)
            ImageStore::instance().release(handle);
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    // Prints image at x, y with size w x h (0.1 mm) as one job and waits for it; the job's
    // reason ("" when it was written).
    QString print(const Image& image, int x, int y, int w, int h)
    {
        const quint32 handle = ImageStore::instance().add(image);
        handles.append(handle);
        QSignalSpy finished(&printer.spooler(), &PrintSpooler::JobFinished);
        printer.setDocName(QStringLiteral("Print Out"));
        if (!printer.BeginDoc())
            return printer.LastError();
        EXPECT_TRUE(printer.BeginPage());
        EXPECT_TRUE(printer.DrawOnPrinter(printer.PrinterDC(), handle, x, y, w, h, -1, -1, 1));
        EXPECT_TRUE(printer.EndPage());
        EXPECT_TRUE(printer.EndDoc());
        EXPECT_TRUE(finished.wait(60000));
        return finished.isEmpty() ? QStringLiteral("no answer") : finished[0][1].toString();
    }

    QTemporaryDir dir;
    test::RecordingPrinter dialog;
    PrinterObject printer;
    QList<quint32> handles;
};

// Every colour-depth code prints with its own pixels, unscaled and unconverted in colour: an odd
// size, each pixel exactly as in the image, at the resolution the physical size gives; a 1-bit
// page stays one bit deep, so it prints sharp black and white.
TEST_F(PrinterObjectTest, EveryColourCodePrintsItsOwnPixelsAtItsOwnResolution)
{
    ASSERT_TRUE(printer.ShowPrinterDialog(nullptr));
    int n = 0;
    for (ColourCode code : kAllColourCodes) {
        Image image = test::sampleImage(code, 113, 157, 7u);
        image.setDpi(300, 150);
        dialog.pdfFile = path(QStringLiteral("code%1.pdf").arg(++n));
        ASSERT_TRUE(printer.ShowPrinterDialog(nullptr));
        // 113 px at 300 dpi = 9.567 mm, 157 px at 150 dpi = 26.585 mm.
        ASSERT_EQ(print(image, 0, 0, 96, 266), QString()) << code;
        const test::PdfPage pdf = readPdf(dialog.pdfFile);
        ASSERT_EQ(pdf.images.size(), 1) << code;
        const test::PdfImage embedded = pdfImage(pdf.images[0]);
        EXPECT_EQ(embedded.width, 113) << code;
        EXPECT_EQ(embedded.height, 157) << code;
        EXPECT_NEAR(embedded.ppiX, 300, 1) << code;
        EXPECT_NEAR(embedded.ppiY, 150, 1) << code;
        if (code == ColourCode::Mono) {
            EXPECT_EQ(embedded.bitsPerComponent, 1);
        }

        QProcess extract;
        extract.start(QStringLiteral("pdfimages"),
                      {QStringLiteral("-png"), dialog.pdfFile, path(QStringLiteral("x%1").arg(n))});
        ASSERT_TRUE(extract.waitForFinished(60000));
        const QImage back(path(QStringLiteral("x%1-000.png").arg(n)));
        ASSERT_EQ(back.size(), QSize(113, 157)) << code;
        int wrong = 0;
        for (int y = 0; y < 157; ++y)
            for (int x = 0; x < 113; ++x)
                wrong += (back.pixel(x, y) & 0xffffff) != (image.pixelColour(x, y) & 0xffffff);
        EXPECT_EQ(wrong, 0) << code;
    }
}

// The image lies at the printable area's top-left, at the size it was given.
TEST_F(PrinterObjectTest, TheImageLiesAtThePrintableAreasTopLeft)
{
    dialog.marginsMm = QMarginsF(20, 30, 10, 10);
    ASSERT_TRUE(printer.ShowPrinterDialog(nullptr));
    ASSERT_TRUE(printer.BeginDoc());
    ASSERT_TRUE(printer.BeginPage());
    int left = 0, top = 0, right = 0, bottom = 0;
    EXPECT_FALSE(printer.GetPrintableArea(printer.PrinterDC(), 0, left, top, right, bottom));
    ASSERT_TRUE(printer.GetPrintableArea(printer.PrinterDC(), 1, left, top, right, bottom));
    EXPECT_EQ(QList<int>({left, top, right, bottom}), QList<int>({200, 300, 2000, 2870}));
    printer.EndPage();
    printer.EndDoc();
    printer.spooler().waitUntilPendingBelow(1);

    // A black inch square: at 100 dpi from (20 mm, 30 mm) = (78.7, 118.1) pixels, 100 wide.
    const Image black = Image::create(300, 300, ColourCode::Mono);  // index 0: black
    ASSERT_EQ(black.pixelColour(0, 0), qRgb(0, 0, 0));
    ASSERT_EQ(print(black, 0, 0, 254, 254), QString());
    const QImage page = test::renderPdfPage(path(QStringLiteral("out (2).pdf")), 100);
    ASSERT_FALSE(page.isNull());
    QRect dark;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 128)
                dark |= QRect(x, y, 1, 1);
    EXPECT_NEAR(dark.left(), 79, 1);
    EXPECT_NEAR(dark.top(), 118, 1);
    EXPECT_NEAR(dark.width(), 100, 1);
    EXPECT_NEAR(dark.height(), 100, 1);
}

// The settings file brings the choice back; a later job with it never replaces a file, not even
// one a job still waiting in the queue is about to write.
TEST_F(PrinterObjectTest, TheSavedChoiceComesBackAndNeverReplacesAFile)
{
    EXPECT_FALSE(printer.LoadPrinterSettings(1));  // no file yet
    ASSERT_TRUE(printer.ShowPrinterDialog(nullptr));
    const Image page = test::plainImage(ColourCode::Grey256, 50, 50, qRgb(9, 9, 9));
    ASSERT_EQ(print(page, 0, 0, 100, 100), QString());
    ASSERT_TRUE(printer.SavePrinterSettings());

    PrinterObject later;
    later.setSettingsFile(printer.SettingsFile());
    ASSERT_TRUE(later.LoadPrinterSettings(1));
    const quint32 handle = ImageStore::instance().add(page);
    handles.append(handle);
    for (int job = 0; job < 3; ++job) {
        ASSERT_TRUE(later.BeginDoc());
        later.BeginPage();
        later.DrawOnPrinter(later.PrinterDC(), handle, 0, 0, 100, 100, -1, -1, 1);
        later.EndPage();
        later.EndDoc();
    }
    later.spooler().waitUntilPendingBelow(1);
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name),
              QStringList({"out (2).pdf", "out (3).pdf", "out (4).pdf", "out.pdf"}));
    EXPECT_EQ(dialog.dialogs, 1);

    // The queue is gone, or the PDF file's folder: no usable settings.
    QFile::remove(printer.SettingsFile());
    QFile settings(printer.SettingsFile());
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    QByteArray text = PrintSettings::capture(later.printer()).toText();
    settings.write(
        text.replace("output=pdf", "output=printer").replace("printer=\n", "printer=Gone\n"));
    settings.close();
    EXPECT_FALSE(later.LoadPrinterSettings(1));
    dialog.queues = QStringList{QStringLiteral("Gone")};
    EXPECT_TRUE(later.LoadPrinterSettings(1));
}

// A file that cannot be written is a failure with a reason, and no half file is left.
TEST_F(PrinterObjectTest, AFileThatCannotBeWrittenFailsWithAReason)
{
    // The chosen name is a folder: the job fails when the file would take its place.
    dialog.pdfFile = path(QStringLiteral("folder.pdf"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.pdf")));
    ASSERT_TRUE(printer.ShowPrinterDialog(nullptr));
    const Image page = test::plainImage(ColourCode::Rgb24, 20, 20, qRgb(1, 2, 3));
    EXPECT_NE(print(page, 0, 0, 100, 100), QString());
    EXPECT_TRUE(QFileInfo(dialog.pdfFile).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());

    // A folder that does not exist is refused before any job.
    dialog.pdfFile = path(QStringLiteral("missing/out.pdf"));
    ASSERT_TRUE(printer.ShowPrinterDialog(nullptr));
    EXPECT_FALSE(printer.BeginDoc());
    EXPECT_TRUE(printer.LastError().startsWith(QStringLiteral("印刷先のﾌｫﾙﾀﾞがありません。")));
}

}  // namespace
}  // namespace tavlo
