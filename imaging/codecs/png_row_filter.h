#pragma once

#include <QtGlobal>

#include <vector>

namespace tavlo::codecs {

// Chooses and applies a PNG filter (ISO/IEC 15948 section 9) to rows of 8-bit samples. Of Sub,
// Up, Average and Paeth it keeps the one whose filtered bytes have the lowest order-0 entropy,
// which tracks the deflated size of scanned pages more closely than the usual sum of absolute
// differences. The choice depends only on the row and the row above, so any thread filtering the
// same rows gets the same bytes. One object per thread.
class PngRowFilter {
public:
    PngRowFilter(int rowBytes, int bytesPerPixel);

    // Writes the filter type byte and the filtered row (rowBytes + 1 bytes) to out. previous is
    // the unfiltered row above, or nullptr for the first row.
    void filter(const uchar* row, const uchar* previous, uchar* out);

private:
    int m_rowBytes;
    int m_bpp;
    std::vector<uchar> m_zeros;
    std::vector<uchar> m_candidates;  // four filtered rows
    std::vector<float> m_countLog;    // n * log2(n) for the histogram counts
};

}  // namespace tavlo::codecs
