#pragma once

#include <QFile>
#include <QString>

#include <memory>

namespace tavlo {

// Writes a file so that the target is replaced only by a complete file: the data go to a temporary
// file in the target's folder (opened read-write, since some encoders read back what they wrote),
// and commit() flushes it to disk and renames it over the target. Until then, and whenever a step
// fails, the file that was there stays whole; an uncommitted temporary file is removed.
// A replaced target keeps its permissions; a new one gets the usual 0666 less the umask. A target
// that is a symbolic link to a file has that file replaced, so the link stays a link. After the
// rename the folder itself is synced, so the new name survives a power cut too.
// Only a regular file (or a link to one) is ever replaced: a device, a pipe or a socket at the
// target is refused, so no write turns one into a plain file.
// The temporary file is named ".tavlo-" and six random characters, whatever the target's name:
// a name of up to 255 bytes can be written, and a temporary file left by a killed process is
// recognisably ours (removeStaleTemporaries). While it is written it holds a lock, so a cleanup
// never takes a file another process is still writing.
// Every file the program writes goes through this class (pages, image files, the settings file,
// desktop entries): QSaveFile is not used, because Qt 6.4 renames a truncated temporary file over
// the target when its last flush fails part-way.
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

    // The whole file in one step: open, write all bytes, commit. False when any step failed.
    static bool writeWhole(const QString& target, const QByteArray& bytes,
                           QString* error = nullptr);

    // Why the last step failed, in Japanese, naming the reason the system gave.
    QString error() const { return m_error; }

    // The refusal for a target that is neither a regular file nor a link to one.
    static QString notRegularFileReason();

    // True for a name AtomicFile gives its temporary files (".tavlo-" and six characters).
    static bool isTemporaryName(const QString& fileName);

    // Removes the temporary files of writes that never finished (the writer was killed) from
    // folder; a file another writer still holds is left. The number removed.
    static int removeStaleTemporaries(const QString& folder);

private:
    QString m_target;
    QString m_error;
    // Kept here: a QFile opened on a descriptor no longer reports its file name.
    QByteArray m_tempPath;
    std::unique_ptr<QFile> m_file;
    bool m_committed = false;
};

}  // namespace tavlo
