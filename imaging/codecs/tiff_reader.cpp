#include "imaging/codecs/tiff_codec.h"

#include "imaging/codecs/codec_reasons.h"
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

// The rows of one sample plane in the order the file stores them, from strips or from tiles.
class RawRows {
public:
    RawRows(TIFF* tif, uint32_t width, uint32_t height)
        : m_tif(tif), m_width(width), m_height(height)
    {
    }

    // Prepares the buffers; false when the layout is absurd or memory runs out.
    bool start()
    {
        m_rowBytes = TIFFScanlineSize64(m_tif);
        if (m_rowBytes == 0 || m_rowBytes > (uint64_t(1) << 31))
            return false;
        m_tiled = TIFFIsTiled(m_tif);
        try {
            if (!m_tiled) {
                m_band.resize(size_t(m_rowBytes));
                return true;
            }
            if (!TIFFGetField(m_tif, TIFFTAG_TILEWIDTH, &m_tileWidth) ||
                !TIFFGetField(m_tif, TIFFTAG_TILELENGTH, &m_tileHeight) || m_tileWidth == 0 ||
                m_tileHeight == 0)
                return false;
            const uint64_t tileBytes = TIFFTileSize64(m_tif);
            const uint64_t tileRowBytes = TIFFTileRowSize64(m_tif);
            if (tileBytes == 0 || tileRowBytes == 0 || m_tileHeight > 65536 ||
                uint64_t(m_tileHeight) * m_rowBytes > uint64_t(Image::kMaxStorageBytes) ||
                tileBytes > uint64_t(Image::kMaxStorageBytes))
                return false;
            // Tiles start on whole bytes only when a tile row is a whole number of bytes.
            if ((tileRowBytes * 8) % m_tileWidth != 0 ||
                (tileRowBytes * 8 / m_tileWidth) * m_tileWidth != tileRowBytes * 8)
                return false;
            m_tileRowBytes = tileRowBytes;
            m_tile.resize(size_t(tileBytes));
            m_band.resize(size_t(m_tileHeight * m_rowBytes));
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }

    uint64_t rowBytes() const { return m_rowBytes; }

    // Row y of plane `plane`, or nullptr when the file fails there.
    const uint8_t* row(uint32_t y, uint16_t plane)
    {
        if (!m_tiled) {
            if (TIFFReadScanline(m_tif, m_band.data(), y, plane) < 0)
                return nullptr;
            return m_band.data();
        }
        const uint32_t bandTop = y - y % m_tileHeight;
        if (bandTop != m_bandTop || plane != m_bandPlane) {
            if (!fillBand(bandTop, plane))
                return nullptr;
        }
        return m_band.data() + size_t(y - bandTop) * m_rowBytes;
    }

private:
    bool fillBand(uint32_t top, uint16_t plane)
    {
        const uint32_t rows = std::min(m_tileHeight, m_height - top);
        const uint64_t bitsPerPixel = m_tileRowBytes * 8 / m_tileWidth;
        for (uint32_t x = 0; x < m_width; x += m_tileWidth) {
            if (TIFFReadTile(m_tif, m_tile.data(), x, top, 0, plane) < 0)
                return false;
            const uint64_t offset = uint64_t(x) * bitsPerPixel / 8;
            const uint64_t length = std::min(m_tileRowBytes, m_rowBytes - offset);
            for (uint32_t r = 0; r < rows; ++r)
                std::memcpy(m_band.data() + r * m_rowBytes + offset,
                            m_tile.data() + r * m_tileRowBytes, size_t(length));
        }
        m_bandTop = top;
        m_bandPlane = plane;
        return true;
    }

    TIFF* m_tif;
    uint32_t m_width;
    uint32_t m_height;
    bool m_tiled = false;
    uint64_t m_rowBytes = 0;
    uint32_t m_tileWidth = 0;
    uint32_t m_tileHeight = 0;
    uint64_t m_tileRowBytes = 0;
    uint32_t m_bandTop = UINT32_MAX;
    uint16_t m_bandPlane = 0;
    std::vector<uint8_t> m_tile;
    std::vector<uint8_t> m_band;
};

enum class Target { Mono, Indexed, Grey, Colour, Generic };

struct TiffLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bitsPerSample = 1;
    uint16_t samplesPerPixel = 1;
    uint16_t photometric = PHOTOMETRIC_MINISWHITE;
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    bool alpha = false;
    Target target = Target::Generic;
};

TiffLayout readLayout(TIFF* tif)
{
    TiffLayout layout;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &layout.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &layout.height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &layout.bitsPerSample);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &layout.samplesPerPixel);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &layout.planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &layout.sampleFormat);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &layout.photometric)) {
        // Writers that leave the tag out mean grey for one sample and RGB for three.
        layout.photometric = layout.samplesPerPixel >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    }
    uint16_t extraCount = 0;
    uint16_t* extra = nullptr;
    if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extra) {
        for (uint16_t i = 0; i < extraCount; ++i)
            layout.alpha = layout.alpha || extra[i] == EXTRASAMPLE_ASSOCALPHA ||
                           extra[i] == EXTRASAMPLE_UNASSALPHA;
    }
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    const uint16_t bps = layout.bitsPerSample;
    const bool plainSamples = layout.sampleFormat == SAMPLEFORMAT_UINT && !layout.alpha &&
                              compression != COMPRESSION_OJPEG;
    if (!plainSamples)
        return layout;
    switch (layout.photometric) {
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_MINISBLACK:
        if (layout.samplesPerPixel != 1)
            break;
        if (bps == 1)
            layout.target = Target::Mono;
        else if (bps == 2 || bps == 4)
            layout.target = Target::Indexed;
        else if (bps == 8 || bps == 16)
            layout.target = Target::Grey;
        break;
    case PHOTOMETRIC_PALETTE:
        if (layout.samplesPerPixel != 1)
            break;
        if (bps == 1)
            layout.target = Target::Mono;
        else if (bps == 2 || bps == 4 || bps == 8)
            layout.target = Target::Indexed;
        break;
    case PHOTOMETRIC_RGB:
        // Extra samples beyond the colour are skipped; a forged count of thousands is left to
        // libtiff's own reader, which refuses it.
        if (layout.samplesPerPixel >= 3 && layout.samplesPerPixel <= 8 && (bps == 8 || bps == 16))
            layout.target = Target::Colour;
        break;
    default: break;
    }
    return layout;
}

// The palette of a Mono or Indexed target: the colour map, or the grey levels of the depth.
QVector<QRgb> indexedPalette(TIFF* tif, const TiffLayout& layout)
{
    const int count = 1 << layout.bitsPerSample;
    QVector<QRgb> palette;
    if (layout.photometric == PHOTOMETRIC_PALETTE) {
        uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
        if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green || !blue)
            return palette;
        // Some old writers store 8-bit values in the 16-bit map; TIFF readers take a map
        // without any value above 255 as such.
        bool eightBit = true;
        for (int i = 0; i < count; ++i)
            eightBit = eightBit && red[i] < 256 && green[i] < 256 && blue[i] < 256;
        const int shift = eightBit ? 0 : 8;
        for (int i = 0; i < count; ++i)
            palette.append(qRgb(red[i] >> shift, green[i] >> shift, blue[i] >> shift));
        return palette;
    }
    for (int i = 0; i < count; ++i) {
        int level = i * 255 / (count - 1);
        if (layout.photometric == PHOTOMETRIC_MINISWHITE)
            level = 255 - level;
        palette.append(qRgb(level, level, level));
    }
    return palette;
}

inline uchar from16(uint16_t v)
{
    return uchar((unsigned(v) * 255 + 32895) >> 16);
}

// Reads the rows of a target other than Generic into `pixels`.
bool readDirect(TIFF* tif, const TiffLayout& layout, QImage& pixels)
{
    RawRows raw(tif, layout.width, layout.height);
    if (!raw.start())
        return false;
    const int width = int(layout.width);
    const bool invert = layout.photometric == PHOTOMETRIC_MINISWHITE;
    const bool separate = layout.planar == PLANARCONFIG_SEPARATE && layout.samplesPerPixel > 1;
    const int planes = separate ? 3 : 1;
    const int spp = separate ? 1 : layout.samplesPerPixel;
    const uint64_t needed = (uint64_t(width) * spp * layout.bitsPerSample + 7) / 8;
    if (raw.rowBytes() < needed)
        return false;
    uchar* bits = pixels.bits();
    const qsizetype bytesPerLine = pixels.bytesPerLine();
    for (int plane = 0; plane < planes; ++plane) {
        for (uint32_t y = 0; y < layout.height; ++y) {
            const uint8_t* in = raw.row(y, uint16_t(plane));
            if (!in)
                return false;
            uchar* out = bits + qsizetype(y) * bytesPerLine;
            switch (layout.target) {
            case Target::Mono: std::memcpy(out, in, size_t(needed)); break;
            case Target::Indexed:
                if (layout.bitsPerSample == 8) {
                    std::memcpy(out, in, size_t(width));
                } else if (layout.bitsPerSample == 4) {
                    for (int x = 0; x < width; ++x)
                        out[x] = (in[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0f;
                } else {
                    for (int x = 0; x < width; ++x)
                        out[x] = (in[x >> 2] >> (6 - 2 * (x & 3))) & 0x03;
                }
                break;
            case Target::Grey:
                if (layout.bitsPerSample == 8) {
                    for (int x = 0; x < width; ++x)
                        out[x] = invert ? uchar(255 - in[x]) : in[x];
                } else {
                    const auto* in16 = reinterpret_cast<const uint16_t*>(in);
                    for (int x = 0; x < width; ++x) {
                        uint16_t v;
                        std::memcpy(&v, in16 + x, 2);
                        out[x] = invert ? uchar(255 - from16(v)) : from16(v);
                    }
                }
                break;
            case Target::Colour:
                if (separate) {
                    // Plane 0 is red, stored third in B, G, R.
                    uchar* channel = out + (2 - plane);
                    if (layout.bitsPerSample == 8) {
                        for (int x = 0; x < width; ++x)
                            channel[3 * x] = in[x];
                    } else {
                        for (int x = 0; x < width; ++x) {
                            uint16_t v;
                            std::memcpy(&v, in + 2 * x, 2);
                            channel[3 * x] = from16(v);
                        }
                    }
                } else if (layout.bitsPerSample == 8) {
                    for (int x = 0; x < width; ++x, in += spp, out += 3) {
                        out[0] = in[2];
                        out[1] = in[1];
                        out[2] = in[0];
                    }
                } else {
                    for (int x = 0; x < width; ++x, in += 2 * spp, out += 3) {
                        uint16_t r, g, b;
                        std::memcpy(&r, in, 2);
                        std::memcpy(&g, in + 2, 2);
                        std::memcpy(&b, in + 4, 2);
                        out[0] = from16(b);
                        out[1] = from16(g);
                        out[2] = from16(r);
                    }
                }
                break;
            case Target::Generic: return false;
            }
        }
    }
    return true;
}

// Everything else libtiff can turn into RGBA (YCbCr, CMYK, Lab, alpha, JPEG-in-TIFF, ...), read
// in bands and composited on white.
bool readGeneric(TIFF* tif, const TiffLayout& layout, QImage& pixels)
{
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tif, message))
        return false;
    TIFFRGBAImage rgba;
    if (!TIFFRGBAImageBegin(&rgba, tif, 1, message))
        return false;
    rgba.req_orientation = ORIENTATION_TOPLEFT;
    uint32_t band = 64;
    uint32_t rowsPerStrip = 0;
    if (!TIFFIsTiled(tif) && TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip) &&
        rowsPerStrip > 0 && rowsPerStrip <= 1024)
        band = rowsPerStrip;
    std::vector<uint32_t> buffer;
    bool ok = true;
    try {
        buffer.resize(size_t(layout.width) * band);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    for (uint32_t top = 0; ok && top < layout.height; top += band) {
        const uint32_t rows = std::min(band, layout.height - top);
        rgba.row_offset = int(top);
        rgba.col_offset = 0;
        if (!TIFFRGBAImageGet(&rgba, buffer.data(), layout.width, rows)) {
            ok = false;
            break;
        }
        for (uint32_t r = 0; r < rows; ++r) {
            const uint32_t* in = buffer.data() + size_t(r) * layout.width;
            uchar* out = pixels.scanLine(int(top + r));
            for (uint32_t x = 0; x < layout.width; ++x, out += 3) {
                // Colours come premultiplied by their alpha: add the white that shows through.
                const uint32_t p = in[x];
                const unsigned white = 255 - TIFFGetA(p);
                out[0] = uchar(std::min(255u, TIFFGetB(p) + white));
                out[1] = uchar(std::min(255u, TIFFGetG(p) + white));
                out[2] = uchar(std::min(255u, TIFFGetR(p) + white));
            }
        }
    }
    TIFFRGBAImageEnd(&rgba);
    return ok;
}

int toDpi(float value, uint16_t unit)
{
    const double dpi = unit == RESUNIT_CENTIMETER ? double(value) * 2.54 : double(value);
    if (unit == RESUNIT_NONE || !(dpi >= 0.5 && dpi <= 1e6))
        return 0;
    return int(std::lround(dpi));
}

ColourCode storedCode(const TiffLayout& layout)
{
    switch (layout.target) {
    case Target::Mono: return ColourCode::Mono;
    case Target::Indexed:
        return layout.bitsPerSample == 8 ? ColourCode::Palette256 : ColourCode::Palette16;
    case Target::Grey: return ColourCode::Grey256;
    default: return ColourCode::Rgb24;
    }
}

QString readFailure(const TiffIo& io)
{
    return io.shortRead ? reasons::truncated() : reasons::damaged();
}

}  // namespace

Decoded readTiff(QIODevice& in)
{
    char magic[4] = {};
    if (in.peek(magic, 4) < 4 || !((magic[0] == 'I' && magic[1] == 'I' &&
                                    (magic[2] == 42 || magic[2] == 43) && magic[3] == 0) ||
                                   (magic[0] == 'M' && magic[1] == 'M' && magic[2] == 0 &&
                                    (magic[3] == 42 || magic[3] == 43))))
        return Decoded::failure(reasons::notThisFormat("TIFF"));

    TiffIo io;
    io.device = &in;
    TiffHandle handle;
    handle.tif = openTiff(io, "rm");
    if (!handle.tif)
        return Decoded::failure(readFailure(io));
    TIFF* tif = handle.tif;
    const TiffLayout layout = readLayout(tif);
    if (layout.width == 0 || layout.height == 0)
        return Decoded::failure(reasons::damaged());
    const ColourCode code = storedCode(layout);
    if (layout.width > uint32_t(Image::kMaxSide) || layout.height > uint32_t(Image::kMaxSide) ||
        !Image::sizeAllowed(int(layout.width), int(layout.height), code))
        return Decoded::failure(reasons::tooLarge(layout.width, layout.height));

    QImage pixels(int(layout.width), int(layout.height), storageFormat(code));
    if (pixels.isNull())
        return Decoded::failure(reasons::outOfMemory());
    QVector<QRgb> palette;
    if (layout.target == Target::Mono || layout.target == Target::Indexed) {
        palette = indexedPalette(tif, layout);
        if (palette.isEmpty())
            return Decoded::failure(reasons::damaged());
    }
    if (layout.target == Target::Generic) {
        if (!readGeneric(tif, layout, pixels)) {
            if (io.shortRead || io.libraryError)
                return Decoded::failure(readFailure(io));
            return Decoded::failure(
                reasons::unsupported(QStringLiteral("TIFF (色の形式 %1, %2 ﾋﾞｯﾄ x %3)")
                                         .arg(layout.photometric)
                                         .arg(layout.bitsPerSample)
                                         .arg(layout.samplesPerPixel)));
        }
    } else if (!readDirect(tif, layout, pixels)) {
        return Decoded::failure(readFailure(io));
    }
    // libtiff gets over some missing data by itself (a colour map cut off reads as grey); a file
    // that ended before all it points to is not taken for whole.
    if (io.shortRead)
        return Decoded::failure(reasons::truncated());

    Image image;
    switch (layout.target) {
    case Target::Mono:
        pixels.setColorTable(palette);
        image = Image::fromStorage(std::move(pixels), ColourCode::Mono);
        break;
    case Target::Indexed:
        pixels.setColorTable(palette);
        image = Image::fromIndexed(std::move(pixels), layout.bitsPerSample == 8 ? 8 : 4);
        break;
    default: image = Image::fromStorage(std::move(pixels), code); break;
    }
    if (image.isNull())
        return Decoded::failure(reasons::damaged());
    float resolutionX = 0, resolutionY = 0;
    uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &resolutionX) &&
        TIFFGetField(tif, TIFFTAG_YRESOLUTION, &resolutionY))
        image.setDpi(toDpi(resolutionX, unit), toDpi(resolutionY, unit));
    return {image, QString()};
}

}  // namespace tavlo::codecs
