#pragma once

// EXIF blocks for JPEG tests: a picture's orientation and resolution as a camera stores them.

#include <QByteArray>

#include <vector>

namespace tavlo::test {

// An EXIF block (APP1 payload) holding the orientation and, when dpi > 0, the resolution in inches.
std::vector<unsigned char> exifBlock(int orientation, bool bigEndian, int dpiX = 0, int dpiY = 0);

// The file with the EXIF block as an APP1 segment right after the start of image.
QByteArray withExif(const QByteArray& file, const std::vector<unsigned char>& block);

}  // namespace tavlo::test
