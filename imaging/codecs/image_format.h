#pragma once

#include <QString>

#include <optional>

namespace tavlo::codecs {

// The image file formats the control knows. Which one a file holds is found from its bytes
// (format_sniffer.h), never from its name.
enum class ImageFormat {
    Unknown,
    Bmp,
    Jpeg,
    Png,
    Gif,
    Tiff,
    Pcx,
    Jpeg2000,  // a .jp2 box file or a bare .j2k / .jpc code stream; written as .jp2 by save code
    FlashPix,  // an OLE2 compound file holding a FlashPix image
};

// The short name used by tavlo-image and in messages: BMP JPG PNG GIF TIF PCX JP2 FPX ("" for
// Unknown).
QString formatName(ImageFormat format);

// The format a name on the command line means, ignoring case: the short names above plus JPEG and
// TIFF. Nothing for anything else.
std::optional<ImageFormat> formatFromName(const QString& name);

// The save format codes of the control's file object: the control's classic numbers, and
// Jpeg2000, this program's own (.jp2 boxes, lossless), which the classic numbers lack.
struct SaveCode {
    enum : int {
        Bmp = 0,
        Jpeg = 2,
        Gif = 4,
        Tiff = 5,
        Png = 12,
        FlashPix = 13,
        Pcx = 16,
        Jpeg2000 = 20
    };
};

// The format of a save format code; nothing for any other number.
std::optional<ImageFormat> formatFromSaveCode(int code);

// True for the save codes the file object writes (saveImageFile, image_file.h): those of the
// formats formatWritable names, and JPEG 2000. False for unknown numbers.
bool saveCodeWritable(int code);

// What each format holds, and what is written for a colour-depth code it cannot hold: the nearest
// code the format holds, losslessly wherever the format allows it; the image in memory is never
// changed. Reading the file back gives the code in the "holds" column, or the one written instead.
//
//   format  holds                      written instead
//   BMP     1 4 40 8 80 16 24 32       (all held; 16 as 5-5-5, 40 and 80 with a grey palette)
//   PCX     1 4 40 8 80 24             16, 32 -> 24 (same colours)
//   PNG     1 4 40 8 80 24             16, 32 -> 24 (same colours)
//   TIFF    1 4 40 8 80 24             16, 32 -> 24 (same colours); 1 as CCITT G4 when black and
//                                      white, else with its two colours; LZW with the predictor
//                                      otherwise
//   GIF     1 4 40 8 80                16, 24, 32 -> the same colours as a palette when there are
//                                      at most 256 of them (8, or 80 when they are all grey),
//                                      otherwise 256 colours chosen for the image, dithered (8)
//   JPEG    80 24                      40, and 1 with a grey palette -> 80 (same greys);
//                                      4, 8, 16, 32, and 1 with colours -> 24 (same colours)
//   JP2     80 24                      40, and 1 with a grey palette -> 80; every other code -> 24
//                                      (same colours, lossless); written only by save code
//                                      (saveImageFile), the general writers refuse it
//   FPX     80 24                      as JPEG (its tiles are JPEG)
// Dots per inch are kept by every format except GIF, which has no place for them.
// The writers of BMP, PCX, PNG, TIFF and JPEG convert row by row as they write (no second copy of
// the image); the GIF palette is made first (format_fit.h).
//
// True for the formats the general writers (writeImage, writeImageFile) take: BMP, JPEG, PNG, GIF,
// TIFF, PCX, FlashPix.
bool formatWritable(ImageFormat format);

}  // namespace tavlo::codecs
