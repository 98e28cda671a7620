#pragma once

#include "imaging/print/print_job.h"

#include <QObject>
#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace tavlo {

// Renders and sends print jobs on a thread of its own, one after the other in the order they were
// submitted, so that neither the rendering of a page nor a slow print system holds up the window
// or a scanner run.
//
// submit() queues a job and returns at once; JobFinished(target, reason) follows on the
// user-interface thread when the job was handed over ("" reason) or failed. pending() counts the
// jobs submitted whose JobFinished has not been raised yet; waitUntilPendingBelow() serves the
// window's events while it waits, so a caller can keep the queue short (every queued job holds its
// page) without freezing anything.
//
// The thread starts with the object; the destructor lets the queued jobs finish before it ends,
// so nothing the user sent to the printer is dropped when the window closes. Public methods:
// user-interface thread only.
class PrintSpooler : public QObject {
    Q_OBJECT
public:
    explicit PrintSpooler(QObject* parent = nullptr);
    ~PrintSpooler() override;

    void submit(PrintJob job);
    int pending() const { return m_pending; }

    // Runs events until fewer than count jobs are pending.
    void waitUntilPendingBelow(int count);

signals:
    void JobFinished(const QString& target, const QString& reason);

private:
    void run();
    void finished(const QString& target, const QString& reason);

    int m_pending = 0;  // user-interface thread only
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<PrintJob> m_queue;  // guarded by m_mutex
    bool m_ending = false;         // guarded by m_mutex
    std::thread m_thread;
};

}  // namespace tavlo
