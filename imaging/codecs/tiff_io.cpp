#include "imaging/codecs/tiff_io.h"

#include "imaging/codecs/read_fully.h"
#include "imaging/image.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace tavlo::codecs {
namespace {

tmsize_t readProc(thandle_t handle, void* data, tmsize_t size)
{
    auto* io = static_cast<TiffIo*>(handle);
    const tmsize_t done = tmsize_t(readFully(*io->device, data, qint64(size)));
    if (done < size)
        io->shortRead = true;
    return done;
}

tmsize_t writeProc(thandle_t handle, void* data, tmsize_t size)
{
    auto* io = static_cast<TiffIo*>(handle);
    const qint64 n = io->device->write(static_cast<const char*>(data), qint64(size));
    if (n != qint64(size))
        io->writeFailed = true;
    return n < 0 ? 0 : tmsize_t(n);
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence)
{
    auto* io = static_cast<TiffIo*>(handle);
    qint64 target = 0;
    switch (whence) {
    case SEEK_SET: target = qint64(offset); break;
    case SEEK_CUR: target = io->device->pos() + qint64(offset); break;
    case SEEK_END: target = io->device->size() + qint64(offset); break;
    default: return toff_t(-1);
    }
    // Reading never goes past the end of the file: such an offset is damage, refused here before
    // the device complains.
    if (target < 0 || (!io->device->isWritable() && target > io->device->size()) ||
        !io->device->seek(target))
        return toff_t(-1);
    return toff_t(target);
}

int closeProc(thandle_t)
{
    return 0;
}

toff_t sizeProc(thandle_t handle)
{
    return toff_t(static_cast<TiffIo*>(handle)->device->size());
}

int mapProc(thandle_t, void**, toff_t*)
{
    return 0;
}

void unmapProc(thandle_t, void*, toff_t) { }

int onTiffError(TIFF*, void* user, const char*, const char*, va_list)
{
    static_cast<TiffIo*>(user)->libraryError = true;
    return 1;  // handled: nothing reaches the process-wide handler (stderr)
}

int onTiffWarning(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

// Opens a TIFF on the handle's procedures; libtiff's messages only set io.libraryError.
TIFF* openClient(TiffIo& io, const char* mode, thandle_t handle, TIFFReadWriteProc read,
                 TIFFReadWriteProc write, TIFFSeekProc seek, TIFFSizeProc size)
{
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options)
        return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options, onTiffError, &io);
    TIFFOpenOptionsSetWarningHandlerExtR(options, onTiffWarning, &io);
    // No single buffer of the library may exceed what our largest image may take.
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(Image::kMaxStorageBytes));
    TIFF* tif = TIFFClientOpenExt("tavlo", mode, handle, read, write, seek, closeProc, size,
                                  mapProc, unmapProc, options);
    TIFFOpenOptionsFree(options);
    return tif;
}

tmsize_t memoryRead(thandle_t handle, void* data, tmsize_t size)
{
    auto* file = static_cast<MemoryFile*>(handle);
    const uint64_t available =
        file->position < file->bytes.size() ? file->bytes.size() - file->position : 0;
    const uint64_t n = std::min<uint64_t>(available, uint64_t(size));
    std::memcpy(data, file->bytes.data() + file->position, size_t(n));
    file->position += n;
    return tmsize_t(n);
}

tmsize_t memoryWrite(thandle_t handle, void* data, tmsize_t size)
{
    auto* file = static_cast<MemoryFile*>(handle);
    try {
        if (file->bytes.size() < file->position + uint64_t(size))
            file->bytes.resize(size_t(file->position + uint64_t(size)));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    std::memcpy(file->bytes.data() + file->position, data, size_t(size));
    file->position += uint64_t(size);
    return size;
}

toff_t memorySeek(thandle_t handle, toff_t offset, int whence)
{
    auto* file = static_cast<MemoryFile*>(handle);
    switch (whence) {
    case SEEK_SET: file->position = offset; break;
    case SEEK_CUR: file->position += offset; break;
    case SEEK_END: file->position = file->bytes.size() + offset; break;
    default: return toff_t(-1);
    }
    return file->position;
}

toff_t memorySize(thandle_t handle)
{
    return static_cast<MemoryFile*>(handle)->bytes.size();
}

}  // namespace

TIFF* openTiff(TiffIo& io, const char* mode)
{
    return openClient(io, mode, &io, readProc, writeProc, seekProc, sizeProc);
}

TIFF* openMemoryTiff(TiffIo& messages, const char* mode, MemoryFile& file)
{
    return openClient(messages, mode, &file, memoryRead, memoryWrite, memorySeek, memorySize);
}

}  // namespace tavlo::codecs
