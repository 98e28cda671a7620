#pragma once

#include "imaging/scan/scan_channel.h"

#include <QObject>
#include <QThread>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace tavlo::scan {

class ScanWorker;

// The scan helper's side of the channel (tavlo-scan-helper): a ScanWorker in a thread of its own
// does the SANE work; this object, on the helper's main thread, turns the window's messages into
// the worker's requests and the worker's signals into messages. Cancel and PageTaken reach the
// worker at once, also while it is blocked in a driver call, so the window hears whether the
// driver still answers. The helper ends when the window says Quit or its end of the channel
// closes (the window ended or killed it).
class ScanHelperServer : public QObject {
    Q_OBJECT
public:
    // fd: the helper's end of the socket pair; the server owns it. pagesInFlight: pages read
    // ahead of the window's PageTaken.
    explicit ScanHelperServer(int fd, int pagesInFlight = kPagesInFlight,
                              QObject* parent = nullptr);

    // Pages the helper may read ahead of the window (about 26 MB each for A4 colour at 300 dpi).
    static constexpr int kPagesInFlight = 2;
    ~ScanHelperServer() override;

    // Starts the worker, sane_init and Ready. The helper's event loop then serves the channel.
    void start();

    // For stand-in helpers of the tests: called on the worker's thread after each progress
    // message, as the driver reads on (it may block there or end the process).
    void setProgressHook(std::function<void(int page, int percent)> hook)
    {
        m_progressHook = std::move(hook);
    }

signals:
    // The helper has shut SANE down and may exit.
    void finished();

private:
    void readMessages();
    void handle(const ScanMessage& message);
    void shutDown();

    ScanChannel m_channel;
    QSocketNotifier* m_notifier = nullptr;
    QThread m_thread;
    ScanWorker* m_worker = nullptr;
    bool m_shuttingDown = false;
    quint64 m_runJob = 0;  // the last run asked for
    std::function<void(int, int)> m_progressHook;
};

}  // namespace tavlo::scan
