#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

namespace tavlo {

// The program's one file-system service: existence tests, folder creation and whole-file reads
// and writes for the settings file, "UserData.ini" and the work folder. Created on first use
// (EnsureFileSystem) and released by EndProgram. Tests may install their own (installFileSystem)
// to make an operation fail that the real disk will not fail on demand.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // True when a file (not a folder) exists at path; false for "".
    virtual bool fileExists(const QString& path) const;

    // True when a folder exists at path; false for "".
    virtual bool folderExists(const QString& path) const;

    // True when files can be made in the folder (false on a read-only disk or without the right).
    virtual bool folderWritable(const QString& path) const;

    // Creates one folder level; its parent must exist. False when it could not be created.
    virtual bool createFolder(const QString& path);

    // True when anything is at path (a file, folder, device, pipe or link, even a broken one).
    virtual bool anythingAt(const QString& path) const;

    // The file's bytes, or nothing when it cannot be opened or read or is not a regular file (a
    // pipe or device is never opened: reading one could wait for ever). At most limit + 1 bytes
    // are read, so the caller can tell a file longer than limit without reading all of it.
    virtual std::optional<QByteArray> readFile(const QString& path, qint64 limit = kNoLimit);
    static constexpr qint64 kNoLimit = -1;

    // Creates an empty file where none exists; never truncates an existing one.
    virtual bool createEmptyFile(const QString& path);

    // Writes bytes into a temporary file beside path and renames it over path only when the
    // whole content is on disk, so a failed write leaves the old file whole.
    // error, when given, receives the reason of a failure in Japanese.
    virtual bool writeFileAtomically(const QString& path, const QByteArray& bytes,
                                     QString* error = nullptr);

    // Gives the file at from the second name to (a hard link; a rename where the file system
    // has none), so a file about to be replaced is kept. Never replaces anything at to.
    virtual bool keepAs(const QString& from, const QString& to);
};

// Creates the service when it does not exist yet.
void EnsureFileSystem();

// The service, created when needed.
FileSystem& fileSystem();

// True when a file (not a folder) exists at path; false for folders and for "".
bool CheckFileExists(const QString& path);

// Releases the service (EndProgram); the next use creates a new one.
void releaseFileSystem();

// True while a service exists.
bool fileSystemExists();

// Replaces the service (tests).
void installFileSystem(std::unique_ptr<FileSystem> service);

}  // namespace tavlo
