#include "main_window/print_controller.h"

#include "environment/process_values.h"
#include "environment/user_prompt.h"
#include "imaging/imaging_control.h"
#include "imaging/print/print_size.h"
#include "imaging/print/print_spooler.h"
#include "imaging/scan/scanner_object.h"

#include <QWidget>

namespace tavlo {
namespace {

// The printer dialog's flags: no "selection" and no page range (a one-page print), copies and
// collation as the printer offers them.
constexpr int kDialogFlags = 0x10000C;

const QString kCannotPrint = QStringLiteral("印刷できませんでした。\r");

}  // namespace

PrintController::PrintController(QWidget& window, ImagingControl& ikImg, QObject* parent)
    : QObject(parent), m_window(window), m_ikImg(ikImg)
{
}

PrintSpooler& PrintController::spooler()
{
    // Connected on first use: the spooler's thread starts only when something is printed.
    PrintSpooler& spooler = m_ikImg.PrinterObject().spooler();
    if (!m_watchingJobs) {
        connect(&spooler, &PrintSpooler::JobFinished, this, &PrintController::jobFinished);
        m_watchingJobs = true;
    }
    return spooler;
}

QString PrintController::settingsFilePath()
{
    return processValues().userDataFolder + QStringLiteral("IkPrn.Ik");
}

void PrintController::tell(const QString& text)
{
    userPrompt().message(programTitle(), text);
}

bool PrintController::choosePrinter(bool alwaysAsk)
{
    tavlo::PrinterObject& printer = m_ikImg.PrinterObject();
    printer.setSettingsFile(settingsFilePath());
    // Loaded also before the dialog of "印刷設定", so that it starts from the saved choice.
    if (printer.LoadPrinterSettings(1) && !alwaysAsk)
        return true;
    printer.setSetupOption(1);
    printer.setSetupFlags(kDialogFlags);
    printer.setSetupOption2(0);
    return printer.ShowPrinterDialog(&m_window);
}

void PrintController::saveSettings()
{
    tavlo::PrinterObject& printer = m_ikImg.PrinterObject();
    if (!printer.SavePrinterSettings())
        tell(QStringLiteral("印刷設定を保存できませんでした。\r") + printer.SettingsFile() +
             QLatin1Char('\r') + printer.LastError());
}

void PrintController::PrintImage(int mode)
{
    if (mode == PrintSetup) {
        if (choosePrinter(true))
            saveSettings();
        return;
    }
    if (m_ikImg.ImageHandle() == 0)
        return;
    if (!choosePrinter(false))
        return;
    printCurrentImage(mode);
    saveSettings();
}

void PrintController::BeginScanRun()
{
    m_runReady = false;
    m_runDeclined = false;
}

void PrintController::PrintScannedPage(int mode)
{
    if (m_runDeclined || m_ikImg.ImageHandle() == 0)
        return;
    // Every waiting job holds a whole page: keep the queue short. Events run meanwhile.
    spooler().waitUntilPendingBelow(kJobsAhead);
    if (m_runDeclined)  // a job failed while this page waited
        return;
    if (!m_runReady) {
        if (!choosePrinter(false)) {
            m_runDeclined = true;
            return;
        }
    }
    printCurrentImage(mode);
    if (!m_runReady) {
        saveSettings();
        m_runReady = true;
    }
}

void PrintController::printCurrentImage(int mode)
{
    m_ikImg.UpdateImageInfo();
    PrintSize size = physicalPrintSize(m_ikImg.ImageWidth(), m_ikImg.ImageHeight(),
                                       m_ikImg.XResolution(), m_ikImg.YResolution());

    spooler();
    tavlo::PrinterObject& printer = m_ikImg.PrinterObject();
    printer.setDocName(QStringLiteral("Print Out"));
    if (!printer.BeginDoc()) {
        if (m_ikImg.ScannerObject().isAcquiring())
            m_runDeclined = true;
        tell(kCannotPrint + printer.LastError());
        return;
    }
    printer.BeginPage();
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    printer.GetPrintableArea(printer.PrinterDC(), 1, left, top, right, bottom);
    size = fitPrintSize(size, right - left, bottom - top,
                        mode == PrintAtPaperSize ? PrintFit::PaperSize : PrintFit::ImageSize);
    printer.DrawOnPrinter(printer.PrinterDC(), m_ikImg.ImageHandle(), 0, 0, size.width, size.height,
                          -1, -1, 1);
    printer.EndPage();
    printer.EndDoc();
}

void PrintController::jobFinished(const QString& target, const QString& reason)
{
    if (reason.isEmpty())
        return;
    // Told once: the rest of a running scan is saved without printing.
    if (m_ikImg.ScannerObject().isAcquiring())
        m_runDeclined = true;
    tell(kCannotPrint + target + QLatin1Char('\r') + reason);
}

}  // namespace tavlo
