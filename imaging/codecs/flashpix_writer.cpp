#include "imaging/codecs/codec_reasons.h"
#include "imaging/codecs/flashpix_codec.h"
#include "imaging/codecs/flashpix_format.h"
#include "imaging/codecs/flashpix_jpeg.h"
#include "imaging/codecs/flashpix_subimage.h"
#include "imaging/codecs/ordered_work.h"
#include "imaging/codecs/property_set.h"
#include "imaging/codecs/row_converter.h"

#include <QDateTime>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <tuple>
#include <new>
#include <vector>

namespace tavlo::codecs {
namespace {

using namespace flashpix;

// A reduced level of the hierarchy: rows of width x channels bytes, no padding.
struct Plane {
    int width = 0;
    int height = 0;
    std::vector<uchar> pixels;
};

struct Level {
    SubimageHeader header;
    QByteArray data;
};

using RowSource = std::function<void(int y, uchar* out)>;

// True when every pixel of the tile has the first pixel's colour: the first row pixel by pixel,
// then every row against the first.
bool uniform(const uchar* tile, int channels)
{
    const std::size_t row = std::size_t(kTile * channels);
    for (std::size_t i = std::size_t(channels); i < row; ++i) {
        if (tile[i] != tile[i - std::size_t(channels)])
            return false;
    }
    for (int y = 1; y < kTile; ++y) {
        if (std::memcmp(tile, tile + std::size_t(y) * row, row) != 0)
            return false;
    }
    return true;
}

// Copies the tile at x0 out of the band; columns past the level's edge repeat its last column.
void cutTile(const std::vector<uchar>& band, int width, int channels, int x0, uchar* tile)
{
    const std::size_t stride = std::size_t(width) * std::size_t(channels);
    const int inside = std::min(kTile, width - x0);
    for (int r = 0; r < kTile; ++r) {
        const uchar* in = band.data() + std::size_t(r) * stride + std::size_t(x0 * channels);
        uchar* out = tile + r * kTile * channels;
        std::memcpy(out, in, std::size_t(inside * channels));
        for (int x = inside; x < kTile; ++x) {
            for (int c = 0; c < channels; ++c)
                out[x * channels + c] = out[(inside - 1) * channels + c];
        }
    }
}

// Halves 64 rows of the band (rows past the level's end repeat its last row) into next, 2 x 2
// averages, the last column repeated when the width is odd.
void halveBand(const std::vector<uchar>& band, int width, int channels, int y0, Plane& next)
{
    const std::size_t stride = std::size_t(width) * std::size_t(channels);
    for (int r = 0; r < kTile / 2 && y0 / 2 + r < next.height; ++r) {
        const uchar* a = band.data() + std::size_t(2 * r) * stride;
        const uchar* b = a + stride;
        uchar* out = next.pixels.data() +
                     std::size_t(y0 / 2 + r) * std::size_t(next.width) * std::size_t(channels);
        for (int x = 0; x < next.width; ++x) {
            const int left = 2 * x * channels;
            const int right = std::min(2 * x + 1, width - 1) * channels;
            for (int c = 0; c < channels; ++c)
                *out++ = uchar((a[left + c] + a[right + c] + b[left + c] + b[right + c] + 2) / 4);
        }
    }
}

// One band of 64 rows, tiled: per tile its JPEG bytes, or for a tile of one colour that colour
// (a byte per channel, low first) and the size of the part inside the image.
struct Band {
    struct Tile {
        QByteArray jpeg;
        quint32 colour = 0;
        int width = 0;
        int height = 0;
    };
    std::vector<Tile> tiles;
};

// The stored tiles of one colour, by colour and size inside the image: every tile of that colour
// and size points at the same bytes.
using SharedTiles = std::map<std::tuple<quint32, int, int>, std::pair<quint32, quint32>>;

// Tiles one level: JPEG tiles, those of one colour (white paper) stored once per colour and size
// and shared. Such tiles could be single-colour tiles, which FlashPix has, but Pillow's reader
// cannot decode those, while every reader reads JPEG tiles. The next smaller level is made from
// the same bands when next is given. Bands are tiled on worker threads (each with its own
// compressor; the tables are the same for the same quality) and joined in order. row must be safe
// to call from several threads at once.
bool encodeLevel(int width, int height, int channels, int quality, const RowSource& row,
                 Plane* next, Level& level)
{
    const std::size_t stride = std::size_t(width) * std::size_t(channels);
    const int bands = (height + kTile - 1) / kTile;
    std::vector<Band> done(static_cast<std::size_t>(bands));
    const auto produce = [&](int b) {
        try {
            const int y0 = b * kTile;
            std::vector<uchar> band(stride * kTile);
            std::vector<uchar> tile(std::size_t(kTile * kTile * channels));
            for (int r = 0; r < kTile; ++r) {
                uchar* out = band.data() + std::size_t(r) * stride;
                if (y0 + r < height)
                    row(y0 + r, out);
                else
                    std::memcpy(out, out - stride, stride);
            }
            FlashPixJpegEncoder jpeg(channels, quality);
            Band& result = done[std::size_t(b)];
            for (int x0 = 0; x0 < width; x0 += kTile) {
                cutTile(band, width, channels, x0, tile.data());
                Band::Tile out;
                out.width = std::min(kTile, width - x0);
                out.height = std::min(kTile, height - y0);
                if (uniform(tile.data(), channels)) {
                    for (int c = 0; c < channels; ++c)
                        out.colour |= quint32(tile[std::size_t(c)]) << (8 * c);
                } else {
                    out.jpeg = jpeg.encode(tile.data(), out.width, out.height);
                    if (out.jpeg.isEmpty())
                        return false;
                }
                result.tiles.push_back(std::move(out));
            }
            if (next)
                halveBand(band, width, channels, y0, *next);
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    };
    level.header.width = width;
    level.header.height = height;
    level.header.channels = channels;
    level.data = streamHeader(kSubimageDataClass);
    FlashPixJpegEncoder plain(channels, quality);
    const quint32 jpegSubtype = (quint32(plain.subsampled() ? 0x22 : 0x11) << 8) |
                                (quint32(channels == 3 ? 1 : 0) << 16) | (1u << 24);
    SharedTiles shared;
    std::vector<uchar> tile(std::size_t(kTile * kTile * channels));
    const auto append = [&](const QByteArray& bytes) {
        const std::pair<quint32, quint32> place(quint32(level.data.size() - kStreamHeaderBytes),
                                                quint32(bytes.size()));
        level.data += bytes;
        return place;
    };
    const auto consume = [&](int b) {
        Band& band = done[std::size_t(b)];
        for (const Band::Tile& t : band.tiles) {
            std::pair<quint32, quint32> place;
            if (!t.jpeg.isEmpty()) {
                place = append(t.jpeg);
            } else {
                const auto key = std::make_tuple(t.colour, t.width, t.height);
                auto it = shared.find(key);
                if (it == shared.end()) {
                    for (std::size_t p = 0; p < tile.size(); ++p)
                        tile[p] = uchar(t.colour >> (8 * (p % std::size_t(channels))));
                    const QByteArray bytes = plain.encode(tile.data(), t.width, t.height);
                    if (bytes.isEmpty())
                        return false;
                    it = shared.emplace(key, append(bytes)).first;
                }
                place = it->second;
            }
            level.header.tiles.push_back({place.first, place.second, Jpeg, jpegSubtype});
        }
        band = Band();
        return true;
    };
    return OrderedWork::run(bands, 0, produce, consume);
}

// FILETIME: hundreds of nanoseconds since 1601-01-01 UTC.
quint64 fileTimeNow()
{
    constexpr qint64 kUnixEpochIn1601Ms = 11644473600000LL;
    return quint64(QDateTime::currentMSecsSinceEpoch() + kUnixEpochIn1601Ms) * 10000u;
}

PropertySet summary()
{
    PropertySet set(summaryFormatId());
    set.setUInt(1, 65001, PropertySet::I2);  // code page: UTF-8
    set.setAnsiText(0x12, "Tavlo");          // application name
    set.setFileTime(0x0C, fileTimeNow());    // created
    return set;
}

PropertySet imageInfo(const Image& image)
{
    PropertySet set(classId(kImageInfoClass));
    set.setText(kSoftwareName, QStringLiteral("Tavlo"));
    if (image.dpiX() > 0)
        set.setReal(kScannerPixelSize, 25400.0f / float(image.dpiX()));
    return set;
}

PropertySet imageContents(const Image& image, const std::vector<QSize>& sizes,
                          const ChannelLayout& layout, const QByteArray& tables)
{
    PropertySet set(classId(kImageContentsClass));
    const int levels = int(sizes.size());
    set.setUInt(kResolutionCount, quint32(levels));
    set.setUInt(kWidth, quint32(image.width()));
    set.setUInt(kHeight, quint32(image.height()));
    if (image.dpiX() > 0 && image.dpiY() > 0) {
        set.setReal(kDisplayWidth, float(image.width()) / float(image.dpiX()));
        set.setReal(kDisplayHeight, float(image.height()) / float(image.dpiY()));
        set.setUInt(kDisplayUnit, 0);
    }
    for (int i = 0; i < levels; ++i) {
        const QSize size = sizes[std::size_t(levels - 1 - i)];  // level 0 is the smallest
        set.setUInt(perLevel(kSubimageWidth, i), quint32(size.width()));
        set.setUInt(perLevel(kSubimageHeight, i), quint32(size.height()));
        set.setBlob(perLevel(kSubimageColour, i), layout.blob());
    }
    set.setBlob(perLevel(kJpegTables, 1), tables);
    set.setUInt(kMaxJpegTable, 1);
    return set;
}

}  // namespace

QString writeFlashPix(const Image& image, QIODevice& out, int quality)
{
    if (image.isNull())
        return reasons::nullImage();
    quality = std::clamp(quality, 1, 100);
    const RowConverter converter(image);
    ChannelLayout layout;
    layout.space = image.code() == ColourCode::Grey256 || converter.greyOnly()
                       ? ChannelLayout::Monochrome
                       : ChannelLayout::NifRgb;
    const int channels = layout.channels();
    std::vector<QSize> sizes{image.pixels().size()};  // full size first, halved down to one tile
    while (std::max(sizes.back().width(), sizes.back().height()) > kTile)
        sizes.push_back(QSize((sizes.back().width() + 1) / 2, (sizes.back().height() + 1) / 2));
    FlashPixJpegEncoder jpeg(channels, quality);
    if (jpeg.tables().isEmpty())
        return reasons::encodeFailed("FlashPix");

    CompoundWriter writer;
    writer.root().setClassId(classId(kImageViewClass));
    writer.root().stream(kSummary, summary().serialise());
    {
        CompoundWriter::Storage store =
            writer.root().storage(kImageObject, classId(kImageObjectClass));
        store.stream(kImageContents,
                     imageContents(image, sizes, layout, jpeg.tables()).serialise());
        store.stream(kImageInfo, imageInfo(image).serialise());
        Plane current;
        try {
            for (std::size_t k = 0; k < sizes.size(); ++k) {
                Plane next;
                const bool hasNext = k + 1 < sizes.size();
                if (hasNext) {
                    next.width = sizes[k + 1].width();
                    next.height = sizes[k + 1].height();
                    next.pixels.resize(std::size_t(next.width) * std::size_t(next.height) *
                                       std::size_t(channels));
                }
                const RowSource row =
                    k == 0 ? RowSource([&](int y, uchar* o) {
                        layout.space == ChannelLayout::Monochrome ? converter.grey(y, o)
                                                                  : converter.rgb(y, o);
                    })
                           : RowSource([&](int y, uchar* o) {
                                 const std::size_t stride =
                                     std::size_t(current.width) * std::size_t(channels);
                                 std::memcpy(o, current.pixels.data() + std::size_t(y) * stride,
                                             stride);
                             });
                Level level;
                if (!encodeLevel(sizes[k].width(), sizes[k].height(), channels, quality, row,
                                 hasNext ? &next : nullptr, level))
                    return reasons::encodeFailed("FlashPix");
                CompoundWriter::Storage resolution = store.storage(
                    resolutionName(int(sizes.size() - 1 - k)), classId(kResolutionClass));
                resolution.stream(kSubimageHeader, level.header.serialise());
                resolution.stream(kSubimageData, level.data);
                resolution.close();
                current = std::move(next);
            }
        } catch (const std::bad_alloc&) {
            return reasons::outOfMemory();
        }
        store.close();
    }
    const QByteArray bytes = writer.finish();
    if (bytes.isEmpty())
        return reasons::encodeFailed("FlashPix");
    if (out.write(bytes) != bytes.size())
        return reasons::writeFailed();
    return QString();
}

}  // namespace tavlo::codecs
