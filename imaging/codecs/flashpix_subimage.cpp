#include "imaging/codecs/flashpix_subimage.h"

#include "imaging/codecs/codec_reasons.h"
#include "imaging/codecs/flashpix_format.h"
#include "imaging/codecs/flashpix_jpeg.h"
#include "imaging/codecs/little_endian.h"

namespace tavlo::codecs::flashpix {
namespace {

constexpr int kHeaderBytes = 36;  // length, width, height, tiles, tile width and height, channels,
                                  // table offset, entry length
constexpr int kEntryBytes = 16;

}  // namespace

int SubimageHeader::tilesAcross(int width)
{
    return (width + kTile - 1) / kTile;
}

qint64 SubimageHeader::tileCount(int width, int height)
{
    return qint64(tilesAcross(width)) * tilesAcross(height);
}

std::optional<SubimageHeader> SubimageHeader::parse(const QByteArray& stream, int width, int height,
                                                    int channels, QString* reason)
{
    const auto* p = reinterpret_cast<const uchar*>(stream.constData());
    const qint64 size = stream.size();
    if (size < kStreamHeaderBytes + kHeaderBytes) {
        *reason = reasons::truncated();
        return std::nullopt;
    }
    const uchar* h = p + kStreamHeaderBytes;
    if (qint64(le32(h + 4)) != width || qint64(le32(h + 8)) != height ||
        qint64(le32(h + 24)) != channels || qint64(le32(h + 12)) != tileCount(width, height)) {
        *reason = reasons::damaged();
        return std::nullopt;
    }
    if (le32(h + 16) != kTile || le32(h + 20) != kTile) {
        *reason = reasons::unsupported(QStringLiteral("ﾀｲﾙが 64 x 64 ではありません"));
        return std::nullopt;
    }
    const qint64 tableOffset = kStreamHeaderBytes + qint64(le32(h + 28));
    const qint64 entryBytes = le32(h + 32);
    const qint64 count = tileCount(width, height);
    if (entryBytes < kEntryBytes || entryBytes > 1024 || tableOffset > size ||
        count > (size - tableOffset) / entryBytes) {
        *reason = reasons::truncated();
        return std::nullopt;
    }
    SubimageHeader header;
    header.width = width;
    header.height = height;
    header.channels = channels;
    header.tiles.resize(std::size_t(count));
    for (qint64 i = 0; i < count; ++i) {
        const uchar* e = p + tableOffset + i * entryBytes;
        header.tiles[std::size_t(i)] = {le32(e), le32(e + 4), le32(e + 8), le32(e + 12)};
    }
    return header;
}

QByteArray SubimageHeader::serialise() const
{
    QByteArray out = streamHeader(kSubimageHeaderClass);
    QByteArray fields(kHeaderBytes + kEntryBytes * qsizetype(tiles.size()), '\0');
    auto* h = reinterpret_cast<uchar*>(fields.data());
    const quint32 values[] = {kHeaderBytes,          quint32(width), quint32(height),
                              quint32(tiles.size()), kTile,          kTile,
                              quint32(channels),     kHeaderBytes,   kEntryBytes};
    for (int i = 0; i < 9; ++i)
        putLe32(h + 4 * i, values[i]);
    uchar* e = h + kHeaderBytes;
    for (const TileEntry& tile : tiles) {
        putLe32(e, tile.offset);
        putLe32(e + 4, tile.size);
        putLe32(e + 8, tile.compression);
        putLe32(e + 12, tile.subtype);
        e += kEntryBytes;
    }
    return out + fields;
}

}  // namespace tavlo::codecs::flashpix
