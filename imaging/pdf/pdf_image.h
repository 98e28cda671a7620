#pragma once

#include <QByteArray>

namespace tavlo::pdf {

// One picture as a PDF image object holds it: coded samples and how a reader decodes them.
// Made by pdf_image_encoder.h (from an Image) or by page_image_reader.h (a JPEG file's own bytes).
struct PdfImage {
    enum class Filter {
        Flate,   // zlib; with the PNG predictors when `predicted`
        Group4,  // CCITT Group 4, K = -1; a decoded 0 bit is the first colour (black)
        Dct,     // a whole JPEG file
    };
    enum class Colours { Grey, Rgb, Cmyk, Indexed };

    int width = 0;  // of the stored samples
    int height = 0;
    int bitsPerComponent = 8;
    Colours colours = Colours::Rgb;
    // Indexed only: the base colours (Grey or Rgb) and one or three bytes per entry.
    Colours paletteBase = Colours::Rgb;
    QByteArray palette;
    bool inverted = false;   // samples read inverted (Decode [1 0 ...]): Adobe's CMYK JPEG files
    bool predicted = false;  // Flate with a PNG filter type byte before every row
    Filter filter = Filter::Flate;
    QByteArray data;
    int dpiX = 0;  // of the stored samples; 0 = none stored
    int dpiY = 0;
    int orientation = 1;  // EXIF orientation 1..8: how the stored samples turn upright

    // The number of colour components per sample of the stored data.
    int components() const
    {
        switch (colours) {
        case Colours::Rgb: return 3;
        case Colours::Cmyk: return 4;
        default: return 1;
        }
    }
};

}  // namespace tavlo::pdf
