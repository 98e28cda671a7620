#pragma once

#include "imaging/codecs/decoded.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <cstdint>
#include <ostream>

// Helpers shared by the tests of the library-backed codecs: deterministic test images of every
// colour-depth code, and encoding and decoding through memory.
namespace tavlo::codecs::test {

using Reader = Decoded (*)(QIODevice&);
using Writer = QString (*)(const Image&, QIODevice&);

// The three sizes every round trip covers: one pixel, a row shorter than its padding, and prime
// sides that leave odd padding on every row.
struct Size {
    int width;
    int height;
};
inline constexpr Size kOddSizes[] = {{1, 1}, {7, 7}, {113, 157}};

// Palette flavours of patternImage().
enum class PaletteKind {
    Usual,        // random colours (random greys for 40 and 80), black and white for 1
    EvenGreys,    // 40: the sixteen levels 0, 17, ..., 255
    ColourPair,   // 1: two colours that are neither black nor white
    Short,        // 4, 40, 8: fewer entries than the code can hold (3 for 4-bit, 10 for 8-bit)
    WhiteBlack,   // 1: white first, then black
};

// An image of the code filled with pseudo-random pixels that use every palette entry.
Image patternImage(int width, int height, ColourCode code, PaletteKind kind = PaletteKind::Usual,
                   std::uint32_t seed = 1);

// Encodes into memory; the error text goes to *error (empty on success).
QByteArray encode(Writer writer, const Image& image, QString* error = nullptr);

// Decodes from memory.
Decoded decode(Reader reader, const QByteArray& bytes);

// Largest difference of one channel between two images of the same size.
int maxChannelDifference(const Image& a, const Image& b);

// The names the tests print for a code.
const char* codeName(ColourCode code);

}  // namespace tavlo::codecs::test

namespace tavlo {
inline std::ostream& operator<<(std::ostream& os, ColourCode code)
{
    return os << static_cast<int>(code);
}
}  // namespace tavlo
