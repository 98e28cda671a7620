#include "imaging/process/colour_conversion.h"

#include "imaging/process/colour_math.h"
#include "imaging/process/error_diffusion.h"
#include "imaging/process/nearest_colour.h"
#include "imaging/process/palette_builder.h"
#include "imaging/process/parallel_rows.h"
#include "imaging/process/row_reader.h"

#include <array>
#include <cstring>
#include <memory>
#include <vector>

namespace tavlo::process {
namespace {

// Rows per band. Diffusion restarts at each band, which is invisible at this height.
constexpr int kBandRows = 256;
// Three-quarter strength diffusion for palettes (see the header).
constexpr int kPaletteStrength = 12;
constexpr int kFullStrength = 16;

QVector<QRgb> evenGreys()
{
    QVector<QRgb> greys(16);
    for (int i = 0; i < 16; ++i)
        greys[i] = qRgb(i * 17, i * 17, i * 17);
    return greys;
}

// For each grey level, the 5-5-5 colour nearest to it (least squared difference, then least
// largest difference) whose luma is exactly that level.
const std::array<quint16, 256>& greyTo555()
{
    static const std::array<quint16, 256> table = [] {
        std::array<quint16, 256> t{};
        for (int level = 0; level < 256; ++level) {
            int bestSquares = 1 << 30, bestMax = 1 << 30;
            const int centre = truncate8To5(level);
            for (int r = std::max(0, centre - 3); r <= std::min(31, centre + 3); ++r)
                for (int g = std::max(0, centre - 3); g <= std::min(31, centre + 3); ++g)
                    for (int b = std::max(0, centre - 3); b <= std::min(31, centre + 3); ++b) {
                        const int R = expand5(r), G = expand5(g), B = expand5(b);
                        if (luma(R, G, B) != level)
                            continue;
                        const int squares = (R - level) * (R - level) + (G - level) * (G - level) +
                                            (B - level) * (B - level);
                        const int most = std::max(
                            {std::abs(R - level), std::abs(G - level), std::abs(B - level)});
                        if (squares < bestSquares || (squares == bestSquares && most < bestMax)) {
                            bestSquares = squares;
                            bestMax = most;
                            t[level] = quint16((r << 10) | (g << 5) | b);
                        }
                    }
        }
        return t;
    }();
    return table;
}

struct BgrSource {
    const RowReader& reader;
    const uchar* row(int y, uchar* buffer) { return reader.bgr(y, buffer); }
};

struct LumaSource {
    const RowReader& reader;
    const uchar* row(int y, uchar* buffer) { return reader.luma(y, buffer); }
};

struct MonoQuantiser {
    WritableRows out;
    int threshold;
    uchar* row = nullptr;
    void beginRow(int y)
    {
        row = out[y];
        std::memset(row, 0, std::size_t(out.stride));
    }
    void put(int x, const int* value, int* chosen)
    {
        const bool white = value[0] >= threshold;
        chosen[0] = white ? 255 : 0;
        if (white)
            row[x >> 3] |= uchar(0x80 >> (x & 7));
    }
};

struct Grey16Quantiser {
    WritableRows out;
    uchar* row = nullptr;
    void beginRow(int y) { row = out[y]; }
    void put(int x, const int* value, int* chosen)
    {
        const int index = evenGrey16Index(value[0]);
        row[x] = uchar(index);
        chosen[0] = index * 17;
    }
};

struct Rgb555Quantiser {
    WritableRows out;
    quint16* row = nullptr;
    void beginRow(int y) { row = reinterpret_cast<quint16*>(out[y]); }
    void put(int x, const int* value, int* chosen)  // value is B, G, R
    {
        const int b = truncate8To5(value[0]), g = truncate8To5(value[1]),
                  r = truncate8To5(value[2]);
        row[x] = quint16((r << 10) | (g << 5) | b);
        chosen[0] = expand5(b);
        chosen[1] = expand5(g);
        chosen[2] = expand5(r);
    }
};

struct PaletteQuantiser {
    WritableRows out;
    NearestColour& nearest;
    const QVector<QRgb>& palette;
    uchar* row = nullptr;
    void beginRow(int y) { row = out[y]; }
    void put(int x, const int* value, int* chosen)  // value is B, G, R
    {
        const int index = nearest.find(value[2], value[1], value[0]);
        row[x] = uchar(index);
        const QRgb c = palette[index];
        chosen[0] = qBlue(c);
        chosen[1] = qGreen(c);
        chosen[2] = qRed(c);
    }
};

Image withDpi(Image image, const Image& source)
{
    if (!image.isNull())
        image.setDpi(source.dpiX(), source.dpiY());
    return image;
}

Image toDirect(const RowReader& reader, ColourCode target)
{
    const Image& source = reader.image();
    const int width = source.width();
    QImage out(width, source.height(), storageFormat(target));
    if (out.isNull())
        return {};
    const WritableRows rows(out);
    parallelRows(source.height(), 64, [&](int begin, int end) {
        std::vector<uchar> buffer(std::size_t(width) * 3 + 16);
        for (int y = begin; y < end; ++y) {
            uchar* o = rows[y];
            if (target == ColourCode::Grey256) {
                const uchar* in = reader.luma(y, buffer.data());
                std::memcpy(o, in, std::size_t(width));
                continue;
            }
            const uchar* in = reader.bgr(y, buffer.data());
            if (target == ColourCode::Rgb24) {
                std::memcpy(o, in, std::size_t(width) * 3);
            } else {  // Rgb32
                for (int x = 0; x < width; ++x) {
                    o[4 * x] = in[3 * x];
                    o[4 * x + 1] = in[3 * x + 1];
                    o[4 * x + 2] = in[3 * x + 2];
                    o[4 * x + 3] = 0xff;
                }
            }
        }
    });
    return Image::fromStorage(std::move(out), target);
}

Image toRgb555(const RowReader& reader, bool dither)
{
    const Image& source = reader.image();
    const int width = source.width();
    QImage out(width, source.height(), QImage::Format_RGB555);
    if (out.isNull())
        return {};
    if (isGreyCode(source.code())) {
        const auto& table = greyTo555();
        const WritableRows rows(out);
        parallelRows(source.height(), 64, [&](int begin, int end) {
            std::vector<uchar> buffer(std::size_t(width) + 16);
            for (int y = begin; y < end; ++y) {
                const uchar* in = reader.luma(y, buffer.data());
                quint16* o = reinterpret_cast<quint16*>(rows[y]);
                for (int x = 0; x < width; ++x)
                    o[x] = table[in[x]];
            }
        });
        return Image::fromStorage(std::move(out), ColourCode::Rgb555);
    }
    const bool deep = source.code() == ColourCode::Rgb24 || source.code() == ColourCode::Rgb32;
    const int strength = dither && deep ? kFullStrength : 0;
    const WritableRows rows(out);
    parallelRows(source.height(), kBandRows, [&](int begin, int end) {
        BgrSource in{reader};
        Rgb555Quantiser quantiser{rows};
        diffuseBand<3>(width, begin, end, in, quantiser, strength);
    });
    return Image::fromStorage(std::move(out), ColourCode::Rgb555);
}

Image toGrey16(const RowReader& reader, bool dither)
{
    const Image& source = reader.image();
    QImage out(source.width(), source.height(), QImage::Format_Indexed8);
    if (out.isNull())
        return {};
    out.setColorTable(evenGreys());
    const WritableRows rows(out);
    parallelRows(source.height(), kBandRows, [&](int begin, int end) {
        LumaSource in{reader};
        Grey16Quantiser quantiser{rows};
        diffuseBand<1>(source.width(), begin, end, in, quantiser, dither ? kFullStrength : 0);
    });
    return Image::fromStorage(std::move(out), ColourCode::Grey16);
}

Image toMono(const RowReader& reader, bool dither, int threshold)
{
    const Image& source = reader.image();
    QImage out(source.width(), source.height(), QImage::Format_Mono);
    if (out.isNull())
        return {};
    out.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    const WritableRows rows(out);
    parallelRows(source.height(), kBandRows, [&](int begin, int end) {
        LumaSource in{reader};
        MonoQuantiser quantiser{rows, threshold};
        diffuseBand<1>(source.width(), begin, end, in, quantiser, dither ? kFullStrength : 0);
    });
    return Image::fromStorage(std::move(out), ColourCode::Mono);
}

Image toPalette(const RowReader& reader, int bits, bool dither)
{
    const Image& source = reader.image();
    const int capacity = bits == 4 ? 16 : 256;
    QVector<QRgb> palette;
    int strength = 0;
    if (const auto exact = exactPalette(reader, capacity)) {
        palette = *exact;
    } else {
        palette = bestPalette(reader, capacity);
        strength = dither ? kPaletteStrength : 0;
    }
    if (palette.isEmpty())
        return {};
    QImage out(source.width(), source.height(), QImage::Format_Indexed8);
    if (out.isNull())
        return {};
    out.setColorTable(palette);
    const WritableRows rows(out);
    // One colour cache per thread, kept across its bands.
    std::vector<std::unique_ptr<NearestColour>> caches(
        static_cast<std::size_t>(processThreadCount()));
    parallelRows(source.height(), kBandRows, [&](int begin, int end, int worker) {
        if (!caches[worker])
            caches[worker] = std::make_unique<NearestColour>(palette);
        BgrSource in{reader};
        PaletteQuantiser quantiser{rows, *caches[worker], palette};
        diffuseBand<3>(source.width(), begin, end, in, quantiser, strength);
    });
    return Image::fromIndexed(std::move(out), bits);
}

}  // namespace

Image convertColour(const Image& source, ColourCode target, const ConvertOptions& options)
{
    if (source.isNull() || !isColourCode(int(target)))
        return {};
    if (source.code() == target)
        return source;
    const RowReader reader(source);
    switch (target) {
    case ColourCode::Rgb24:
    case ColourCode::Rgb32:
    case ColourCode::Grey256: return withDpi(toDirect(reader, target), source);
    case ColourCode::Rgb555: return withDpi(toRgb555(reader, options.dither), source);
    case ColourCode::Grey16: return withDpi(toGrey16(reader, options.dither), source);
    case ColourCode::Mono:
        return withDpi(toMono(reader, options.dither, std::clamp(options.threshold, 0, 256)),
                       source);
    case ColourCode::Palette16:
        if (source.isGrey())
            return withDpi(toGrey16(reader, options.dither), source);
        return withDpi(toPalette(reader, 4, options.dither), source);
    case ColourCode::Palette256:
        if (source.code() == ColourCode::Grey256)
            return source;
        if (source.code() == ColourCode::Grey16)
            return withDpi(toDirect(reader, ColourCode::Grey256), source);
        return withDpi(toPalette(reader, 8, options.dither), source);
    }
    return {};
}

}  // namespace tavlo::process
