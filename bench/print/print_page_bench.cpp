// tavlo-print-page PAGE OUT.pdf: reads an image file and prints it as "印刷(&P)" does (its
// physical size fitted to A4 without margins) to the PDF file OUT.pdf, then exits when the file is
// complete. bench/print_figures.sh times this whole process against img2pdf and ImageMagick.
#include "bench/print/pdf_printer.h"
#include "bench/scan/scan_bench_support.h"
#include "environment/process_values.h"
#include "imaging/imaging_control.h"
#include "imaging/print/print_spooler.h"
#include "main_window/print_controller.h"

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdio>

int main(int argc, char** argv)
{
    using namespace tavlo;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::PrintingPrompt prompt;
    setUserPrompt(&prompt);
    if (argc != 3) {
        std::fprintf(stderr, "usage: tavlo-print-page PAGE OUT.pdf\n");
        return 2;
    }
    QTemporaryDir userData;  // "IkPrn.Ik" goes here
    processValues().userDataFolder = userData.path() + QLatin1Char('/');
    const QString out = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
    bench::PdfPrinter dialog(out);

    QWidget window;
    ImagingControl control(&window);
    control.FileObject().setFileName(QString::fromLocal8Bit(argv[1]));
    if (!control.FileObject().LoadFile()) {
        std::fprintf(stderr, "tavlo-print-page: cannot read %s\n", argv[1]);
        return 1;
    }
    QString failure;
    PrintController printing(window, control);
    QObject::connect(&control.PrinterObject().spooler(), &PrintSpooler::JobFinished,
                     [&failure](const QString&, const QString& reason) { failure = reason; });
    printing.PrintImage(PrintAtImageSize);
    control.PrinterObject().spooler().waitUntilPendingBelow(1);
    if (!failure.isEmpty() || prompt.messages > 0 || !QFileInfo::exists(out)) {
        std::fprintf(stderr, "tavlo-print-page: %s\n", failure.toUtf8().constData());
        return 1;
    }
    return 0;
}
