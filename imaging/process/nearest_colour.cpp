#include "imaging/process/nearest_colour.h"

#include <algorithm>

namespace tavlo::process {
namespace {

// Squared distance from v to the interval [low, high] along one axis, and to its far end.
int nearSquare(int v, int low, int high)
{
    const int d = v < low ? low - v : (v > high ? v - high : 0);
    return d * d;
}

int farSquare(int v, int low, int high)
{
    const int d = std::max(std::abs(v - low), std::abs(v - high));
    return d * d;
}

}  // namespace

NearestColour::NearestColour(const QVector<QRgb>& palette)
    : m_candidates(kCells), m_cellReady(kCells, false),
      m_keys(std::size_t(1) << kCacheBits, 0xffffffffu), m_indices(std::size_t(1) << kCacheBits, 0)
{
    const int count = std::clamp<int>(int(palette.size()), 1, 256);
    for (int i = 0; i < count; ++i) {
        const QRgb c = i < palette.size() ? palette[i] : qRgb(0, 0, 0);
        m_red.push_back(qRed(c));
        m_green.push_back(qGreen(c));
        m_blue.push_back(qBlue(c));
    }
}

const std::vector<quint8>& NearestColour::candidates(int cell)
{
    std::vector<quint8>& list = m_candidates[cell];
    if (m_cellReady[cell])
        return list;
    const int side = 1 << kCellShift, bits = 8 - kCellShift;
    const int r0 = (cell >> (2 * bits)) << kCellShift;
    const int g0 = ((cell >> bits) & ((1 << bits) - 1)) << kCellShift;
    const int b0 = (cell & ((1 << bits) - 1)) << kCellShift;
    const int count = int(m_red.size());
    std::vector<int> near(count);
    int bound = 1 << 30;
    for (int i = 0; i < count; ++i) {
        near[i] = nearSquare(m_red[i], r0, r0 + side - 1) +
                  nearSquare(m_green[i], g0, g0 + side - 1) +
                  nearSquare(m_blue[i], b0, b0 + side - 1);
        bound = std::min(bound, farSquare(m_red[i], r0, r0 + side - 1) +
                                    farSquare(m_green[i], g0, g0 + side - 1) +
                                    farSquare(m_blue[i], b0, b0 + side - 1));
    }
    // In index order, so the first of equally near entries wins.
    for (int i = 0; i < count; ++i) {
        if (near[i] <= bound)
            list.push_back(quint8(i));
    }
    m_cellReady[cell] = true;
    return list;
}

int NearestColour::search(int r, int g, int b)
{
    const int bits = 8 - kCellShift;
    const int cell =
        ((r >> kCellShift) << (2 * bits)) | ((g >> kCellShift) << bits) | (b >> kCellShift);
    int best = 0;
    int bestDistance = 1 << 30;
    for (const quint8 i : candidates(cell)) {
        const int dr = m_red[i] - r, dg = m_green[i] - g, db = m_blue[i] - b;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

}  // namespace tavlo::process
