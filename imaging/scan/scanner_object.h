#pragma once

#include "imaging/scan/scan_device.h"
#include "imaging/scan/scan_option.h"
#include "imaging/scan/scan_settings.h"
#include "imaging/scan/scan_run.h"
#include "imaging/scan/scanner_memory.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class QEventLoop;

namespace tavlo::scan {

class ScanDialogs;
class ScanWorker;

// The imaging control's scanner object, on SANE.
//
// Threading: every public member is for the user-interface thread. SANE itself is used only by a
// ScanWorker in a thread of its own, which this object starts in InitScanner and stops in its
// destructor (cancel the run, let the worker sane_close and sane_exit, join the thread). Only one
// scanner object in the process may use SANE; InitScanner of a second one returns false.
//
// Pages: ImageAcquired(handle) is raised on the user-interface thread once per page, in the order
// the scanner delivered them, from inside AcquireImages. The handle names the page in the
// ImageStore: an Image with the scan resolution as dots per inch and the code of its mode
// (line art 1, grey 80, colour 24; 16 bits per sample reduced to 8). The handle belongs to the
// scanner object and is released when the handlers return: a handler keeps the page by
// ImageStore::duplicate (the control's DuplicateImage), never by taking the handle over. A
// handler may run a nested event loop and may call CancelAcquire; the next page is never raised
// while a handler is still running.
//
// Use from a window:
//   at load       scanner.InitScanner(window, 1, 0, name, {}, {}, {});   // result not needed
//                 connect(&scanner, &ScannerObject::ImageAcquired, window, handler);  // direct
//   scan          scanner.setAcquireOption(false); int pages = 0, progress = 1;
//                 scanner.AcquireImages(pages, progress);   // returns when the run has ended
//   choose        scanner.SelectSource();
//   per page      keep = ImageStore::instance().duplicate(handle); ...; when the page cannot be
//                 kept (a failed write), scanner.CancelAcquire() ends the run after it.
class ScannerObject : public QObject {
    Q_OBJECT
public:
    // How the last run ended.
    enum class Outcome {
        None,       // no run yet
        Completed,  // the feeder is empty or the flatbed page is done
        Cancelled,  // the user cancelled (in the settings dialog, the progress or CancelAcquire)
        NoDevice,   // SANE found no scanner (the user was told)
        Failed,     // an error ended the run (the user was told); pages delivered before stay
    };

    explicit ScannerObject(QObject* parent = nullptr);
    ~ScannerObject() override;

    // Starts the scanning thread and initialises SANE in it, once; later calls do nothing and
    // return the first call's answer. Never asks the user anything: a SANE without any scanner
    // is not an error here. owner is the window the dialogs belong to (may be nullptr). The
    // version numbers and names identify the calling application; SANE has no use for them, so
    // they only go to the log. false only when another scanner object already uses SANE.
    bool InitScanner(QWidget* owner, int versionMajor = 1, int versionMinor = 0,
                     const QString& applicationName = QString(),
                     const QString& manufacturer = QString(),
                     const QString& productFamily = QString(),
                     const QString& productName = QString());

    // "ｿｰｽの選択": lists the scanners SANE finds (vendor, model, type, name) and lets the user
    // choose one; the choice is remembered for later runs of the program. Says so when there is
    // no scanner. true when the user chose one.
    bool SelectSource();

    // The acquisition option. false (what the main window sets): AcquireImages shows the
    // scan-settings dialog before scanning. true: it scans at once with the settings last used
    // on the device (the device's own defaults the first time), without the dialog.
    bool AcquireOption() const { return m_acquireOption; }
    void setAcquireOption(bool on) { m_acquireOption = on; }

    // Scans: opens the chosen device (or the first one SANE lists), shows the scan-settings
    // dialog (see AcquireOption) and remembers what the user chose for that device, then reads
    // pages with a progress display and a Cancel button, raising ImageAcquired per page, until
    // the feeder is empty, the flatbed page is done, the user cancels, or an error (which the
    // user is told about) ends the run. Returns when the run has ended.
    //   pages         in: ignored (the main window passes 0); out: the pages raised.
    //   showProgress  in: 1 shows the progress dialog, 0 scans without it; not changed.
    // Returns true when the run ended normally or the user cancelled; false when it could not
    // start (no scanner, a device error, a run already going on) or an error ended it.
    bool AcquireImages(int& pages, int& showProgress);

    // Stops the run as soon as the current read returns. Pages not yet raised are dropped; pages
    // raised stay. Safe at any time, also from an ImageAcquired handler; nothing when idle.
    void CancelAcquire();

    bool isAcquiring() const { return m_runActive; }

    // The outcome of the last run and the message the user was shown for it ("" for none).
    Outcome lastOutcome() const { return m_outcome; }
    QString lastMessage() const { return m_lastMessage; }

    // Seams. setDialogs: the dialogs to ask (nullptr: the Qt dialogs); the caller keeps
    // ownership. setMemory: where the choice and the settings are remembered. setRunTimeout: a
    // run that has not ended after this many milliseconds is cancelled and reported (0, the
    // default, waits for as long as the scanner takes).
    void setDialogs(ScanDialogs* dialogs) { m_customDialogs = dialogs; }
    void setMemory(const ScannerMemory& memory) { m_memory = memory; }
    const ScannerMemory& memory() const { return m_memory; }
    void setRunTimeout(int milliseconds) { m_runTimeoutMs = milliseconds; }

signals:
    // One scanned page; see the class comment for the handle's lifetime.
    void ImageAcquired(quint32 handle);

private:
    ScanDialogs& dialogs();
    QWidget* owner() const;
    QString title() const;
    void tell(const QString& text);
    bool ensureStarted();
    QString unavailableText() const;
    // Runs the event loop until done() holds or timeoutMs (0: no limit) passed; false on timeout.
    bool waitUntil(const std::function<bool()>& done, int timeoutMs);
    void wake();
    ScanSettings startingSettings(const ScanDevice& device, const QList<ScanOption>& options) const;
    bool reportRun(bool inTime);
    void deliverPending();
    void showHeldProgress();
    void dropPending();

    void onDevicesListed(quint64 job, const QList<tavlo::scan::ScanDevice>& devices, int status);
    void onDeviceOpened(quint64 job, const tavlo::scan::ScanDevice& device,
                        const QList<tavlo::scan::ScanOption>& options, int status);
    void onProgress(quint64 job, int page, int percent);
    void onPageScanned(quint64 job, const tavlo::scan::ScannedPage& page);
    void onScanFinished(quint64 job, const tavlo::scan::ScanRunResult& result);

    QThread* m_thread = nullptr;
    ScanWorker* m_worker = nullptr;
    bool m_started = false;
    bool m_startResult = false;
    int m_initStatus = kStatusGood;
    bool m_waiting = false;  // waiting for the worker's answer to a list or open request
    QPointer<QWidget> m_owner;
    ScanDialogs* m_customDialogs = nullptr;
    std::unique_ptr<ScanDialogs> m_qtDialogs;
    ScannerMemory m_memory;
    bool m_acquireOption = false;
    int m_runTimeoutMs = 0;
    QEventLoop* m_waitLoop = nullptr;

    // Requests to the worker: the job id of the last one, and its answer.
    quint64 m_job = 0;
    bool m_replied = false;
    int m_replyStatus = 0;
    QList<ScanDevice> m_replyDevices;
    ScanDevice m_replyDevice;
    QList<ScanOption> m_replyOptions;

    // The run.
    bool m_runActive = false;
    bool m_workerBusy = false;  // the worker has not reported the end of the last run yet
    bool m_cancelled = false;
    bool m_runEnded = false;
    bool m_delivering = false;
    int m_delivered = 0;
    QPair<int, int> m_heldProgress{0, 0};  // (page, percent) not shown yet; page 0 = none
    ScanRunResult m_runResult;
    QList<ScannedPage> m_pending;
    QTimer m_deliveryTimer;  // raises the next pending page
    Outcome m_outcome = Outcome::None;
    QString m_lastMessage;
};

}  // namespace tavlo::scan
