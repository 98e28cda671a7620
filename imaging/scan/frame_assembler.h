#pragma once

#include "imaging/image.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <sane/sane.h>

#include <functional>

namespace tavlo::scan {

// Turns the frames SANE delivers for one page into an Image. Pure: no SANE calls, so it is tested
// with made-up bytes.
//
// What it accepts (SANE's image data format):
//   GRAY, depth 1   rows of bits, MSB first, 1 = black (SANE's line-art convention) -> code 1 with
//                   the palette {black, white}; the bits are inverted so that 0 = black.
//   GRAY, depth 8   one byte per pixel -> code 80.
//   GRAY, depth 16  one 16-bit sample per pixel in the machine's byte order -> code 80, each sample
//                   reduced to 8 bits by rounding v * 255 / 65535.
//   RGB,  depth 1   three bits per pixel (R, G, B), 1 = full intensity -> code 24 (0 or 255).
//   RGB,  depth 8   R, G, B bytes -> code 24 (stored B, G, R).
//   RGB,  depth 16  R, G, B 16-bit samples -> code 24, reduced as above.
//   RED, GREEN, BLUE (three-pass colour): one frame per channel, depth 1, 8 or 16, in any order;
//                   the last one carries last_frame -> code 24. All three must have come.
// Rows are bytes_per_line apart; bytes beyond the pixels of a row are ignored (some backends pad
// rows or lose pixels at their end). A backend whose bytes_per_line is too small for
// pixels_per_line gets the width that bytes_per_line holds. lines = -1 (a hand scanner, or a
// feeder that does not know the length) grows the image as rows come. A trailing incomplete row
// is dropped; a page that ends before its announced line count keeps the rows that came.
//
// Not thread-safe; one instance per scanning thread. Pixels go straight into the page's QImage,
// so a page is held once in memory (plus one incomplete row).
class FrameAssembler {
public:
    // Makes the storage of a page: a QImage of the size and format, or a null one when there is no
    // memory for it. The default is an ordinary QImage; the scan helper places pages in shared
    // memory from the start, so a finished page is handed to the window without a copy.
    using Allocator = std::function<QImage(int width, int height, QImage::Format format)>;

    FrameAssembler() = default;

    void setAllocator(Allocator allocator) { m_allocator = std::move(allocator); }

    // Starts a frame described by the parameters that sane_get_parameters gave after sane_start.
    // false (with error()) when the frame cannot be taken: an unknown format or depth, a size
    // beyond the image bounds, or a channel frame whose size differs from the page's earlier
    // frames.
    bool beginFrame(const SANE_Parameters& parameters);

    // Takes bytes as sane_read gave them: any length; rows may straddle calls. Ignored after an
    // error. false when the page outgrows the image bounds (error() says so).
    bool addData(const uchar* data, qsizetype length);

    // Ends the current frame (sane_read reported EOF). True when the page is complete: a grey or
    // colour frame, or the channel frame marked last_frame. A channel page missing a channel sets
    // error() and is not complete.
    bool endFrame();

    // The finished page (see the table above) and a reset for the next page; a null image unless
    // the last endFrame() completed a page. Dots per inch are the caller's to set.
    Image takeImage();

    // Forgets the page in progress (a cancelled or failed page).
    void reset();

    // Bytes of the page expected over all its frames (0 while the line count is unknown) and bytes
    // received so far; for the progress display.
    qint64 expectedBytes() const { return m_expectedBytes; }
    qint64 receivedBytes() const { return m_receivedBytes; }

    // Why the page could not be assembled, in Japanese; "" when nothing went wrong.
    const QString& error() const { return m_error; }

private:
    enum class Kind { Gray1, Gray8, Gray16, Rgb1, Rgb8, Rgb16, Channel1, Channel8, Channel16 };

    bool fail(const QString& reason);
    QImage allocate(int width, int height, QImage::Format format) const;
    bool ensureRows(int rows);
    void storeRow(const uchar* row);

    QString m_error;
    Allocator m_allocator;
    // The page.
    QImage m_pixels;
    ColourCode m_code = ColourCode::Rgb24;
    int m_width = 0;
    int m_pageRows = -1;     // rows every channel frame delivered so far (min), -1 before the first
    int m_channelsSeen = 0;  // bit 0 red, 1 green, 2 blue
    bool m_complete = false;
    qint64 m_expectedBytes = 0;
    qint64 m_receivedBytes = 0;
    // The frame.
    bool m_inFrame = false;
    bool m_lastFrame = false;
    Kind m_kind = Kind::Gray8;
    int m_channelOffset = 0;  // byte of the B, G, R triple a channel frame fills
    int m_bytesPerLine = 0;
    int m_announcedLines = -1;
    int m_frameRows = 0;
    QByteArray m_partial;  // bytes of an incomplete row carried to the next addData()
};

}  // namespace tavlo::scan
