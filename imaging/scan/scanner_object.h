#pragma once

#include "imaging/scan/open_scanner.h"
#include "imaging/scan/scan_device.h"
#include "imaging/scan/scan_option.h"
#include "imaging/scan/scan_settings.h"
#include "imaging/scan/scan_run.h"
#include "imaging/scan/scanner_memory.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class QEventLoop;

namespace tavlo::scan {

class ScanDialogs;
class ScanHelperClient;

// The imaging control's scanner object, on SANE.
//
// Threading: every public member is for the user-interface thread. SANE itself is used only by
// the scan helper, a process of its own (tavlo-scan-helper, ScanHelperClient), started afresh for
// each listing of devices and each run and ended after it; so a driver that hangs or crashes is
// killed without freezing the window or losing a page already handed over. Only one scanner
// object in the process scans (two runs must not compete for one device); InitScanner of a second
// one returns false.
//
// Faults of the driver: a helper that sends nothing for longer than the silence limit (grows with
// the resolution and area; setRunTimeout overrides it) is killed and the run ends with
// "ｽｷｬﾅのﾄﾞﾗｲﾊﾞｰが応答しません。" and the page number; a helper that crashes ends it with
// "ｽｷｬﾅのﾄﾞﾗｲﾊﾞｰが異常終了しました。"; a Cancel the helper has not answered within the grace
// time (setCancelGrace) kills it. In every case the pages received before are still raised.
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
class ScannerObject : public QObject, public OpenScanner {
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

    // Readies the object, once; later calls do nothing and return the first call's answer. Starts
    // no helper (that waits for the first listing or run) and never asks the user anything: a
    // SANE without any scanner is not an error here. owner is the window the dialogs belong to (may
    // be nullptr). The version numbers and names identify the calling application; SANE has no use
    // for them, so they only go to the log. false only when another scanner object already uses
    // SANE.
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
    // raised stay. Safe at any time, also from an ImageAcquired handler; nothing when idle. When
    // the helper has not ended the run within the grace time, it is killed.
    void CancelAcquire();

    // Stops the run as CancelAcquire does, but keeps the pages read in full and not raised (those
    // waiting, and those the helper finishes before it sees the stop): the window calls it when
    // it cannot keep the page it was given (a failed write), and takes them with
    // takeUnraisedPages() once AcquireImages has returned, so no page read is lost unseen.
    void StopKeepingPages();
    QList<Image> takeUnraisedPages();

    bool isAcquiring() const { return m_runActive; }
    // Pages the helper handed over that wait to be raised.
    int pagesWaiting() const { return int(m_pending.size()); }

    // The outcome of the last run and the message the user was shown for it ("" for none).
    Outcome lastOutcome() const { return m_outcome; }
    QString lastMessage() const { return m_lastMessage; }

    // Seams. setDialogs: the dialogs to ask (nullptr: the Qt dialogs); the caller keeps
    // ownership. setMemory: where the choice and the settings are remembered. setRunTimeout: the
    // longest the helper may stay silent while it owes an answer, in milliseconds (0, the
    // default: computed per run from the resolution and area, see silenceLimitMs). setCancelGrace:
    // how long a Cancel may take before the helper is killed. setHelperProgram: the helper to
    // start (tests run stand-ins that hang or crash).
    void setDialogs(ScanDialogs* dialogs) { m_customDialogs = dialogs; }
    void setMemory(const ScannerMemory& memory) { m_memory = memory; }
    const ScannerMemory& memory() const { return m_memory; }
    void setRunTimeout(int milliseconds) { m_runTimeoutMs = milliseconds; }
    void setCancelGrace(int milliseconds) { m_cancelGraceMs = milliseconds; }
    void setHelperProgram(const QString& path);

    // The silence limit of a run with these settings: 30 s plus 1 s per million pixels of the
    // page (an A4 page at 300 dpi: 39 s; at 1200 dpi: 170 s), for the slow start of a lamp and
    // the slow first rows of a high resolution.
    static int silenceLimitMs(const ScanSettings& settings);

    // OpenScanner, while the scan-settings dialog of AcquireImages is shown (the settings dialog
    // gets this object as its open device): live option changes and a one-page scan.
    bool setOption(const QString& name, const QString& value, QList<ScanOption>& options, int& info,
                   QString& reason) override;
    Image scanOnePage(const ScanSettings& settings, QString& reason,
                      const std::function<void(int percent)>& progress = {}) override;
    void cancelOnePage() override;

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
    // How a wait for the helper ended.
    enum class Wait { Done, Lost, Silent };
    // Runs the event loop until done() holds, the helper is lost or has been silent for
    // silenceMs while an answer is owed.
    Wait awaitHelper(const std::function<bool()>& done, int silenceMs);
    void waitSlice(int milliseconds);
    void wake();
    // Starts a fresh helper and waits for its Ready; tells the user why when it cannot.
    bool startHelper();
    // Tells the user a fault of the helper outside a run (while listing or opening).
    void tellHelperFault(Wait wait, const QString& during);
    void watchRun(int silenceMs);
    ScanSettings startingSettings(const ScanDevice& device, const QList<ScanOption>& options) const;
    bool reportRun();
    void deliverPending();
    void showHeldProgress();
    void dropPending();

    void onReady(int status);
    void onHelperLost();
    void onOptionSet(quint64 job, const QList<tavlo::scan::ScanOption>& options, int status,
                     int info);
    QString helperFaultText(Wait wait);
    void onDevicesListed(quint64 job, const QList<tavlo::scan::ScanDevice>& devices, int status);
    void onDeviceOpened(quint64 job, const tavlo::scan::ScanDevice& device,
                        const QList<tavlo::scan::ScanOption>& options, int status);
    void onProgress(quint64 job, int page, int percent);
    void onPageScanned(quint64 job, const tavlo::scan::ScannedPage& page);
    void onScanFinished(quint64 job, const tavlo::scan::ScanRunResult& result);

    ScanHelperClient* m_helper = nullptr;
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
    int m_cancelGraceMs = 2500;
    QEventLoop* m_waitLoop = nullptr;
    bool m_helperReady = false;
    bool m_helperLost = false;
    QElapsedTimer m_lastHeard;  // since the helper's last message

    // Requests to the worker: the job id of the last one, and its answer.
    quint64 m_job = 0;
    bool m_replied = false;
    int m_replyStatus = 0;
    QList<ScanDevice> m_replyDevices;
    ScanDevice m_replyDevice;
    QList<ScanOption> m_replyOptions;
    int m_replyInfo = 0;

    // The device open for the settings dialog (OpenScanner), and its one-page scan.
    bool m_dialogOpen = false;
    bool m_onePageActive = false;
    bool m_onePageEnded = false;
    bool m_onePageCancelled = false;
    Image m_onePage;
    ScanRunResult m_onePageResult;
    std::function<void(int)> m_onePageProgress;

    // The run.
    // A fault that ended the run in the window's eyes.
    enum class Fault { None, Hung, Crashed, CancelIgnored, PageUnreadable };
    bool m_runActive = false;
    bool m_cancelled = false;
    bool m_keepUnraised = false;  // StopKeepingPages: pages not raised go to m_unraised
    QList<Image> m_unraised;
    QElapsedTimer m_cancelClock;
    Fault m_fault = Fault::None;
    int m_received = 0;     // pages the helper handed over in this run
    int m_readingPage = 0;  // the page the helper reads now (from its progress)
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
