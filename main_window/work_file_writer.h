#pragma once

#include "imaging/codecs/image_format.h"
#include "imaging/image.h"

#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>

class QEventLoop;

namespace tavlo {

// Writes work files on a thread of its own while the user-interface thread goes on serving its
// events (paints, timers, the progress dialog's Cancel), so that a slow or busy disk never freezes
// the window while a scanned page is written and synced.
//
// For the caller write() is an ordinary save: it returns only when the file is complete under its
// name or has failed. The file is written as codecs::writeImageFile writes every file: into a
// temporary file beside the target, synced, and renamed over the name only when complete, so no
// work file is ever left half-written under its final name.
//
// The writing thread is started with the object and lives as long as it, so a scan run creates no
// thread per page. It reads its own copy of the image (the pixels are shared, not copied; an edit
// of the view's image meanwhile copies them first); the job and its answer are handed over under a
// lock. Because events run during write(), its caller must expect to be re-entered by them (the
// scan controller refuses a second work-file save while one is being written); a write() called
// while another one waits is refused with a reason. User-interface thread only.
class WorkFileWriter {
public:
    WorkFileWriter();
    // Finishes the file in hand, then ends the thread.
    ~WorkFileWriter();
    WorkFileWriter(const WorkFileWriter&) = delete;
    WorkFileWriter& operator=(const WorkFileWriter&) = delete;

    // "" when the file was written, otherwise the reason in Japanese.
    QString write(const Image& image, const QString& path, codecs::ImageFormat format);

private:
    void run();

    bool m_busy = false;  // a write() is waiting; user-interface thread only
    std::mutex m_mutex;
    std::condition_variable m_changed;
    // The job in hand, guarded by m_mutex.
    bool m_hasJob = false;
    bool m_done = false;
    bool m_ending = false;
    Image m_image;
    QString m_path;
    codecs::ImageFormat m_format = codecs::ImageFormat::Bmp;
    QString m_reason;
    QEventLoop* m_waiting = nullptr;  // told to quit when the job is done
    std::thread m_thread;
};

}  // namespace tavlo
