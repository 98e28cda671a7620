#include "imaging/process/free_turn.h"

#include "imaging/process/colour_conversion.h"
#include "imaging/process/colour_math.h"
#include "imaging/process/nearest_colour.h"
#include "imaging/process/palette_mapping.h"
#include "imaging/process/parallel_rows.h"

#include <cmath>
#include <cstring>
#include <numbers>

namespace tavlo::process {
namespace {

// Source coordinates in 32.32 fixed point: the step error stays below a millionth of a pixel
// across the widest image.
constexpr int kFraction = 32;
constexpr qint64 kOne = qint64(1) << kFraction;

// Where output pixel centres fall in the source, row by row: the centre of output pixel (x, y)
// maps to source point (u0 + x * du, v0 + x * dv) of row y, in pixels, where source pixel (i, j)
// covers [i, i + 1) x [j, j + 1).
struct Mapping {
    int width = 0;  // output size
    int height = 0;
    double cosine = 1, sine = 0;
    double srcCentreX = 0, srcCentreY = 0, outCentreX = 0, outCentreY = 0;

    // Source point of the centre of output pixel (0, y), shifted by -0.5 for bilinear sampling
    // (so the integer part is the upper-left of the four pixels), in fixed point.
    void rowStart(int y, double shift, qint64& u, qint64& v) const
    {
        const double dx = 0.5 - outCentreX, dy = y + 0.5 - outCentreY;
        u = std::llround((srcCentreX + dx * cosine - dy * sine + shift) * double(kOne));
        v = std::llround((srcCentreY + dx * sine + dy * cosine + shift) * double(kOne));
    }
    qint64 stepU() const { return std::llround(cosine * double(kOne)); }
    qint64 stepV() const { return std::llround(sine * double(kOne)); }
};

Mapping mappingFor(int width, int height, int centidegrees, bool keepSize)
{
    Mapping m;
    const double radians = double(centidegrees) / 18000.0 * std::numbers::pi;
    m.cosine = std::cos(radians);
    m.sine = std::sin(radians);
    const double c = std::abs(m.cosine), s = std::abs(m.sine);
    if (keepSize) {
        m.width = width;
        m.height = height;
    } else {
        // The small allowance keeps rounding noise from adding a column (cos 90 is not 0 exactly).
        m.width = int(std::ceil(width * c + height * s - 1e-6));
        m.height = int(std::ceil(width * s + height * c - 1e-6));
    }
    m.srcCentreX = width / 2.0;
    m.srcCentreY = height / 2.0;
    m.outCentreX = m.width / 2.0;
    m.outCentreY = m.height / 2.0;
    return m;
}

// Nearest pixel: copies Bytes bytes of the source pixel under each output centre, or the fill.
template <int Bytes>
void nearestBand(const QImage& in, const WritableRows& out, const Mapping& m, const uchar* fill,
                 int begin, int end)
{
    const int width = in.width(), height = in.height();
    const uchar* bits = in.constBits();
    const qsizetype stride = in.bytesPerLine();
    const qint64 du = m.stepU(), dv = m.stepV();
    for (int y = begin; y < end; ++y) {
        qint64 u, v;
        m.rowStart(y, 0.0, u, v);
        uchar* o = out[y];
        for (int x = 0; x < m.width; ++x, u += du, v += dv) {
            const qint64 sx = u >> kFraction, sy = v >> kFraction;
            const uchar* p = (sx >= 0 && sy >= 0 && sx < width && sy < height)
                                 ? bits + sy * stride + sx * Bytes
                                 : fill;
            std::memcpy(o + std::size_t(x) * Bytes, p, Bytes);
        }
    }
}

void nearestBandMono(const QImage& in, const WritableRows& out, const Mapping& m, int fillBit,
                     int begin, int end)
{
    const int width = in.width(), height = in.height();
    const uchar* bits = in.constBits();
    const qsizetype stride = in.bytesPerLine();
    const qint64 du = m.stepU(), dv = m.stepV();
    for (int y = begin; y < end; ++y) {
        qint64 u, v;
        m.rowStart(y, 0.0, u, v);
        uchar* o = out[y];
        std::memset(o, 0, std::size_t(out.stride));
        for (int x = 0; x < m.width; ++x, u += du, v += dv) {
            const qint64 sx = u >> kFraction, sy = v >> kFraction;
            int bit = fillBit;
            if (sx >= 0 && sy >= 0 && sx < width && sy < height)
                bit = (bits[sy * stride + (sx >> 3)] >> (7 - (sx & 7))) & 1;
            if (bit)
                o[x >> 3] |= uchar(0x80 >> (x & 7));
        }
    }
}

// Bilinear: Channels interpolated channels in pixels of Bytes bytes (24: 3/3, 32: 3/4, grey:
// 1/1); a 32-bit pixel's fourth byte is set to 0xff.
template <int Channels, int Bytes>
void bilinearBand(const QImage& in, const WritableRows& out, const Mapping& m, const uchar* fill,
                  int begin, int end)
{
    const int width = in.width(), height = in.height();
    const uchar* bits = in.constBits();
    const qsizetype stride = in.bytesPerLine();
    const qint64 du = m.stepU(), dv = m.stepV();
    for (int y = begin; y < end; ++y) {
        qint64 u, v;
        m.rowStart(y, -0.5, u, v);
        uchar* o = out[y];
        for (int x = 0; x < m.width; ++x, u += du, v += dv) {
            const qint64 sx = u >> kFraction, sy = v >> kFraction;
            const int wx = int((u >> (kFraction - 8)) & 0xff);
            const int wy = int((v >> (kFraction - 8)) & 0xff);
            uchar* d = o + std::size_t(x) * Bytes;
            if (sx >= 0 && sy >= 0 && sx < width - 1 && sy < height - 1) {
                const uchar* p = bits + sy * stride + sx * Bytes;
                const uchar* q = p + stride;
                for (int c = 0; c < Channels; ++c) {
                    const int top = p[c] * (256 - wx) + p[c + Bytes] * wx;
                    const int bottom = q[c] * (256 - wx) + q[c + Bytes] * wx;
                    d[c] = uchar((top * (256 - wy) + bottom * wy + 32768) >> 16);
                }
            } else if (sx < -1 || sy < -1 || sx >= width || sy >= height) {
                std::memcpy(d, fill, Channels);
            } else {
                // On the edge: the fill stands in for the missing neighbours.
                auto at = [&](qint64 px, qint64 py) -> const uchar* {
                    return (px >= 0 && py >= 0 && px < width && py < height)
                               ? bits + py * stride + px * Bytes
                               : fill;
                };
                const uchar* p00 = at(sx, sy);
                const uchar* p10 = at(sx + 1, sy);
                const uchar* p01 = at(sx, sy + 1);
                const uchar* p11 = at(sx + 1, sy + 1);
                for (int c = 0; c < Channels; ++c) {
                    const int top = p00[c] * (256 - wx) + p10[c] * wx;
                    const int bottom = p01[c] * (256 - wx) + p11[c] * wx;
                    d[c] = uchar((top * (256 - wy) + bottom * wy + 32768) >> 16);
                }
            }
            if constexpr (Bytes == 4)
                d[3] = 0xff;
        }
    }
}

// The fill colour as the bytes of one pixel at the image's code.
void fillBytes(const Image& image, QRgb fill, uchar bytes[4], int& index)
{
    const int r = qRed(fill), g = qGreen(fill), b = qBlue(fill);
    index = 0;
    std::memset(bytes, 0, 4);
    switch (image.code()) {
    case ColourCode::Rgb24:
    case ColourCode::Rgb32:
        bytes[0] = uchar(b);
        bytes[1] = uchar(g);
        bytes[2] = uchar(r);
        bytes[3] = 0xff;
        break;
    case ColourCode::Rgb555: {
        const quint16 word = pack555(r, g, b);
        std::memcpy(bytes, &word, 2);
        break;
    }
    case ColourCode::Grey256: bytes[0] = uchar(luma(r, g, b)); break;
    default:
        index = NearestColour(image.palette()).find(r, g, b);
        bytes[0] = uchar(index);
        break;
    }
}

Image turnNearest(const Image& image, const Mapping& m, QRgb fill)
{
    const QImage& in = image.pixels();
    QImage out(m.width, m.height, in.format());
    if (out.isNull())
        return {};
    out.setColorTable(in.colorTable());
    uchar bytes[4];
    int fillIndex = 0;
    fillBytes(image, fill, bytes, fillIndex);
    const WritableRows rows(out);
    const int depth = in.depth();
    parallelRows(m.height, 64, [&](int begin, int end) {
        switch (depth) {
        case 1: nearestBandMono(in, rows, m, fillIndex, begin, end); break;
        case 8: nearestBand<1>(in, rows, m, bytes, begin, end); break;
        case 16: nearestBand<2>(in, rows, m, bytes, begin, end); break;
        case 24: nearestBand<3>(in, rows, m, bytes, begin, end); break;
        default: nearestBand<4>(in, rows, m, bytes, begin, end); break;
        }
    });
    return Image::fromStorage(std::move(out), image.code());
}

// Smooth turn of a 24-, 32-bit or grey 80 image.
Image turnBilinear(const Image& image, const Mapping& m, QRgb fill)
{
    const QImage& in = image.pixels();
    QImage out(m.width, m.height, in.format());
    if (out.isNull())
        return {};
    uchar bytes[4];
    int unused = 0;
    fillBytes(image, fill, bytes, unused);
    const WritableRows rows(out);
    const ColourCode code = image.code();
    parallelRows(m.height, 64, [&](int begin, int end) {
        if (code == ColourCode::Grey256)
            bilinearBand<1, 1>(in, rows, m, bytes, begin, end);
        else if (code == ColourCode::Rgb32)
            bilinearBand<3, 4>(in, rows, m, bytes, begin, end);
        else
            bilinearBand<3, 3>(in, rows, m, bytes, begin, end);
    });
    return Image::fromStorage(std::move(out), code);
}

}  // namespace

Image freelyTurned(const Image& image, int centidegrees, const FreeTurnOptions& options)
{
    if (image.isNull())
        return {};
    const Mapping m = mappingFor(image.width(), image.height(), centidegrees, options.keepSize);
    if (!Image::sizeAllowed(m.width, m.height, image.code()))
        return {};
    Image result;
    const ColourCode code = image.code();
    if (!options.smooth) {
        result = turnNearest(image, m, options.fill);
    } else if (code == ColourCode::Rgb24 || code == ColourCode::Rgb32 ||
               code == ColourCode::Grey256) {
        result = turnBilinear(image, m, options.fill);
    } else {
        // 16, 1-bit and palette codes: interpolate in 24 bits, then back to the image's code.
        const Image colour = convertColour(image, ColourCode::Rgb24);
        if (colour.isNull())
            return {};
        result = backToCodeOf(turnBilinear(colour, m, options.fill), image);
    }
    if (!result.isNull())
        result.setDpi(image.dpiX(), image.dpiY());
    return result;
}

}  // namespace tavlo::process
