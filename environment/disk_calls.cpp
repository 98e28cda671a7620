#include "environment/disk_calls.h"

#include "environment/replaceable_service.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace tavlo {
namespace {
ReplaceableService<DiskCalls, DiskCalls> service;
}

int DiskCalls::syncFile(int fd)
{
    return ::fsync(fd) == 0 ? 0 : errno;
}

int DiskCalls::rename(const QByteArray& from, const QByteArray& to)
{
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

int DiskCalls::syncFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int result = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return result;
}

DiskCalls& diskCalls()
{
    return service.get();
}

void setDiskCalls(DiskCalls* calls)
{
    service.install(calls);
}

}  // namespace tavlo
