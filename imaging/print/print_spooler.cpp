#include "imaging/print/print_spooler.h"

#include <QEventLoop>

namespace tavlo {

PrintSpooler::PrintSpooler(QObject* parent) : QObject(parent), m_thread([this] { run(); }) { }

PrintSpooler::~PrintSpooler()
{
    {
        std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void PrintSpooler::submit(PrintJob job)
{
    ++m_pending;
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(job));
    }
    m_changed.notify_all();
}

void PrintSpooler::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_ending || !m_queue.empty(); });
        if (m_queue.empty())
            return;  // ending, and every job is done
        PrintJob job = std::move(m_queue.front());
        m_queue.pop_front();
        lock.unlock();
        const QString reason = renderPrintJob(job);
        const QString target = job.target();
        job = PrintJob();  // the pages are released here, not on the user-interface thread
        // Delivered on the user-interface thread; dropped when the spooler is gone by then.
        QMetaObject::invokeMethod(
            this, [this, target, reason] { finished(target, reason); }, Qt::QueuedConnection);
        lock.lock();
    }
}

void PrintSpooler::finished(const QString& target, const QString& reason)
{
    --m_pending;
    emit JobFinished(target, reason);
}

void PrintSpooler::waitUntilPendingBelow(int count)
{
    if (m_pending < count)
        return;
    QEventLoop loop;
    const auto connection = connect(this, &PrintSpooler::JobFinished, &loop, [this, &loop, count] {
        if (m_pending < count)
            loop.quit();
    });
    loop.exec();
    disconnect(connection);
}

}  // namespace tavlo
