#include "main_window/work_file_writer.h"

#include "imaging/codecs/image_file.h"

#include <QEventLoop>

namespace tavlo {

WorkFileWriter::WorkFileWriter() : m_thread([this] { run(); }) { }

WorkFileWriter::~WorkFileWriter()
{
    {
        std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void WorkFileWriter::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_ending || (m_hasJob && !m_done); });
        if (m_hasJob && !m_done) {
            const Image image = m_image;
            const QString path = m_path;
            const codecs::ImageFormat format = m_format;
            lock.unlock();
            const QString reason = codecs::writeImageFile(image, path, format);
            lock.lock();
            m_reason = reason;
            m_done = true;
            // Posted under the lock: write() cannot return and destroy the loop before this.
            if (m_waiting)
                QMetaObject::invokeMethod(m_waiting, &QEventLoop::quit, Qt::QueuedConnection);
            m_changed.notify_all();
        } else if (m_ending) {
            return;
        }
    }
}

QString WorkFileWriter::write(const Image& image, const QString& path, codecs::ImageFormat format)
{
    // An event handled while a file is written cannot start another one: the first write() only
    // returns when its loop does, which waits for this handler.
    if (m_busy)
        return QStringLiteral("前の画像の保存が終わっていません");
    m_busy = true;
    QEventLoop loop;
    std::unique_lock lock(m_mutex);
    m_image = image;
    m_path = path;
    m_format = format;
    m_reason.clear();
    m_done = false;
    m_hasJob = true;
    m_waiting = &loop;
    lock.unlock();
    m_changed.notify_all();

    loop.exec();

    lock.lock();
    // The loop also ends early when the program is quitting; the file is finished all the same.
    m_changed.wait(lock, [this] { return m_done; });
    m_waiting = nullptr;
    m_hasJob = false;
    m_image = Image();
    const QString reason = m_reason;
    lock.unlock();
    m_busy = false;
    return reason;
}

}  // namespace tavlo
