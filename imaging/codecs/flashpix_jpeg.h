#pragma once

#include <QByteArray>

#include <memory>

namespace tavlo::codecs {

// JPEG tiles of a FlashPix subimage (libjpeg-turbo): every tile is an abbreviated JPEG stream
// without tables; the tables are one tables-only stream the image contents property set holds.
// Tiles are kTile x kTile pixels of interleaved channels. Both classes report failures (a libjpeg
// error) by returning false or an empty result; neither throws.
constexpr int kTile = 64;

class FlashPixJpegEncoder {
public:
    // channels 1 (grey) or 3 (R, G, B, compressed as YCbCr, the chroma halved both ways below
    // quality 90 as our JPEG files are); quality 1..100.
    FlashPixJpegEncoder(int channels, int quality);
    ~FlashPixJpegEncoder();

    // The tables-only stream (start, quantisation and Huffman tables, end); empty on failure.
    QByteArray tables() const { return m_tables; }
    // True when the chroma channels are halved both ways.
    bool subsampled() const { return m_subsampled; }
    // The top-left width x height pixels of a tile of kTile x kTile x channels bytes as an
    // abbreviated stream; empty on failure. Tiles at the right and bottom edges are written at the
    // size of the part inside the image, as other FlashPix readers expect.
    QByteArray encode(const unsigned char* tile, int width, int height);

private:
    struct State;
    std::unique_ptr<State> m_state;
    QByteArray m_tables;
    bool m_subsampled = false;
};

class FlashPixJpegDecoder {
public:
    FlashPixJpegDecoder();
    ~FlashPixJpegDecoder();

    // Loads a tables-only stream; later tiles use its tables until another is loaded.
    bool loadTables(const QByteArray& tables);
    // Decodes one tile of channels (1 to 4) into out (kTile x kTile x channels bytes). The stream
    // may be smaller than a tile but must cover width x height; the rest of out is left as it
    // is. convert: the tile holds YCbCr (of R, G, B, and a fourth channel as it is) to be turned
    // into R, G, B; otherwise the channels are returned as stored.
    bool decode(const unsigned char* data, qint64 size, int channels, bool convert, int width,
                int height, unsigned char* out);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace tavlo::codecs
