#pragma once

#include "imaging/colour_code.h"

#include <QImage>
#include <QVector>

namespace tavlo {

// One image of the imaging control: pixels at an exact colour-depth code plus dots per inch.
//
// Storage (the QImage format is always storageFormat(code)):
//   1   Format_Mono, MSB first, a palette of exactly two entries (any two colours).
//   4   Format_Indexed8, a palette of 1..16 entries, not all grey, every index inside it.
//   40  Format_Indexed8, a palette of 1..16 entries, all grey (r == g == b), every index inside.
//   8   Format_Indexed8, a palette of 1..256 entries, not all grey, every index inside it.
//   80  Format_Grayscale8, the byte is the grey level; no palette.
//   16  Format_RGB555: 0RRRRRGGGGGBBBBB in a little-endian 16-bit word, as a BMP stores it.
//   24  Format_BGR888: bytes B, G, R, as a BMP stores them.
//   32  Format_RGB32: bytes B, G, R, 0xFF.
// Rows are padded to 4 bytes, so 1, 16, 24 and 32 rows are byte-identical to a device-independent
// bitmap row (which lets the BMP codec write them without conversion).
//
// A palette image whose entries are all grey has a grey code: a 4- or 8-bit image "is grey" exactly
// when the control reports a grey palette, as the main window expects. fromIndexed() applies that
// rule; everything that builds palette images goes through it.
//
// Copies share pixels until one side writes (QImage's implicit sharing), so a copy is independent
// and cheap. Images are plain values, safe to move between threads; not safe to share mutably.
class Image {
public:
    // Largest side and largest pixel storage an image may have. Decoders refuse files beyond them
    // before allocating, so a forged header cannot make the program allocate gigabytes.
    static constexpr int kMaxSide = 65535;
    static constexpr qint64 kMaxStorageBytes = qint64(1) << 30;  // 1 GiB

    Image() = default;

    // A new image of width x height at the code, every pixel 0 (the first palette entry, or black).
    // Palettes start as black and white for 1, the 16 even greys for 40, the 16 VGA colours for 4
    // and a 6 x 6 x 6 cube plus 40 greys for 8 (callers set their own). A null image when the size
    // is not allowed.
    static Image create(int width, int height, ColourCode code);

    // True when width x height at the code fits the bounds above (both sides at least 1).
    static bool sizeAllowed(int width, int height, ColourCode code);

    // Wraps an 8-bit indexed image (Format_Indexed8) as a 4- or 8-bit image, choosing the grey code
    // when every palette entry is grey. bits must be 4 or 8; for 4 the palette must hold at most 16
    // entries. Indices outside the palette are clamped to its last entry, so the result always
    // keeps the invariants. An 8-bit grey result is stored as Format_Grayscale8.
    static Image fromIndexed(QImage indexed, int bits);

    // Wraps pixels already in storageFormat(code) with a valid palette; null when they are not.
    static Image fromStorage(QImage pixels, ColourCode code);

    bool isNull() const { return m_pixels.isNull(); }
    int width() const { return m_pixels.width(); }
    int height() const { return m_pixels.height(); }
    ColourCode code() const { return m_code; }
    int bitCount() const { return bitsPerPixel(m_code); }
    bool isGrey() const { return isGreyCode(m_code); }

    // Dots per inch, horizontally and vertically; 0 = none stored.
    int dpiX() const { return m_dpiX; }
    int dpiY() const { return m_dpiY; }
    void setDpi(int x, int y);

    // The pixels in storageFormat(code()). Writers must keep the invariants above.
    const QImage& pixels() const { return m_pixels; }
    QImage& pixels() { return m_pixels; }
    uchar* scanLine(int y) { return m_pixels.scanLine(y); }
    const uchar* scanLine(int y) const { return m_pixels.constScanLine(y); }
    qsizetype bytesPerLine() const { return m_pixels.bytesPerLine(); }

    // The palette (empty for 16, 24, 32 and for 80, whose levels are implicit).
    QVector<QRgb> palette() const { return m_pixels.colorTable(); }

    // Colour of one pixel as 0xffRRGGBB, whatever the code.
    QRgb pixelColour(int x, int y) const;

    // Bytes of pixel data as a device-independent bitmap holds this image: rows of
    // width x bitCount() bits, each padded to 4 bytes, times the height.
    qint64 dibDataSize() const;

    // Checks every invariant of the storage table above (used by tests and after decoding).
    bool isValid() const;

private:
    QImage m_pixels;
    ColourCode m_code = ColourCode::Rgb24;
    int m_dpiX = 0;
    int m_dpiY = 0;
};

// True when both images have the same code, size and colour at every pixel (palette order and
// unused palette entries do not matter). Dots per inch are not compared.
bool samePixels(const Image& a, const Image& b);

}  // namespace tavlo
