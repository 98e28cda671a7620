#include "main_window/work_file_writer.h"

#include "imaging/codecs/image_file.h"

#include <QEventLoop>
#include <QThread>

#include <memory>

namespace tavlo {

QString WorkFileWriter::write(const Image& image, const QString& path, codecs::ImageFormat format)
{
    QString reason;
    std::unique_ptr<QThread> thread(QThread::create([&reason, image, path, format] {
        reason = codecs::writeImageFile(image, path, format);
    }));
    thread->setObjectName(QStringLiteral("tavlo-work-file"));
    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec();
    // The loop also ends when the program is quitting; the file is finished all the same.
    thread->wait();
    return reason;
}

}  // namespace tavlo
