#pragma once

#include <QByteArray>

namespace tavlo {

// The system calls that decide whether a written file survives a crash, in the order AtomicFile
// makes them: the data synced, the temporary name renamed over the target, the folder synced.
// The program uses the real calls; a test installs a recorder to check the order, or a double
// whose call fails as a full disk would.
class DiskCalls {
public:
    virtual ~DiskCalls() = default;

    // fsync of an open file; 0 or an errno value.
    virtual int syncFile(int fd);
    // rename(2); 0 or an errno value.
    virtual int rename(const QByteArray& from, const QByteArray& to);
    // fsync of the folder at path; 0 or an errno value.
    virtual int syncFolder(const QByteArray& folder);
};

// The process-wide calls: the real ones unless a test installed its own.
DiskCalls& diskCalls();

// Installs calls (tests) or, with nullptr, goes back to the real ones. The caller keeps ownership.
void setDiskCalls(DiskCalls* calls);

}  // namespace tavlo
