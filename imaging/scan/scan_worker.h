#pragma once

#include "imaging/scan/frame_assembler.h"
#include "imaging/scan/scan_device.h"
#include "imaging/scan/scan_option.h"
#include "imaging/scan/scan_run.h"
#include "imaging/scan/scan_settings.h"

#include <QElapsedTimer>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QSemaphore>

#include <sane/sane.h>

#include <atomic>
#include <functional>
#include <vector>

namespace tavlo::scan {

// The scanning thread's side: the only code that calls sane_*. It lives in its own QThread; the
// user-interface thread calls its slots through queued connections and hears back through its
// signals, each tagged with the job id the request carried so that replies of an abandoned
// request can be told apart.
//
// A run is an explicit state machine (Configure, Start, GetParameters, Read, NextPage, Finish),
// one method per state. A run ends when the feeder reports NO_DOCS, after one page when the
// source is not a document feeder (a flatbed would deliver the same page forever), on an error,
// or when requestCancel() names its job. Every run ends with sane_cancel and sane_close, so the
// device is free between runs and a feeder starts afresh.
//
// Memory: at most pagesInFlight pages wait for the user-interface thread; a new page is started
// only when the receiver has called pageTaken() for an earlier one (or the run is cancelled).
class ScanWorker : public QObject {
    Q_OBJECT
public:
    // deviceOpened's status when SANE lists no device at all.
    static constexpr int kNoDevice = kStatusNoDevice;

    enum class State { Idle, Configure, Start, GetParameters, Read, NextPage, Finish };

    explicit ScanWorker(int pagesInFlight = 2);
    ~ScanWorker() override;

    // Thread-safe. Stops the run of the job as soon as the current sane_read returns (also when
    // the run has not begun yet). Pages it already handed over stay handed over.
    void requestCancel(quint64 job);

    // Thread-safe. The receiver is done with one page pageScanned() delivered (used or dropped).
    void pageTaken();

    // Where the pixels of the pages are assembled (see FrameAssembler::Allocator). Call before
    // the first run.
    void setPageAllocator(FrameAssembler::Allocator allocator);

    // Takes each finished page instead of pageScanned, on the worker's thread, as the only holder
    // of its pixels (the scan helper seals them in place). Call before the first run.
    using PageSink = std::function<void(quint64 job, ScannedPage&& page)>;
    void setPageSink(PageSink sink) { m_pageSink = std::move(sink); }

    // Whether sane_* is being used by a run right now (for the log and tests).
    State state() const { return m_state.load(); }

    // True when the source value names a document feeder ("Automatic Document Feeder",
    // "ADF Duplex", ...), whose run goes on until NO_DOCS; any other source is one page a run.
    static bool isFeederSource(const QString& source);

public slots:
    void initialise();
    void listDevices(quint64 job);
    // Opens the named device, or the first one SANE lists when name is "", and reports its options.
    void openDevice(quint64 job, const QString& name);
    // Applies the settings to the open device and scans until the run ends (see above). onePage:
    // one page whatever the source (the settings dialog's preview), and the device stays open.
    void scan(quint64 job, const tavlo::scan::ScanSettings& settings, bool onePage = false);
    // Sets one option of the open device, as the settings dialog changes it, and reports every
    // option as the device now has them (a change can reload others, round or clamp the value).
    void setOption(quint64 job, const QString& name, const QString& value);
    void closeDevice();
    // sane_close (when a device is open) and sane_exit. Call last; the thread may then quit.
    void shutdown();

signals:
    void initialised(int status);
    void devicesListed(quint64 job, const QList<tavlo::scan::ScanDevice>& devices, int status);
    void deviceOpened(quint64 job, const tavlo::scan::ScanDevice& device,
                      const QList<tavlo::scan::ScanOption>& options, int status);
    // percent is 0..100 within the page, -1 while its length is unknown.
    void progressChanged(quint64 job, int page, int percent);
    void pageScanned(quint64 job, const tavlo::scan::ScannedPage& page);
    // Sent as soon as the ending is known, before sane_cancel and sane_close (a faulty backend
    // can hang in those; the receiver then still knows how the run ended).
    void scanFinished(quint64 job, const tavlo::scan::ScanRunResult& result);
    // status: SANE's answer; info: its SANE_INFO_* bits (inexact, reload options, reload params).
    void optionSet(quint64 job, const QList<tavlo::scan::ScanOption>& options, int status,
                   int info);

private:
    State configure();
    State startFrame();
    State getParameters();
    State readFrame();
    State nextPage();
    void finishRun();

    bool cancelled() const { return m_cancelJob.load() == m_job; }
    bool waitForSlot();
    // Ends the run with a status (and a reason that is not a status).
    State endRun(SANE_Status status, const QString& detail = QString());
    SANE_Status fetchDevices(QList<ScanDevice>& devices);
    QList<ScanOption> readOptions();
    // Sets the option (brought inside its constraint); the device's answer and its info bits.
    SANE_Status applyOption(const QString& name, const QString& value, SANE_Int* info = nullptr);
    int resolutionOf(const QString& name) const;

    std::atomic<State> m_state{State::Idle};
    std::atomic<quint64> m_cancelJob{0};
    QSemaphore m_slots;
    PageSink m_pageSink;
    bool m_initialised = false;
    SANE_Handle m_handle = nullptr;
    QString m_deviceName;
    QList<ScanDevice> m_devices;  // as SANE listed them last
    QList<ScanOption> m_options;

    // The run.
    quint64 m_job = 0;
    ScanSettings m_settings;
    ScanRunResult m_result;
    FrameAssembler m_assembler;
    std::vector<uchar> m_buffer;
    int m_page = 0;
    bool m_midPage = false;  // a three-pass page waits for its next frame
    bool m_holdingSlot = false;
    bool m_feeder = false;
    bool m_onePage = false;
    int m_dpiX = 0;
    int m_dpiY = 0;
    int m_lastPercent = -2;
    QElapsedTimer m_pageClock;
    QElapsedTimer m_progressClock;
};

}  // namespace tavlo::scan
