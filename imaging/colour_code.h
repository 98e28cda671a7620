#pragma once

#include <QImage>
#include <QString>

namespace tavlo {

// The colour-depth code of an image. 1, 4, 8, 16, 24 and 32 are bits per pixel; a 4- or 8-bit
// image whose palette is grey carries bits x 10, so 40 = 16 grey levels and 80 = 256 grey levels.
// The main window keeps the current code as decimal text and tests it with substring searches,
// so the numeric values are part of its contract.
enum class ColourCode : int {
    Mono = 1,        // 2 colours, any palette of two entries
    Palette16 = 4,   // up to 16 colours from a palette
    Grey16 = 40,     // 16 even grey levels (0, 17, ..., 255)
    Palette256 = 8,  // up to 256 colours from a palette
    Grey256 = 80,    // 256 grey levels
    Rgb555 = 16,     // direct colour, 5 bits per channel
    Rgb24 = 24,      // direct colour, 8 bits per channel
    Rgb32 = 32,      // direct colour, 8 bits per channel plus an unused byte
};

// All eight codes in the order the colour menu lists depths (smallest first).
inline constexpr ColourCode kAllColourCodes[] = {
    ColourCode::Mono,    ColourCode::Palette16, ColourCode::Grey16, ColourCode::Palette256,
    ColourCode::Grey256, ColourCode::Rgb555,    ColourCode::Rgb24,  ColourCode::Rgb32,
};

// True for the eight numbers above.
bool isColourCode(int value);

// Bits per pixel as a device-independent bitmap stores the code: 1, 4, 8, 16, 24 or 32.
int bitsPerPixel(ColourCode code);

// True for 40 and 80.
bool isGreyCode(ColourCode code);

// True for the codes that store palette indices (1, 4, 40, 8, 80).
bool isIndexedCode(ColourCode code);

// The QImage format that holds pixels of this code inside an Image (see image.h).
QImage::Format storageFormat(ColourCode code);

// Largest number of palette entries of an indexed code (2, 16 or 256); 0 for direct colour.
int paletteCapacity(ColourCode code);

// Whether the window's turns interpolate, from the colour-depth code as decimal text: the text
// occurs in "80.16.24.32." (a plain text search, so only "40" among the codes turns unsmoothed).
bool smoothTurnFor(const QString& codeText);

}  // namespace tavlo
