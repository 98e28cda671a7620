#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace tavlo::codecs::flashpix {

// One entry of a subimage's tile table.
struct TileEntry {
    quint32 offset = 0;  // in the data stream, counted from the end of its 28-byte header
    quint32 size = 0;
    quint32 compression = 0;  // flashpix::Compression
    quint32 subtype = 0;  // JPEG: interleave, chroma, conversion, table (a byte each, low first);
                          // single colour: the channels' values, a byte each, low first
};

// The "Subimage 0000 Header" stream of a resolution: the subimage's size, tile size, channel
// count and tile table, tiles left to right, then top to bottom.
struct SubimageHeader {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<TileEntry> tiles;

    static int tilesAcross(int width);
    static qint64 tileCount(int width, int height);

    // Checks the header against the size and channel count the image contents gave before
    // reading the tile table: 64 x 64 tiles, as many as the size needs, entries of at least 16
    // bytes, the table inside the stream. Nothing and a reason in Japanese otherwise.
    static std::optional<SubimageHeader> parse(const QByteArray& stream, int width, int height,
                                               int channels, QString* reason);
    QByteArray serialise() const;
};

}  // namespace tavlo::codecs::flashpix
