#include "imaging/print/qt_printer_access.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace tavlo {

bool QtPrinterAccess::showDialog(QPrinter& printer,
                                 QAbstractPrintDialog::PrintDialogOptions options, QWidget* parent)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("印刷"));
    dialog.setOptions(options);
    return dialog.exec() == QDialog::Accepted;
}

bool QtPrinterAccess::printerExists(const QString& name)
{
    return !name.isEmpty() && !QPrinterInfo::printerInfo(name).isNull();
}

}  // namespace tavlo
