#include "imaging/codecs/png_codec.h"

#include "imaging/codecs/codec_reasons.h"
#include "imaging/codecs/png_io.h"
#include "imaging/codecs/row_converter.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

// Reading PNG; see png_io.h for how libpng's jumps are kept clear of destructors.

namespace tavlo::codecs {
namespace {

// How the decoded rows reach the image.
enum class Target {
    Mono,         // 1-bit grey or palette rows, packed as QImage's Format_Mono
    Indexed,      // 2, 4 or 8-bit palette and 2 or 4-bit grey, one index per byte
    Grey,         // 8 and 16-bit grey (16 scaled to 8), one level per byte
    GreyAlpha,    // grey with alpha (or a transparent grey level at 16 bits): composited on white
    Colour,       // 8 and 16-bit RGB, bytes B, G, R
    ColourAlpha,  // RGB with alpha (or a transparent colour): B, G, R, A composited on white
};

struct PngLayout {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    bool interlaced = false;
    Target target = Target::Colour;
    int paletteSize = 0;
    png_color palette[256];
    int alphaCount = 0;
    png_byte alpha[256];
    bool hasTrns = false;
    bool transparentLevel = false;  // a grey level of 8 bits or fewer marked transparent
    int transparentGrey = 0;
    bool hasDensity = false;
    png_uint_32 densityX = 0;
    png_uint_32 densityY = 0;
    size_t rowBytes = 0;
    int channels = 0;
};

// Reads the header chunks and chooses the target the rows are decoded into.
bool readLayout(png_structp png, png_infop info, PngLayout& layout)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    int interlace = 0;
    png_get_IHDR(png, info, &layout.width, &layout.height, &layout.bitDepth, &layout.colourType,
                 &interlace, nullptr, nullptr);
    layout.interlaced = interlace != PNG_INTERLACE_NONE;

    png_colorp palette = nullptr;
    int paletteSize = 0;
    if (png_get_valid(png, info, PNG_INFO_PLTE) &&
        png_get_PLTE(png, info, &palette, &paletteSize)) {
        layout.paletteSize = paletteSize < 0 ? 0 : paletteSize > 256 ? 256 : paletteSize;
        std::memcpy(layout.palette, palette, sizeof(png_color) * size_t(layout.paletteSize));
    }
    layout.hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (layout.hasTrns) {
        png_bytep alpha = nullptr;
        int alphaCount = 0;
        png_color_16p colour = nullptr;
        png_get_tRNS(png, info, &alpha, &alphaCount, &colour);
        if (layout.colourType == PNG_COLOR_TYPE_PALETTE && alpha) {
            layout.alphaCount = alphaCount < 0 ? 0 : alphaCount > 256 ? 256 : alphaCount;
            std::memcpy(layout.alpha, alpha, size_t(layout.alphaCount));
        } else if (layout.colourType == PNG_COLOR_TYPE_GRAY && colour && layout.bitDepth <= 8) {
            layout.transparentLevel = true;
            layout.transparentGrey = colour->gray;
        }
    }
    png_uint_32 resX = 0, resY = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &resX, &resY, &unit) && unit == PNG_RESOLUTION_METER) {
        layout.hasDensity = true;
        layout.densityX = resX;
        layout.densityY = resY;
    }

    switch (layout.colourType) {
    case PNG_COLOR_TYPE_GRAY:
        if (layout.bitDepth == 1)
            layout.target = Target::Mono;
        else if (layout.bitDepth < 8)
            layout.target = Target::Indexed;
        else if (layout.bitDepth == 16 && layout.hasTrns)
            layout.target = Target::GreyAlpha;
        else
            layout.target = Target::Grey;
        break;
    case PNG_COLOR_TYPE_PALETTE:
        layout.target = layout.bitDepth == 1 ? Target::Mono : Target::Indexed;
        break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: layout.target = Target::GreyAlpha; break;
    case PNG_COLOR_TYPE_RGB:
        layout.target = layout.hasTrns ? Target::ColourAlpha : Target::Colour;
        break;
    case PNG_COLOR_TYPE_RGB_ALPHA: layout.target = Target::ColourAlpha; break;
    default: return false;
    }
    return true;
}

// Sets the transforms that give rows in the target's layout: 16 bits scaled to 8, small depths
// one index per byte, colour as B, G, R, a transparent colour as an alpha channel.
bool setTransforms(png_structp png, png_infop info, PngLayout& layout)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    if (layout.bitDepth == 16)
        png_set_scale_16(png);
    if (layout.bitDepth > 1 && layout.bitDepth < 8)
        png_set_packing(png);
    if (layout.colourType == PNG_COLOR_TYPE_RGB || layout.colourType == PNG_COLOR_TYPE_RGB_ALPHA)
        png_set_bgr(png);
    if (layout.hasTrns && layout.colourType != PNG_COLOR_TYPE_PALETTE &&
        (layout.target == Target::GreyAlpha || layout.target == Target::ColourAlpha))
        png_set_tRNS_to_alpha(png);
    if (layout.interlaced)
        png_set_interlace_handling(png);
    png_read_update_info(png, info);
    layout.rowBytes = png_get_rowbytes(png, info);
    layout.channels = png_get_channels(png, info);
    return true;
}

inline uchar onWhite(unsigned value, unsigned alpha)
{
    return uchar(value + ((255 - value) * (255 - alpha) + 127) / 255);
}

// Where the rows go: straight into the image (rows), or through `through` (one row, or the whole
// image when interlaced) and composited on white into the image.
struct PixelJob {
    const PngLayout* layout = nullptr;
    png_bytep* rows = nullptr;  // one pointer per row: image rows, or rows of `through`
    png_bytep through = nullptr;
    uchar* out = nullptr;
    qsizetype outBytesPerLine = 0;
};

void compositeRow(const PixelJob& job, const png_byte* in, int y)
{
    uchar* out = job.out + y * job.outBytesPerLine;
    const int width = int(job.layout->width);
    if (job.layout->target == Target::GreyAlpha) {
        for (int x = 0; x < width; ++x, in += 2)
            out[x] = onWhite(in[0], in[1]);
    } else {
        for (int x = 0; x < width; ++x, in += 4, out += 3) {
            out[0] = onWhite(in[0], in[3]);
            out[1] = onWhite(in[1], in[3]);
            out[2] = onWhite(in[2], in[3]);
        }
    }
}

bool readPixels(png_structp png, const PixelJob& job)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    const PngLayout& layout = *job.layout;
    const bool composite =
        layout.target == Target::GreyAlpha || layout.target == Target::ColourAlpha;
    if (composite && !layout.interlaced) {
        for (png_uint_32 y = 0; y < layout.height; ++y) {
            png_read_row(png, job.through, nullptr);
            compositeRow(job, job.through, int(y));
        }
        return true;
    }
    png_read_image(png, job.rows);
    if (composite) {
        for (png_uint_32 y = 0; y < layout.height; ++y)
            compositeRow(job, job.rows[y], int(y));
    }
    return true;
}

// Dots per metre to dots per inch, to the nearest whole number.
int dpiFromMetric(png_uint_32 dotsPerMetre)
{
    return int((qint64(dotsPerMetre) * 254 + 5000) / 10000);
}

// The palette a Mono or Indexed target gets: the file's palette with transparency composited on
// white, or the grey levels of the bit depth with a transparent level turned white.
QVector<QRgb> indexedPalette(const PngLayout& layout)
{
    QVector<QRgb> palette;
    if (layout.colourType == PNG_COLOR_TYPE_PALETTE) {
        const int count = std::min(layout.paletteSize, 1 << layout.bitDepth);
        for (int i = 0; i < count; ++i) {
            const png_color& c = layout.palette[i];
            const unsigned a = i < layout.alphaCount ? layout.alpha[i] : 255;
            palette.append(qRgb(onWhite(c.red, a), onWhite(c.green, a), onWhite(c.blue, a)));
        }
        return palette;
    }
    const int levels = 1 << layout.bitDepth;
    for (int i = 0; i < levels; ++i) {
        const int v =
            (layout.transparentLevel && i == layout.transparentGrey) ? 255 : i * 255 / (levels - 1);
        palette.append(qRgb(v, v, v));
    }
    return palette;
}

ColourCode storedCode(const PngLayout& layout)
{
    switch (layout.target) {
    case Target::Mono: return ColourCode::Mono;
    case Target::Indexed:
        return layout.bitDepth == 8 ? ColourCode::Palette256 : ColourCode::Palette16;
    case Target::Grey:
    case Target::GreyAlpha: return ColourCode::Grey256;
    default: return ColourCode::Rgb24;
    }
}

QImage::Format qtFormat(Target target)
{
    switch (target) {
    case Target::Mono: return QImage::Format_Mono;
    case Target::Indexed: return QImage::Format_Indexed8;
    case Target::Grey:
    case Target::GreyAlpha: return QImage::Format_Grayscale8;
    default: return QImage::Format_BGR888;
    }
}

size_t expectedRowBytes(const PngLayout& layout)
{
    switch (layout.target) {
    case Target::Mono: return (size_t(layout.width) + 7) / 8;
    case Target::Indexed:
    case Target::Grey: return layout.width;
    case Target::GreyAlpha: return size_t(layout.width) * 2;
    case Target::Colour: return size_t(layout.width) * 3;
    case Target::ColourAlpha: return size_t(layout.width) * 4;
    }
    return 0;
}

QString failure(const PngIo& io)
{
    return io.truncated ? reasons::truncated() : reasons::damaged();
}

}  // namespace

Decoded readPng(QIODevice& in)
{
    png_byte signature[8] = {};
    const qint64 got = in.read(reinterpret_cast<char*>(signature), 8);
    if (got <= 0 || png_sig_cmp(signature, 0, size_t(got)) != 0)
        return Decoded::failure(reasons::notThisFormat("PNG"));
    if (got < 8)
        return Decoded::failure(reasons::truncated());

    PngIo io;
    io.device = &in;
    PngReadHandles handles;
    handles.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &io, onPngError, onPngWarning);
    if (!handles.png)
        return Decoded::failure(reasons::outOfMemory());
    handles.info = png_create_info_struct(handles.png);
    if (!handles.info)
        return Decoded::failure(reasons::outOfMemory());
    png_set_read_fn(handles.png, &io, pngReadFromDevice);
    png_set_sig_bytes(handles.png, 8);
    // Sizes are checked against the image bounds once the header is read, so the library's own
    // limit is lifted to what the format allows.
    png_set_user_limits(handles.png, 0x7fffffff, 0x7fffffff);
    // Ancillary chunks with a bad checksum (text, time, ...) are skipped, as viewers do.
    png_set_crc_action(handles.png, PNG_CRC_DEFAULT, PNG_CRC_QUIET_USE);

    auto layout = std::make_unique<PngLayout>();
    if (!readLayout(handles.png, handles.info, *layout))
        return Decoded::failure(failure(io));
    if (layout->width > png_uint_32(Image::kMaxSide) ||
        layout->height > png_uint_32(Image::kMaxSide) ||
        !Image::sizeAllowed(int(layout->width), int(layout->height), storedCode(*layout)))
        return Decoded::failure(reasons::tooLarge(layout->width, layout->height));
    if (!setTransforms(handles.png, handles.info, *layout))
        return Decoded::failure(failure(io));
    const int width = int(layout->width);
    const int height = int(layout->height);
    if (layout->rowBytes != expectedRowBytes(*layout))
        return Decoded::failure(reasons::unsupported(QStringLiteral("PNG")));
    if ((layout->target == Target::Mono || layout->target == Target::Indexed) &&
        indexedPalette(*layout).isEmpty())
        return Decoded::failure(reasons::damaged());

    QImage pixels(width, height, qtFormat(layout->target));
    if (pixels.isNull())
        return Decoded::failure(reasons::outOfMemory());
    const bool composite =
        layout->target == Target::GreyAlpha || layout->target == Target::ColourAlpha;
    // An interlaced file with alpha is decoded whole before compositing: that buffer is bounded
    // too.
    if (composite && layout->interlaced &&
        qint64(layout->rowBytes) * height > Image::kMaxStorageBytes)
        return Decoded::failure(reasons::tooLarge(width, height));
    std::unique_ptr<png_byte[]> through;
    std::vector<png_bytep> rows;
    try {
        if (composite) {
            const size_t throughRows = layout->interlaced ? size_t(height) : 1;
            through.reset(new png_byte[layout->rowBytes * throughRows]);
            if (layout->interlaced) {
                rows.resize(size_t(height));
                for (int y = 0; y < height; ++y)
                    rows[size_t(y)] = through.get() + size_t(y) * layout->rowBytes;
            }
        } else {
            rows.resize(size_t(height));
            for (int y = 0; y < height; ++y)
                rows[size_t(y)] = pixels.scanLine(y);
        }
    } catch (const std::bad_alloc&) {
        return Decoded::failure(reasons::outOfMemory());
    }
    PixelJob job;
    job.layout = layout.get();
    job.rows = rows.data();
    job.through = through.get();
    job.out = pixels.bits();
    job.outBytesPerLine = pixels.bytesPerLine();
    if (!readPixels(handles.png, job))
        return Decoded::failure(failure(io));

    Image image;
    switch (layout->target) {
    case Target::Mono: {
        QVector<QRgb> palette = indexedPalette(*layout);
        if (palette.size() < 2)
            palette.append(palette.front());
        pixels.setColorTable(palette);
        image = Image::fromStorage(std::move(pixels), ColourCode::Mono);
        break;
    }
    case Target::Indexed:
        pixels.setColorTable(indexedPalette(*layout));
        image = Image::fromIndexed(std::move(pixels), layout->bitDepth == 8 ? 8 : 4);
        break;
    case Target::Grey:
        if (layout->transparentLevel && layout->transparentGrey < 256) {
            const uchar transparent = uchar(layout->transparentGrey);
            for (int y = 0; y < height; ++y) {
                uchar* row = pixels.scanLine(y);
                for (int x = 0; x < width; ++x)
                    row[x] = row[x] == transparent ? 255 : row[x];
            }
        }
        image = Image::fromStorage(std::move(pixels), ColourCode::Grey256);
        break;
    case Target::GreyAlpha:
        image = Image::fromStorage(std::move(pixels), ColourCode::Grey256);
        break;
    case Target::Colour:
    case Target::ColourAlpha:
        image = Image::fromStorage(std::move(pixels), ColourCode::Rgb24);
        break;
    }
    if (image.isNull())
        return Decoded::failure(reasons::damaged());
    if (layout->hasDensity)
        image.setDpi(dpiFromMetric(layout->densityX), dpiFromMetric(layout->densityY));
    return {image, QString()};
}

}  // namespace tavlo::codecs
