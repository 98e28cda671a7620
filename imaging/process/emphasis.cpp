#include "imaging/process/emphasis.h"

#include "imaging/process/colour_math.h"
#include "imaging/process/nearest_colour.h"
#include "imaging/process/polygon_region.h"

#include <array>
#include <cmath>
#include <optional>
#include <vector>

namespace tavlo::process {
namespace {

// A colour map as a table per channel (every emphasis treats channels separately).
struct ChannelMaps {
    std::array<uchar, 256> red{}, green{}, blue{};
    QRgb operator()(QRgb c) const { return qRgb(red[qRed(c)], green[qGreen(c)], blue[qBlue(c)]); }
};

void applyToDirect(Image& image, const PolygonRegion& region, const ChannelMaps& map)
{
    QImage& pixels = image.pixels();
    const ColourCode code = image.code();
    for (int y = 0; y < region.height(); ++y) {
        if (region.spans(y).empty())
            continue;
        uchar* row = pixels.scanLine(y);
        for (const PolygonRegion::Span& span : region.spans(y)) {
            for (int x = span.begin; x < span.end; ++x) {
                if (code == ColourCode::Rgb24 || code == ColourCode::Rgb32) {
                    uchar* p = row + std::size_t(x) * (code == ColourCode::Rgb24 ? 3 : 4);
                    p[0] = map.blue[p[0]];
                    p[1] = map.green[p[1]];
                    p[2] = map.red[p[2]];
                } else if (code == ColourCode::Rgb555) {
                    quint16* p = reinterpret_cast<quint16*>(row) + x;
                    *p = pack555(map.red[expand5((*p >> 10) & 31)],
                                 map.green[expand5((*p >> 5) & 31)], map.blue[expand5(*p & 31)]);
                } else {  // Grey256
                    const uchar v = row[x];
                    row[x] = uchar(luma(map.red[v], map.green[v], map.blue[v]));
                }
            }
        }
    }
}

void applyToIndexed(Image& image, const PolygonRegion& region, const ChannelMaps& map)
{
    const ColourCode code = image.code();
    QVector<QRgb> palette = image.palette();
    const int capacity = paletteCapacity(code);
    // New index for each old index used inside, found once per index.
    std::array<int, 256> target;
    target.fill(-1);
    std::optional<NearestColour> nearest;
    auto indexFor = [&](int old) {
        if (target[old] >= 0)
            return target[old];
        const QRgb wanted = map(palette[old]);
        int found = int(palette.indexOf(wanted | 0xff000000u));
        if (found < 0 && palette.size() < capacity) {
            palette.append(wanted | 0xff000000u);
            found = int(palette.size()) - 1;
        }
        if (found < 0) {
            if (!nearest)
                nearest.emplace(image.palette());
            found = nearest->find(wanted);
        }
        target[old] = found;
        return found;
    };
    QImage pixels = image.pixels();
    for (int y = 0; y < region.height(); ++y) {
        if (region.spans(y).empty())
            continue;
        uchar* row = pixels.scanLine(y);
        for (const PolygonRegion::Span& span : region.spans(y)) {
            for (int x = span.begin; x < span.end; ++x) {
                if (code == ColourCode::Mono) {
                    const uchar mask = uchar(0x80 >> (x & 7));
                    const int old = (row[x >> 3] & mask) ? 1 : 0;
                    if (indexFor(old))
                        row[x >> 3] |= mask;
                    else
                        row[x >> 3] &= uchar(~mask);
                } else {
                    row[x] = uchar(indexFor(row[x]));
                }
            }
        }
    }
    pixels.setColorTable(palette);
    const int dpiX = image.dpiX(), dpiY = image.dpiY();
    Image result = code == ColourCode::Mono
                       ? Image::fromStorage(std::move(pixels), code)
                       : Image::fromIndexed(std::move(pixels), bitsPerPixel(code));
    if (result.isNull())
        return;
    result.setDpi(dpiX, dpiY);
    image = std::move(result);
}

bool apply(Image& image, const QPolygon& polygon, const ChannelMaps& map)
{
    if (image.isNull())
        return false;
    const PolygonRegion region(polygon, image.width(), image.height());
    if (region.isEmpty())
        return false;
    if (isIndexedCode(image.code()) && image.code() != ColourCode::Grey256)
        applyToIndexed(image, region, map);
    else
        applyToDirect(image, region, map);
    return true;
}

template <class F> ChannelMaps sameForEveryChannel(F f)
{
    ChannelMaps map;
    for (int v = 0; v < 256; ++v)
        map.red[v] = map.green[v] = map.blue[v] = clampToByte(f(v));
    return map;
}

}  // namespace

bool emphasizeRelativeFill(Image& image, const QPolygon& polygon, int red, int green, int blue)
{
    ChannelMaps map;
    for (int v = 0; v < 256; ++v) {
        map.red[v] = clampToByte(v + std::clamp(red, -255, 255));
        map.green[v] = clampToByte(v + std::clamp(green, -255, 255));
        map.blue[v] = clampToByte(v + std::clamp(blue, -255, 255));
    }
    return apply(image, polygon, map);
}

bool emphasizeRelativeAdjust(Image& image, const QPolygon& polygon, int contrast)
{
    contrast = std::clamp(contrast, -255, 254);
    const double factor = contrast <= 0 ? (255.0 + contrast) / 255.0 : 255.0 / (255.0 - contrast);
    return apply(image, polygon, sameForEveryChannel([factor](int v) {
                     return int(std::lround(128.0 + (v - 128) * factor));
                 }));
}

bool emphasizeMarker(Image& image, const QPolygon& polygon, int red, int green, int blue)
{
    if (red < 0 || green < 0 || blue < 0) {
        red = 255;
        green = 255;
        blue = 0;
    }
    const int marker[3] = {std::min(red, 255), std::min(green, 255), std::min(blue, 255)};
    ChannelMaps map;
    for (int v = 0; v < 256; ++v) {
        map.red[v] = uchar((v * marker[0] + 127) / 255);
        map.green[v] = uchar((v * marker[1] + 127) / 255);
        map.blue[v] = uchar((v * marker[2] + 127) / 255);
    }
    return apply(image, polygon, map);
}

}  // namespace tavlo::process
