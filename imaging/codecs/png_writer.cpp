#include "imaging/codecs/png_codec.h"

#include "imaging/codecs/banded_deflate.h"
#include "imaging/codecs/codec_reasons.h"
#include "imaging/codecs/png_io.h"
#include "imaging/codecs/row_converter.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

// Writing PNG; see png_io.h for how libpng's jumps are kept clear of destructors.

namespace tavlo::codecs {
namespace {

// Rows of 1-bit and palette images go through libpng: they are small (at most a byte a pixel)
// and compress best unfiltered. Grey and colour rows go through writeBanded.
enum class RowSource {
    Direct,      // the image's rows as they are (1-bit, palette indices)
    GreyLevels,  // 16 even grey levels: palette index -> level / 17 through `levels`
};

struct WriteJob {
    const uchar* bits = nullptr;
    qsizetype bytesPerLine = 0;
    int width = 0;
    int height = 0;
    int colourType = 0;
    int bitDepth = 0;
    png_color palette[256];
    int paletteSize = 0;
    bool pack = false;
    bool density = false;
    png_uint_32 densityX = 0;
    png_uint_32 densityY = 0;
    RowSource source = RowSource::Direct;
    uchar levels[256] = {};
    uchar* scratch = nullptr;
    int bandedBytesPerPixel = 0;  // 1 for grey, 3 for colour: rows go through writeBanded
};

bool writeImage(png_structp png, png_infop info, const WriteJob& job)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_IHDR(png, info, png_uint_32(job.width), png_uint_32(job.height), job.bitDepth,
                 job.colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (job.colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_PLTE(png, info, job.palette, job.paletteSize);
    if (job.density)
        png_set_pHYs(png, info, job.densityX, job.densityY, PNG_RESOLUTION_METER);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_buffer_size(png, 256 * 1024);
    png_write_info(png, info);
    if (job.pack)
        png_set_packing(png);
    for (int y = 0; y < job.height; ++y) {
        const uchar* row = job.bits + y * job.bytesPerLine;
        switch (job.source) {
        case RowSource::Direct: break;
        case RowSource::GreyLevels:
            for (int x = 0; x < job.width; ++x)
                job.scratch[x] = job.levels[row[x]];
            row = job.scratch;
            break;
        }
        png_write_row(png, const_cast<png_bytep>(row));
    }
    png_write_end(png, nullptr);
    return true;
}

// Writes the signature and the chunks before the image data; the rows then come as ready-made
// IDAT chunks (see writeBanded).
bool writeHeader(png_structp png, png_infop info, const WriteJob& job)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_IHDR(png, info, png_uint_32(job.width), png_uint_32(job.height), job.bitDepth,
                 job.colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (job.density)
        png_set_pHYs(png, info, job.densityX, job.densityY, PNG_RESOLUTION_METER);
    png_write_info(png, info);
    return true;
}

bool writeChunk(png_structp png, const char* name, const uchar* data, size_t size)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_write_chunk(png, reinterpret_cast<png_const_bytep>(name), data, size);
    return true;
}

// Dots per inch to dots per metre, rounded so that dpiFromMetric() gives the same dots per inch.
png_uint_32 metricFromDpi(int dpi)
{
    const qint64 metric = (qint64(dpi) * 10000 + 127) / 254;
    return png_uint_32(std::min<qint64>(metric, 0x7fffffff));
}

// Grey and colour pages are the large ones: their rows are filtered and deflated on several
// threads and written as ready-made IDAT chunks. The deflate settings (the filtered strategy, a
// match search of 256 steps that gives up early on short matches) keep a noisy 300 dpi colour
// scan no larger than deflate level 7 makes it, for about the work of level 6.
QString writeBanded(png_structp png, png_infop info, const WriteJob& job, const Image& image,
                    const RowConverter& converter, const PngIo& io)
{
    auto failed = [&] {
        return io.writeFailed ? reasons::writeFailed() : reasons::encodeFailed("PNG");
    };
    if (!writeHeader(png, info, job))
        return failed();
    constexpr size_t kChunkBytes = 512 * 1024;
    std::vector<uchar> pending;
    auto flush = [&] {
        const bool ok = pending.empty() || writeChunk(png, "IDAT", pending.data(), pending.size());
        pending.clear();
        return ok;
    };
    const int width = job.width;
    BandedDeflate::RowSource source;
    if (job.bandedBytesPerPixel == 1)
        source = [&image, width](int y, uchar* out) {
            std::memcpy(out, image.scanLine(y), size_t(width));
        };
    else
        source = [&converter](int y, uchar* out) { converter.rgb(y, out); };
    bool outOfMemory = false;
    auto sink = [&](const uchar* data, size_t size) {
        try {
            pending.insert(pending.end(), data, data + size);
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
            return false;
        }
        return pending.size() < kChunkBytes || flush();
    };
    if (!BandedDeflate::compress(width, job.height, job.bandedBytesPerPixel, source,
                                 BandedDeflate::Settings::forScans(), sink) ||
        !flush() || !writeChunk(png, "IEND", nullptr, 0))
        return outOfMemory ? reasons::outOfMemory() : failed();
    return QString();
}

}  // namespace

QString writePng(const Image& image, QIODevice& out)
{
    if (image.isNull())
        return reasons::nullImage();
    auto job = std::make_unique<WriteJob>();
    job->bits = image.pixels().constBits();
    job->bytesPerLine = image.bytesPerLine();
    job->width = image.width();
    job->height = image.height();
    if (image.dpiX() > 0 || image.dpiY() > 0) {
        job->density = true;
        job->densityX = metricFromDpi(image.dpiX());
        job->densityY = metricFromDpi(image.dpiY());
    }
    const QVector<QRgb> palette = image.palette();
    auto usePalette = [&] {
        job->colourType = PNG_COLOR_TYPE_PALETTE;
        job->paletteSize = int(palette.size());
        for (int i = 0; i < palette.size(); ++i)
            job->palette[i] = png_color{png_byte(qRed(palette[i])), png_byte(qGreen(palette[i])),
                                        png_byte(qBlue(palette[i]))};
    };
    const RowConverter converter(image);
    std::unique_ptr<uchar[]> scratch;
    switch (image.code()) {
    case ColourCode::Mono:
        job->bitDepth = 1;
        if (palette == QVector<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)})
            job->colourType = PNG_COLOR_TYPE_GRAY;
        else
            usePalette();
        break;
    case ColourCode::Grey16: {
        // Sixteen even levels fit a 4-bit grey file; other greys keep their palette.
        bool even = true;
        for (int i = 0; i < palette.size(); ++i) {
            even = even && qRed(palette[i]) % 17 == 0;
            job->levels[i] = uchar(qRed(palette[i]) / 17);
        }
        job->bitDepth = 4;
        job->pack = true;
        if (even) {
            job->colourType = PNG_COLOR_TYPE_GRAY;
            job->source = RowSource::GreyLevels;
        } else {
            usePalette();
        }
        break;
    }
    case ColourCode::Palette16:
        usePalette();
        job->bitDepth = 4;
        job->pack = true;
        break;
    case ColourCode::Palette256:
        usePalette();
        job->bitDepth = 8;
        break;
    case ColourCode::Grey256:
        job->colourType = PNG_COLOR_TYPE_GRAY;
        job->bitDepth = 8;
        job->bandedBytesPerPixel = 1;
        break;
    case ColourCode::Rgb555:
    case ColourCode::Rgb24:
    case ColourCode::Rgb32:
        job->colourType = PNG_COLOR_TYPE_RGB;
        job->bitDepth = 8;
        job->bandedBytesPerPixel = 3;
        break;
    }
    if (job->source != RowSource::Direct) {
        scratch.reset(new (std::nothrow) uchar[size_t(job->width)]);
        if (!scratch)
            return reasons::outOfMemory();
        job->scratch = scratch.get();
    }

    PngIo io;
    io.device = &out;
    PngWriteHandles handles;
    handles.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &io, onPngError, onPngWarning);
    if (!handles.png)
        return reasons::outOfMemory();
    handles.info = png_create_info_struct(handles.png);
    if (!handles.info)
        return reasons::outOfMemory();
    png_set_write_fn(handles.png, &io, pngWriteToDevice, pngFlushDevice);
    if (job->bandedBytesPerPixel == 0) {
        if (!writeImage(handles.png, handles.info, *job))
            return io.writeFailed ? reasons::writeFailed() : reasons::encodeFailed("PNG");
        return QString();
    }
    return writeBanded(handles.png, handles.info, *job, image, converter, io);
}

}  // namespace tavlo::codecs
