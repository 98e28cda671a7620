#pragma once

#include <png.h>

#include <QIODevice>

// The device behind libpng, shared by the PNG reader and writer.
//
// libpng reports errors by longjmp back to the setjmp of the running call. Every function of the
// reader and the writer that calls setjmp holds only plain data (no objects with destructors), and
// the callbacks libpng calls in between hold none while they can fail, so the jump skips no
// destructor. The handles are owned by guards in the callers, outside the jump's reach.

namespace tavlo::codecs {

struct PngIo {
    QIODevice* device = nullptr;
    bool truncated = false;
    bool writeFailed = false;
};

// libpng's error and warning handlers: an error jumps back to the running call's setjmp.
[[noreturn]] void onPngError(png_structp png, png_const_charp);
void onPngWarning(png_structp, png_const_charp);

// libpng's I/O callbacks on the PngIo given as the io pointer: a short read sets truncated, a
// failed write writeFailed, and both end the call through png_error.
void pngReadFromDevice(png_structp png, png_bytep data, size_t length);
void pngWriteToDevice(png_structp png, png_bytep data, size_t length);
void pngFlushDevice(png_structp);

struct PngReadHandles {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngReadHandles()
    {
        if (png)
            png_destroy_read_struct(&png, &info, nullptr);
    }
};

struct PngWriteHandles {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngWriteHandles()
    {
        if (png)
            png_destroy_write_struct(&png, &info);
    }
};

}  // namespace tavlo::codecs
