#pragma once

#include <tiffio.h>

#include <QIODevice>

#include <cstdint>
#include <vector>

// The devices behind libtiff, shared by the TIFF reader and writer: the file's device, and a file
// in memory where the writer codes strips on worker threads.

namespace tavlo::codecs {

// What happened on the device while libtiff used it.
struct TiffIo {
    QIODevice* device = nullptr;
    bool shortRead = false;
    bool writeFailed = false;
    bool libraryError = false;
};

// Closes the TIFF when it goes.
struct TiffHandle {
    TIFF* tif = nullptr;
    ~TiffHandle()
    {
        if (tif)
            TIFFClose(tif);
    }
};

// A TIFF file in memory, where strips are encoded on worker threads.
struct MemoryFile {
    std::vector<uint8_t> bytes;
    uint64_t position = 0;
};

// Opens a TIFF on io.device ("rm" to read, "w" to write); libtiff's messages only set
// io.libraryError. nullptr when libtiff refuses the file.
TIFF* openTiff(TiffIo& io, const char* mode);

// The same on a file in memory; messages only collects libtiff's messages.
TIFF* openMemoryTiff(TiffIo& messages, const char* mode, MemoryFile& file);

}  // namespace tavlo::codecs
