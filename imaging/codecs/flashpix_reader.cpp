#include "imaging/codecs/own_codec_reasons.h"
#include "imaging/codecs/compound_reader.h"
#include "imaging/codecs/flashpix_codec.h"
#include "imaging/codecs/flashpix_format.h"
#include "imaging/codecs/flashpix_jpeg.h"
#include "imaging/codecs/flashpix_subimage.h"
#include "imaging/codecs/ordered_work.h"
#include "imaging/codecs/property_set.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

namespace tavlo::codecs {
namespace {

using namespace flashpix;

constexpr qint64 kMaxPropertyBytes = 16 << 20;
constexpr qint64 kMaxTileBytes = 1 << 20;  // a 64 x 64 tile of four channels is 16 KiB raw

QString notFlashPix()
{
    return reasons::notThisFormat("FlashPix");
}

uchar clampByte(float value)
{
    return uchar(std::clamp(std::lround(value), 0L, 255L));
}

// PhotoYCC to R, G, B; the 1.3584-scaled range (up to 346) is mapped linearly onto 0..255.
void photoYccToRgb(const uchar* ycc, uchar* rgb)
{
    const float y = 1.3584f * ycc[0];
    const float c1 = ycc[1];
    const float c2 = ycc[2];
    constexpr float kScale = 255.0f / (1.3584f * 255.0f);
    rgb[0] = clampByte((y + 1.8215f * c2 - 249.55f) * kScale);
    rgb[1] = clampByte((y - 0.43031f * c1 - 0.9271f * c2 + 194.14f) * kScale);
    rgb[2] = clampByte((y + 2.2179f * c1 - 345.99f) * kScale);
}

uchar onWhite(int value, int opacity, bool premultiplied)
{
    if (premultiplied)
        return uchar(std::min(255, value + 255 - opacity));
    return uchar((value * opacity + 255 * (255 - opacity) + 127) / 255);
}

// Where decoded tiles go: the image's pixels, taken once so worker threads share no QImage.
struct Target {
    uchar* bits = nullptr;
    qsizetype bytesPerLine = 0;
    uchar* scanLine(int y) const { return bits + y * bytesPerLine; }
};

// Puts the decoded tile (channels interleaved, kTile bytes per channel per row) into the image.
void placeTile(const uchar* tile, const ChannelLayout& layout, int x0, int y0, int width,
               int height, const Target& image)
{
    const int channels = layout.channels();
    for (int y = 0; y < height; ++y) {
        const uchar* in = tile + y * kTile * channels;
        uchar* out = image.scanLine(y0 + y);
        if (layout.space == ChannelLayout::Monochrome &&
            !layout.opacity) {  // the common cases first
            std::memcpy(out + x0, in, std::size_t(width));
            continue;
        }
        if (layout.space == ChannelLayout::NifRgb && !layout.opacity) {
            uchar* px = out + 3 * x0;
            for (int x = 0; x < width; ++x, in += 3, px += 3) {
                px[0] = in[2];
                px[1] = in[1];
                px[2] = in[0];
            }
            continue;
        }
        for (int x = 0; x < width; ++x, in += channels) {
            uchar rgb[3];
            if (layout.space == ChannelLayout::PhotoYcc)
                photoYccToRgb(in, rgb);
            else
                std::memcpy(rgb, in, layout.space == ChannelLayout::Monochrome ? 1 : 3);
            if (layout.space == ChannelLayout::Monochrome) {
                out[x0 + x] =
                    layout.opacity ? onWhite(rgb[0], in[1], layout.premultiplied) : rgb[0];
                continue;
            }
            uchar* px = out + 3 * (x0 + x);
            for (int c = 0; c < 3; ++c) {
                const uchar v =
                    layout.opacity ? onWhite(rgb[c], in[3], layout.premultiplied) : rgb[c];
                px[2 - c] = v;  // stored B, G, R
            }
        }
    }
}

struct Source {
    const CompoundReader* file = nullptr;
    QStringList base;  // the image object's storage
    PropertySet contents;
};

// Decodes one band of tiles (one row of them) into the image. Reading the stream is guarded by
// the lock; decoding and placing run unguarded, each band on its own rows.
QString readBand(const Source& source, const SubimageHeader& header,
                 const CompoundReader::Stream& data, std::mutex& streamLock,
                 const ChannelLayout& layout, int band, const Target& image)
{
    const int channels = layout.channels();
    std::vector<uchar> tile(std::size_t(kTile * kTile * channels));
    std::vector<uchar> compressed;
    FlashPixJpegDecoder jpeg;
    quint32 loadedTable = 0;
    const int across = SubimageHeader::tilesAcross(header.width);
    const auto read = [&](qint64 offset, qint64 length, uchar* out) {
        const std::lock_guard<std::mutex> lock(streamLock);
        return data.readAt(offset, length, out);
    };
    for (int column = 0; column < across; ++column) {
        const TileEntry& entry =
            header.tiles[std::size_t(band) * std::size_t(across) + std::size_t(column)];
        const int x0 = column * kTile;
        const int y0 = band * kTile;
        const int width = std::min(kTile, header.width - x0);
        const int height = std::min(kTile, header.height - y0);
        const qint64 offset = kStreamHeaderBytes + qint64(entry.offset);
        switch (entry.compression) {
        case Uncompressed:
            if (entry.size < tile.size() || !read(offset, qint64(tile.size()), tile.data()))
                return reasons::truncated();
            break;
        case SingleColour:
            for (std::size_t p = 0; p < tile.size(); ++p)
                tile[p] = uchar(entry.subtype >> (8 * (p % std::size_t(channels))));
            break;
        case Jpeg: {
            if (entry.size > kMaxTileBytes)
                return reasons::damaged();
            compressed.resize(entry.size);
            if (!read(offset, entry.size, compressed.data()))
                return reasons::truncated();
            const quint32 table = entry.subtype >> 24;
            if (table != 0 && table != loadedTable) {
                const std::optional<QByteArray> tables =
                    source.contents.blob(perLevel(kJpegTables, int(table)));
                if (!tables || !jpeg.loadTables(*tables))
                    return reasons::damaged();
                loadedTable = table;
            }
            const bool convert =
                ((entry.subtype >> 16) & 0xFF) != 0 && layout.space == ChannelLayout::NifRgb;
            if (!jpeg.decode(compressed.data(), entry.size, channels, convert, width, height,
                             tile.data()))
                return reasons::damaged();
            break;
        }
        default:
            return reasons::unsupported(QStringLiteral("ﾀｲﾙの圧縮方式 %1").arg(entry.compression));
        }
        placeTile(tile.data(), layout, x0, y0, width, height, image);
    }
    return QString();
}

// Every band of tiles, on worker threads; the first failure in band order is the reason.
QString readTiles(const Source& source, const SubimageHeader& header,
                  const CompoundReader::Stream& data, const ChannelLayout& layout, Image& image)
{
    const Target target{image.pixels().bits(), image.bytesPerLine()};
    const int bands = (header.height + kTile - 1) / kTile;
    std::vector<QString> reasonsOf(static_cast<std::size_t>(bands));
    std::mutex streamLock;
    OrderedWork::run(
        bands, 0,
        [&](int band) {
            try {
                reasonsOf[std::size_t(band)] =
                    readBand(source, header, data, streamLock, layout, band, target);
            } catch (const std::bad_alloc&) {
                reasonsOf[std::size_t(band)] = reasons::outOfMemory();
            }
            return reasonsOf[std::size_t(band)].isEmpty();
        },
        [&](int band) { return reasonsOf[std::size_t(band)].isEmpty(); });
    for (const QString& reason : reasonsOf) {
        if (!reason.isEmpty())
            return reason;
    }
    return QString();
}

// Dots per inch from the default display size, else from the scanner's pixel size.
void readDpi(const Source& source, Image& image)
{
    static const float kInchesPerUnit[] = {1.0f, 39.370079f, 0.39370079f, 0.039370079f};
    const quint32 unit = source.contents.uint(kDisplayUnit).value_or(0);
    const std::optional<float> width = source.contents.real(kDisplayWidth);
    const std::optional<float> height = source.contents.real(kDisplayHeight);
    if (unit < 4 && width && height && std::isfinite(*width) && std::isfinite(*height) &&
        *width > 0 && *height > 0) {
        const double x = image.width() / (double(*width) * kInchesPerUnit[unit]);
        const double y = image.height() / (double(*height) * kInchesPerUnit[unit]);
        // Both or neither: a size that gives one axis less than a dot per inch gives none.
        if (x >= 0.5 && y >= 0.5 && x < 65535.5 && y < 65535.5)
            image.setDpi(int(std::lround(x)), int(std::lround(y)));
        return;
    }
    const std::optional<QByteArray> info =
        source.file->readStream(source.base + QStringList{kImageInfo}, kMaxPropertyBytes);
    const std::optional<PropertySet> set = info ? PropertySet::parse(*info) : std::nullopt;
    const std::optional<float> pixel = set ? set->real(kScannerPixelSize) : std::nullopt;
    if (pixel && std::isfinite(*pixel) && *pixel > 25400.0f / 65535.5f &&
        *pixel <= 25400.0f / 0.5f) {
        const int dpi = int(std::lround(25400.0 / double(*pixel)));
        image.setDpi(dpi, dpi);
    }
}

}  // namespace

Decoded readFlashPix(QIODevice& in)
{
    char magic[8] = {};
    if (in.peek(magic, 8) < 8 || std::memcmp(magic, "\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", 8) != 0)
        return Decoded::failure(notFlashPix());
    if (in.size() - in.pos() > Image::kMaxStorageBytes)
        return Decoded::failure(reasons::unsupported(QStringLiteral("1 GB を超えるﾌｧｲﾙ")));
    const QByteArray bytes = in.readAll();
    const std::unique_ptr<CompoundReader> file = CompoundReader::open(bytes);
    if (!file)
        return Decoded::failure(bytes.size() < 512 ? reasons::truncated() : reasons::damaged());
    Source source;
    source.file = file.get();
    if (file->hasStorage({kImageObject}))
        source.base = QStringList{kImageObject};
    const std::optional<QByteArray> contentsStream =
        file->readStream(source.base + QStringList{kImageContents}, kMaxPropertyBytes);
    if (!contentsStream)
        return Decoded::failure(notFlashPix());
    std::optional<PropertySet> contents = PropertySet::parse(*contentsStream);
    if (!contents)
        return Decoded::failure(reasons::damaged());
    source.contents = std::move(*contents);
    const PropertySet& props = source.contents;
    const quint32 levels = props.uint(kResolutionCount).value_or(0);
    const qint64 width = props.uint(kWidth).value_or(0);
    const qint64 height = props.uint(kHeight).value_or(0);
    if (levels < 1 || levels > 32)
        return Decoded::failure(reasons::damaged());
    const int top = int(levels) - 1;
    const std::optional<QByteArray> colour = props.blob(perLevel(kSubimageColour, top));
    const std::optional<ChannelLayout> layout =
        colour ? ChannelLayout::parse(*colour) : std::nullopt;
    if (!layout)
        return Decoded::failure(reasons::unsupported(QStringLiteral("FlashPix の色空間")));
    const ColourCode code =
        layout->space == ChannelLayout::Monochrome ? ColourCode::Grey256 : ColourCode::Rgb24;
    if (width > Image::kMaxSide || height > Image::kMaxSide ||
        !Image::sizeAllowed(int(width), int(height), code))
        return Decoded::failure(width < 1 || height < 1 ? reasons::badSize()
                                                        : reasons::tooLarge(width, height));
    if (props.uint(perLevel(kSubimageWidth, top)).value_or(quint32(width)) != width ||
        props.uint(perLevel(kSubimageHeight, top)).value_or(quint32(height)) != height)
        return Decoded::failure(reasons::damaged());

    const QStringList level = source.base + QStringList{resolutionName(top)};
    const std::optional<QByteArray> headerStream =
        file->readStream(level + QStringList{kSubimageHeader}, bytes.size());
    const std::optional<CompoundReader::Stream> data =
        file->stream(level + QStringList{kSubimageData});
    if (!headerStream || !data)
        return Decoded::failure(reasons::damaged());
    QString reason;
    const std::optional<SubimageHeader> header =
        SubimageHeader::parse(*headerStream, int(width), int(height), layout->channels(), &reason);
    if (!header)
        return Decoded::failure(reason);
    Image image = Image::create(int(width), int(height), code);
    if (image.isNull())
        return Decoded::failure(reasons::outOfMemory());
    reason = readTiles(source, *header, *data, *layout, image);
    if (!reason.isEmpty())
        return Decoded::failure(reason);
    readDpi(source, image);
    return {image, QString()};
}

}  // namespace tavlo::codecs
