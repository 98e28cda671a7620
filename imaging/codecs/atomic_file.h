#pragma once

#include <QFile>
#include <QString>

#include <memory>

namespace tavlo::codecs {

// Writes a file so that the target is replaced only by a complete file: the data go to a temporary
// file in the target's folder (opened read-write, since some encoders read back what they wrote),
// and commit() flushes it to disk and renames it over the target. Until then, and whenever a step
// fails, the file that was there stays whole; an uncommitted temporary file is removed.
// A replaced target keeps its permissions; a new one gets the usual 0666 less the umask.
class AtomicFile {
public:
    explicit AtomicFile(const QString& target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file; false (with error()) when the folder is not writable.
    bool open();

    // The temporary file, open for reading and writing; valid after open() succeeded.
    QFile& device();

    // Flushes, syncs and renames over the target; false (with error()) when any step failed, in
    // which case the temporary file is removed and the target is untouched.
    bool commit();

    // Why the last step failed, in Japanese, naming the reason the system gave.
    QString error() const { return m_error; }

private:
    QString m_target;
    QString m_error;
    // Kept here: a QFile opened on a descriptor no longer reports its file name.
    QByteArray m_tempPath;
    std::unique_ptr<QFile> m_file;
    bool m_committed = false;
};

}  // namespace tavlo::codecs
