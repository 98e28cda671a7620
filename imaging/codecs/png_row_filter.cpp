#include "imaging/codecs/png_row_filter.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace tavlo::codecs {
namespace {

inline uchar paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc)
        return uchar(a);
    return pb <= pc ? uchar(b) : uchar(c);
}

}  // namespace

PngRowFilter::PngRowFilter(int rowBytes, int bytesPerPixel)
    : m_rowBytes(rowBytes), m_bpp(bytesPerPixel), m_zeros(size_t(rowBytes), 0),
      m_candidates(size_t(rowBytes) * 4), m_countLog(size_t(rowBytes) + 1)
{
    for (size_t n = 1; n < m_countLog.size(); ++n)
        m_countLog[n] = float(double(n) * std::log2(double(n)));
}

void PngRowFilter::filter(const uchar* row, const uchar* previous, uchar* out)
{
    const uchar* up = previous ? previous : m_zeros.data();
    const int n = m_rowBytes;
    const int bpp = m_bpp;
    uchar* sub = m_candidates.data();
    uchar* vertical = sub + n;
    uchar* average = vertical + n;
    uchar* predicted = average + n;
    for (int i = 0; i < bpp && i < n; ++i) {
        sub[i] = row[i];
        vertical[i] = uchar(row[i] - up[i]);
        average[i] = uchar(row[i] - (up[i] >> 1));
        predicted[i] = uchar(row[i] - up[i]);  // Paeth with nothing to the left predicts "up"
    }
    for (int i = bpp; i < n; ++i) {
        const int a = row[i - bpp];
        const int b = up[i];
        const int c = up[i - bpp];
        sub[i] = uchar(row[i] - a);
        vertical[i] = uchar(row[i] - b);
        average[i] = uchar(row[i] - ((a + b) >> 1));
        predicted[i] = uchar(row[i] - paeth(a, b, c));
    }
    // The lowest entropy is the largest sum of count * log2(count) over the byte values.
    int best = 0;
    float bestScore = -1;
    for (int f = 0; f < 4; ++f) {
        unsigned counts[256] = {};
        const uchar* candidate = m_candidates.data() + size_t(f) * size_t(n);
        for (int i = 0; i < n; ++i)
            ++counts[candidate[i]];
        float score = 0;
        for (unsigned count : counts)
            score += m_countLog[count];
        if (score > bestScore) {
            bestScore = score;
            best = f;
        }
    }
    out[0] = uchar(best + 1);  // 1 Sub, 2 Up, 3 Average, 4 Paeth
    std::memcpy(out + 1, m_candidates.data() + size_t(best) * size_t(n), size_t(n));
}

}  // namespace tavlo::codecs
