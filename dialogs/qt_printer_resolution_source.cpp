#include "dialogs/qt_printer_resolution_source.h"

#include "dialogs/dialogs_log.h"

#include <QPrintDialog>
#include <QPrinter>

namespace tavlo {

QString QtPrinterResolutionSource::dialogTitle()
{
    return QStringLiteral("ﾌﾟﾘﾝﾀｰの設定");
}

std::optional<PrinterResolution> QtPrinterResolutionSource::choosePrinter(QWidget* parent)
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(dialogTitle());
    // A set-up dialog: the printer and its page, no page ranges, copies or output file choices.
    dialog.setOptions(QAbstractPrintDialog::PrintShowPageSize);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;

    PrinterResolution chosen;
    chosen.name = printer.printerName();
    // Without a print system (no CUPS) the only "printer" Qt offers is its PDF writer.
    if (chosen.name.isEmpty() && printer.outputFormat() == QPrinter::PdfFormat) {
        qCInfo(lcDialogs) << "no print system: the resolution is the PDF writer's";
        chosen.name = QStringLiteral("PDF");
    }
    chosen.horizontal = printer.logicalDpiX();
    chosen.vertical = printer.logicalDpiY();
    return chosen;
}

}  // namespace tavlo
