#pragma once

#include "imaging/image.h"

#include <QByteArray>
#include <QIODevice>

namespace tavlo::test {

// A test image of the code: smooth gradients with a little noise (so JPEG can be compared with a
// tolerance) and, for palette codes, every palette entry in use. 1 is black and white, 40 the 16
// even greys, 4 and 8 full palettes of colours; the same seed gives the same image. Dots per inch
// are 300 x 200 (different, so a swap shows).
Image makeTestImage(ColourCode code, int width, int height, quint32 seed = 1);

// Mean absolute difference per channel between two images of the same size (any codes).
double meanDifference(const Image& a, const Image& b);

// Encodes with an encoder taking (image, device) into memory; the device is a read-write QBuffer.
template <typename Writer>
QByteArray encodeToBytes(const Image& image, Writer writer, QString* error = nullptr);

}  // namespace tavlo::test

#include <QBuffer>

template <typename Writer>
QByteArray tavlo::test::encodeToBytes(const Image& image, Writer writer, QString* error)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadWrite);
    const QString reason = writer(image, buffer);
    if (error)
        *error = reason;
    buffer.close();
    return bytes;
}
