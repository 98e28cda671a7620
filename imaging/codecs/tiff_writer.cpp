#include "imaging/codecs/tiff_codec.h"

#include "imaging/codecs/codec_reasons.h"
#include "imaging/codecs/ordered_work.h"
#include "imaging/codecs/row_converter.h"
#include "imaging/codecs/tiff_io.h"

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace tavlo::codecs {
namespace {

struct WriteSettings {
    uint16_t photometric = PHOTOMETRIC_RGB;
    uint16_t bitsPerSample = 8;
    uint16_t samplesPerPixel = 1;
    uint16_t compression = COMPRESSION_LZW;
    uint16_t predictor = PREDICTOR_NONE;
    QVector<QRgb> colourMap;  // PHOTOMETRIC_PALETTE only
};

enum class RowSource { Direct, Nibbles, GreyNibbles, Rgb };

bool setTags(TIFF* tif, int width, int height, int dpiX, int dpiY, const WriteSettings& s,
             uint32_t rowsPerStrip)
{
    bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(width)) &&
              TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(height)) &&
              TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, s.bitsPerSample) &&
              TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, s.samplesPerPixel) &&
              TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, s.photometric) &&
              TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
              TIFFSetField(tif, TIFFTAG_COMPRESSION, s.compression) &&
              TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    if (ok && s.predictor != PREDICTOR_NONE)
        ok = TIFFSetField(tif, TIFFTAG_PREDICTOR, s.predictor);
    if (ok && s.compression == COMPRESSION_CCITTFAX4)
        ok = TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
    if (ok && (dpiX > 0 || dpiY > 0)) {
        ok = TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH) &&
             TIFFSetField(tif, TIFFTAG_XRESOLUTION, float(dpiX)) &&
             TIFFSetField(tif, TIFFTAG_YRESOLUTION, float(dpiY));
    }
    if (ok && s.photometric == PHOTOMETRIC_PALETTE) {
        // The map holds 2^bits entries; entries beyond the palette are black. 8-bit values are
        // widened to 16 bits by repetition (v * 257), so reading back by >> 8 is exact.
        const int count = 1 << s.bitsPerSample;
        std::vector<uint16_t> red(size_t(count), 0), green(size_t(count), 0),
            blue(size_t(count), 0);
        for (int i = 0; i < count && i < s.colourMap.size(); ++i) {
            red[size_t(i)] = uint16_t(qRed(s.colourMap[i]) * 257);
            green[size_t(i)] = uint16_t(qGreen(s.colourMap[i]) * 257);
            blue[size_t(i)] = uint16_t(qBlue(s.colourMap[i]) * 257);
        }
        ok = TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
    }
    return ok;
}

// How each colour-depth code is stored, the writer's side of readLayout: the settings of the
// file's tags and how the rows are packed.
struct TiffWriteLayout {
    WriteSettings settings;
    RowSource source = RowSource::Direct;
    uchar levels[16] = {};  // GreyNibbles: the 4-bit grey level of each palette entry
};

TiffWriteLayout writeLayout(ColourCode code, const QVector<QRgb>& palette)
{
    TiffWriteLayout layout;
    switch (code) {
    case ColourCode::Mono:
        layout.settings.bitsPerSample = 1;
        if (palette == QVector<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)} ||
            palette == QVector<QRgb>{qRgb(255, 255, 255), qRgb(0, 0, 0)}) {
            // Black and white: fax compression, the photometric chosen so the bits stay as they
            // are.
            layout.settings.compression = COMPRESSION_CCITTFAX4;
            layout.settings.photometric =
                qRed(palette[0]) == 0 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_MINISWHITE;
        } else {
            layout.settings.photometric = PHOTOMETRIC_PALETTE;
            layout.settings.colourMap = palette;
        }
        break;
    case ColourCode::Grey16: {
        bool even = true;
        for (int i = 0; i < palette.size(); ++i) {
            even = even && qRed(palette[i]) % 17 == 0;
            layout.levels[i] = uchar(qRed(palette[i]) / 17);
        }
        layout.settings.bitsPerSample = 4;
        if (even) {
            layout.settings.photometric = PHOTOMETRIC_MINISBLACK;
            layout.source = RowSource::GreyNibbles;
        } else {
            layout.settings.photometric = PHOTOMETRIC_PALETTE;
            layout.settings.colourMap = palette;
            layout.source = RowSource::Nibbles;
        }
        break;
    }
    case ColourCode::Palette16:
        layout.settings.bitsPerSample = 4;
        layout.settings.photometric = PHOTOMETRIC_PALETTE;
        layout.settings.colourMap = palette;
        layout.source = RowSource::Nibbles;
        break;
    case ColourCode::Palette256:
        layout.settings.photometric = PHOTOMETRIC_PALETTE;
        layout.settings.colourMap = palette;
        break;
    case ColourCode::Grey256:
        layout.settings.photometric = PHOTOMETRIC_MINISBLACK;
        layout.settings.predictor = PREDICTOR_HORIZONTAL;
        break;
    case ColourCode::Rgb555:
    case ColourCode::Rgb24:
    case ColourCode::Rgb32:
        layout.settings.samplesPerPixel = 3;
        layout.settings.predictor = PREDICTOR_HORIZONTAL;
        layout.source = RowSource::Rgb;
        break;
    }
    return layout;
}

using RowPacker = std::function<void(int y, uchar* out)>;

// Encodes rows [first, first + rows) as one strip of a TIFF in memory with the same settings and
// keeps the compressed bytes, which the file then takes as they are (TIFFWriteRawStrip). Strips
// are coded independently, so this gives the bytes the file's own encoder would.
bool encodeStrip(int width, int first, int rows, qint64 rowBytes, const WriteSettings& s,
                 const RowPacker& pack, std::vector<uchar>& out)
{
    try {
        std::vector<uchar> raw(size_t(rows) * size_t(rowBytes));
        for (int r = 0; r < rows; ++r)
            pack(first + r, raw.data() + size_t(r) * size_t(rowBytes));
        MemoryFile file;
        TiffIo messages;
        TIFF* tif = openMemoryTiff(messages, "w", file);
        if (!tif)
            return false;
        uint64_t* offsets = nullptr;
        uint64_t* counts = nullptr;
        const bool ok = setTags(tif, width, rows, 0, 0, s, uint32_t(rows)) &&
                        TIFFWriteEncodedStrip(tif, 0, raw.data(), tmsize_t(raw.size())) >= 0 &&
                        TIFFGetField(tif, TIFFTAG_STRIPOFFSETS, &offsets) &&
                        TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts) && offsets && counts &&
                        offsets[0] + counts[0] <= file.bytes.size();
        if (ok)
            out.assign(file.bytes.begin() + ptrdiff_t(offsets[0]),
                       file.bytes.begin() + ptrdiff_t(offsets[0] + counts[0]));
        TIFFCleanup(tif);  // frees without writing a directory
        return ok;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace

QString writeTiff(const Image& image, QIODevice& out)
{
    if (image.isNull())
        return reasons::nullImage();
    const RowConverter converter(image);
    const TiffWriteLayout layout = writeLayout(image.code(), image.palette());
    const WriteSettings& s = layout.settings;
    const RowSource source = layout.source;
    const uchar* levels = layout.levels;

    const int width = image.width();
    const int height = image.height();
    const qint64 rowBytes = (qint64(width) * s.bitsPerSample * s.samplesPerPixel + 7) / 8;
    // Fax pages are one strip, as fax readers expect; other strips hold about 256 KB.
    const uint32_t rowsPerStrip =
        s.compression == COMPRESSION_CCITTFAX4
            ? uint32_t(height)
            : uint32_t(std::clamp<qint64>((256 * 1024) / std::max<qint64>(rowBytes, 1), 1, height));
    const RowPacker pack = [&](int y, uchar* row) {
        const uchar* in = image.scanLine(y);
        switch (source) {
        case RowSource::Direct: std::memcpy(row, in, size_t(rowBytes)); break;
        case RowSource::Nibbles:
        case RowSource::GreyNibbles: {
            const bool grey = source == RowSource::GreyNibbles;
            for (int x = 0; x < width; x += 2) {
                const uchar first = grey ? levels[in[x]] : in[x];
                const uchar second = x + 1 < width ? (grey ? levels[in[x + 1]] : in[x + 1]) : 0;
                row[x / 2] = uchar((first << 4) | second);
            }
            break;
        }
        case RowSource::Rgb: converter.rgb(y, row); break;
        }
    };

    TiffIo io;
    io.device = &out;
    TiffHandle handle;
    handle.tif = openTiff(io, "w");
    if (!handle.tif)
        return io.writeFailed ? reasons::writeFailed() : reasons::encodeFailed("TIFF");
    TIFF* tif = handle.tif;
    auto failed = [&] {
        return io.writeFailed ? reasons::writeFailed() : reasons::encodeFailed("TIFF");
    };
    if (!setTags(tif, width, height, image.dpiX(), image.dpiY(), s, rowsPerStrip))
        return failed();
    const int strips = int((uint32_t(height) + rowsPerStrip - 1) / rowsPerStrip);
    if (strips > 1) {
        // Strips are compressed on worker threads and written in order.
        std::vector<std::vector<uchar>> encoded(static_cast<size_t>(strips));
        const bool ok = OrderedWork::run(
            strips, 0,
            [&](int strip) {
                const int first = strip * int(rowsPerStrip);
                const int rows = std::min(int(rowsPerStrip), height - first);
                return encodeStrip(width, first, rows, rowBytes, s, pack, encoded[size_t(strip)]);
            },
            [&](int strip) {
                std::vector<uchar>& bytes = encoded[size_t(strip)];
                const tmsize_t size = tmsize_t(bytes.size());
                const bool written =
                    TIFFWriteRawStrip(tif, uint32_t(strip), bytes.data(), size) == size;
                std::vector<uchar>().swap(bytes);
                return written;
            });
        if (!ok)
            return failed();
    } else {
        std::vector<uchar> row;
        try {
            row.resize(size_t(std::max<qint64>(rowBytes, 1)));
        } catch (const std::bad_alloc&) {
            return reasons::outOfMemory();
        }
        for (int y = 0; y < height; ++y) {
            // libtiff may change the row it is given (the predictor works in place), hence the
            // copy.
            pack(y, row.data());
            if (TIFFWriteScanline(tif, row.data(), uint32_t(y), 0) < 0)
                return failed();
        }
    }
    if (!TIFFWriteDirectory(tif) || io.writeFailed)
        return failed();
    TIFFClose(tif);
    handle.tif = nullptr;
    if (io.writeFailed)
        return reasons::writeFailed();
    return QString();
}

QByteArray encodeGroup4(const Image& image, int blackIndex)
{
    if (image.isNull() || image.code() != ColourCode::Mono)
        return QByteArray();
    WriteSettings s;
    s.bitsPerSample = 1;
    s.compression = COMPRESSION_CCITTFAX4;
    s.photometric = PHOTOMETRIC_MINISWHITE;
    const qint64 rowBytes = (qint64(image.width()) + 7) / 8;
    // The coder writes 1 bits as black runs.
    const uchar flip = blackIndex == 0 ? 0xff : 0x00;
    const RowPacker pack = [&](int y, uchar* row) {
        const uchar* in = image.scanLine(y);
        for (qint64 i = 0; i < rowBytes; ++i)
            row[i] = in[i] ^ flip;
    };
    std::vector<uchar> coded;
    if (!encodeStrip(image.width(), 0, image.height(), rowBytes, s, pack, coded))
        return QByteArray();
    return QByteArray(reinterpret_cast<const char*>(coded.data()), qsizetype(coded.size()));
}

}  // namespace tavlo::codecs
