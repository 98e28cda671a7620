#pragma once

// Test images and pixel measures shared by the imaging tests (and the view benchmark): an image at
// any colour-depth code and size with reproducible pixels, differences between two images, and
// encoding and decoding through memory.

#include "imaging/codecs/decoded.h"
#include "imaging/codecs/image_format.h"

#include <QByteArray>
#include <QIODevice>

#include <functional>
#include <ostream>
#include <vector>

namespace tavlo::test {

// The palette of a palette image; every kind has its entries all in use.
enum class PaletteKind {
    Usual,       // 1: black and white; 4 and 8: 16 and 256 colours; 40: the 16 even greys
    OddGreys,    // 40: 16 random greys, one of them (5, 5, 5), which no even grey matches
    Short,       // 4 and 40: 3 entries; 8: 10 entries (fewer than the code holds)
    ColourPair,  // 1: two colours that are neither black nor white
    WhiteBlack,  // 1: white first, then black
};

enum class Pattern {
    Random,  // random pixels: a pixel taken from the wrong place shows
    Smooth,  // for lossy formats: gradients with a little noise, palette images in flat 16 x 16
             // blocks
};

struct Look {
    PaletteKind palette = PaletteKind::Usual;
    Pattern pattern = Pattern::Random;
    unsigned seed = 7;
};

// An image of the code and size; the same look gives the same image. Dots per inch 200 x 300
// (different, so a swap shows).
Image sampleImage(ColourCode code, int width, int height, const Look& look = {});
Image sampleImage(ColourCode code, int width, int height, unsigned seed);

// An image of one colour at 80 (its grey level), 16, 24 or 32.
Image plainImage(ColourCode code, int width, int height, QRgb colour);

// A one-row image at 80 of the grey levels, left to right.
Image greyRow(const std::vector<int>& levels);

// A 4960 x 7016 page (A4 at 600 dpi) at 1 or 24 with lines of text-like dark strokes.
Image a4TextPage(ColourCode code);

inline QRgb grey(int level)
{
    return qRgb(level, level, level);
}

// The colours of the first count pixels of row y, for comparing with a short list.
std::vector<QRgb> rowColours(const Image& image, int y, int count);

// An image's size and its dots per inch, each compared in one check.
inline QSize sizeOf(const Image& image)
{
    return image.pixels().size();
}
inline QSize dpiOf(const Image& image)
{
    return {image.dpiX(), image.dpiY()};
}

// Largest difference of one channel between two images of any codes (a huge value for different
// sizes), and the mean absolute difference per channel.
int largestDifference(const Image& a, const Image& b);
double meanDifference(const Image& a, const Image& b);

// Encoding into and decoding from memory; the error text goes to *error (empty on success).
using Writer = std::function<QString(const Image&, QIODevice&)>;
using Reader = std::function<codecs::Decoded(QIODevice&)>;
QByteArray encode(const Writer& writer, const Image& image, QString* error = nullptr);
codecs::Decoded decode(const Reader& reader, const QByteArray& bytes);
// The same through the format dispatch of image_file.h (the format is found from the bytes).
QByteArray encode(codecs::ImageFormat format, const Image& image, QString* error = nullptr);
codecs::Decoded decode(const QByteArray& bytes, codecs::ImageFormat* format = nullptr);

// The bytes of a file in tests/data (name relative to it; the folder TAVLO_TEST_DATA names, else
// the source tree's); empty, with a warning, when it cannot be read.
QByteArray testData(const QString& name);

}  // namespace tavlo::test

namespace tavlo {
inline std::ostream& operator<<(std::ostream& os, ColourCode code)
{
    return os << static_cast<int>(code);
}
}  // namespace tavlo
