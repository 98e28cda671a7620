#pragma once

#include <QImage>

#include <cstddef>

namespace tavlo::codecs {

// What an EXIF block (the TIFF structure inside a JPEG's APP1 "Exif" marker) says about the
// picture's orientation and resolution. Values the block does not hold keep their defaults.
struct ExifFacts {
    int orientation = 1;  // 1..8 as TIFF tag 274 defines them; anything else reads as 1
    double resolutionX = 0;
    double resolutionY = 0;
    int resolutionUnit = 2;  // 2 = inch, 3 = centimetre (TIFF tag 296)

    // Parses the marker's payload starting at "Exif\0\0". Every offset is checked against the
    // block, so a damaged block gives the defaults, never a read outside it.
    static ExifFacts parse(const unsigned char* data, std::size_t size);

    // Dots per inch from the resolution tags (0 when absent or absurd).
    int dpiX() const;
    int dpiY() const;
};

// Turns pixels stored in EXIF orientation `orientation` into the upright picture. Works on
// QImage formats of 8, 24 and 32 bits per pixel; orientations 5 to 8 swap width and height.
// A null image when memory runs out.
QImage orientUpright(const QImage& stored, int orientation);

}  // namespace tavlo::codecs
