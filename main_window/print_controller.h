#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace tavlo {

class ImagingControl;
class PrintSpooler;

// The caller's mode of PrintImage: the menu item "印刷設定", or how an image is printed ("印刷(&P)"
// and after a scan the index of the checked "ｽｷｬﾝ後印刷" item, iPrnMd).
enum PrintMode {
    PrintSetup = 0,        // 印刷設定: the printer dialog, always; nothing is printed
    PrintAtImageSize = 1,  // 印刷(&P), 画像ｻｲｽﾞで印刷: physical size, shrunk to fit
    PrintAtPaperSize = 2,  // 用紙ｻｲｽﾞで印刷: as large as the printable area allows
};

// Printing the current image on one page through the view's printer object
// (ImagingControl::PrinterObject), with the printer choice kept in "IkPrn.Ik" in the user data
// folder.
//
// PrintImage(mode):
//   PrintSetup      shows the printer dialog (starting from the saved choice when there is one)
//                   and saves the choice on OK. Needs no image.
//   PrintAtImageSize, PrintAtPaperSize
//                   without an image nothing happens. The image's physical size in 0.1 mm
//                   (pixels / dots per inch x 254; 0 dpi counts as 72) is fitted to the printable
//                   area (fitPrintSize) and drawn at its top-left, document name "Print Out". The
//                   dialog shows only when "IkPrn.Ik" gives no usable choice (missing, damaged,
//                   its printer gone); Cancel prints nothing. The choice is saved after every
//                   attempt that got past the dialog.
// The job is rendered and sent on the printer object's spooler thread; PrintImage returns once it
// is queued. A job that fails is told to the user in Japanese when it ends.
//
// After a scan (PrintScannedPage, one job per page) the same steps run with these differences,
// so that printing never stalls a feeder run: at most kJobsAhead jobs wait for the spooler (the
// page handler serves the window's events while it waits for a place); "IkPrn.Ik" is read and
// written once per run, not once per page; and when the user cancels the printer dialog, or a job
// fails, the rest of the run is scanned and saved without printing and without asking again.
// BeginScanRun starts that bookkeeping afresh for each run.
//
// User-interface thread only.
class PrintController : public QObject {
    Q_OBJECT
public:
    PrintController(QWidget& window, ImagingControl& ikImg, QObject* parent = nullptr);

    void PrintImage(int mode);

    void BeginScanRun();
    void PrintScannedPage(int mode);

    // The print settings file: the user data folder + "IkPrn.Ik".
    static QString settingsFilePath();

    static constexpr int kJobsAhead = 2;

private:
    PrintSpooler& spooler();
    bool choosePrinter(bool alwaysAsk);
    void printCurrentImage(int mode);
    void saveSettings();
    void jobFinished(const QString& target, const QString& reason);
    void tell(const QString& text);

    QWidget& m_window;
    ImagingControl& m_ikImg;
    bool m_watchingJobs = false;
    bool m_runReady = false;     // this run's printer is chosen and saved
    bool m_runDeclined = false;  // this run prints no more pages
};

}  // namespace tavlo
