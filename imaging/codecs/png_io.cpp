#include "imaging/codecs/png_io.h"

#include "imaging/codecs/read_fully.h"

namespace tavlo::codecs {

[[noreturn]] void onPngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) { }

void pngReadFromDevice(png_structp png, png_bytep data, size_t length)
{
    auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
    if (readFully(*io->device, data, qint64(length)) != qint64(length)) {
        io->truncated = true;
        png_error(png, "truncated");
    }
}

void pngWriteToDevice(png_structp png, png_bytep data, size_t length)
{
    auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
    if (io->device->write(reinterpret_cast<const char*>(data), qint64(length)) != qint64(length)) {
        io->writeFailed = true;
        png_error(png, "write failed");
    }
}

void pngFlushDevice(png_structp) { }

}  // namespace tavlo::codecs
