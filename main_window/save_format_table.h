#pragma once

#include <QString>

namespace tavlo {

// How the main window saves by extension: the file object's format code, the colour-depth codes
// the format takes as they are, and what any other code is converted to first (in the image
// itself, so the view shows what was saved).
struct SaveFormatRule {
    int formatCode = 0;
    // The allowed codes as the dotted text the saving tests with a plain substring search for
    // sClrCd ("80.24." lets "4" and "8" pass, since they occur in "24" and "80"); "" = no list,
    // every code is saved as it is.
    QString allowedCodes;
    int conversionTarget = 0;  // 0 when there is no list
    bool jpegQuality = false;  // the file object's quality is set to 80 first
    // Saving under this extension is refused: the reason to show, in Japanese ("" = allowed).
    QString refusal;
};

// The name's part after its last "." in its file name (never in a folder name), in upper case;
// "" when the file name has no ".". "/a.b/scan" -> "", "/x/PHOTO.Jpg" -> "JPG".
QString FileExtOf(const QString& path);

// Puts the text after the last "." of the file name in lower case, in place; a file name without
// "." is left alone. "/x/PHOTO.JPG" -> "/x/PHOTO.jpg".
void LowerCaseExt(QString& path);

// The rule for an upper-case extension:
//   BMP                  0   -
//   JPG, JPEG            2   "80.24."          -> 24, quality 80
//   TIF, TIFF            5   -
//   PNG, PCX             12, 16  "1.4.40.8.80.24."  -> 24
//   FPX                  13  "80.24."          -> 24, quality 80
//   GIF                  4   "1.4.40.8.80."    -> 8
//   JP2                  20, every code as it is (the writer keeps greys
//                        grey and writes everything else as colour, losslessly)
//   J2K, JPC             refused: the JPEG 2000 writer makes .jp2 box files, which programs that
//                        go by these names do not take for bare code streams
//   anything else        0 (BMP), as the program always did
SaveFormatRule saveFormatRule(const QString& upperExt);

}  // namespace tavlo
