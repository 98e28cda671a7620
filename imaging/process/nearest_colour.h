#pragma once

#include <QRgb>
#include <QVector>

#include <vector>

namespace tavlo::process {

// Finds the palette entry nearest to a colour (smallest squared distance in R, G, B; on a tie the
// lowest index), remembering recent answers, so mapping millions of pixels onto a palette costs a
// few comparisons each. One instance per thread: the memory of answers is not shared.
class NearestColour {
public:
    // palette holds 1 to 256 entries.
    explicit NearestColour(const QVector<QRgb>& palette);

    int find(int r, int g, int b)
    {
        const quint32 rgb = (quint32(r) << 16) | (quint32(g) << 8) | quint32(b);
        const quint32 slot = (rgb * 2654435761u) >> (32 - kCacheBits);
        if (m_keys[slot] == rgb)
            return m_indices[slot];
        const int index = search(r, g, b);
        m_keys[slot] = rgb;
        m_indices[slot] = quint8(index);
        return index;
    }

    int find(QRgb colour) { return find(qRed(colour), qGreen(colour), qBlue(colour)); }

private:
    static constexpr int kCacheBits = 16;
    // The colour cube is cut into 16 x 16 x 16 cells of 16 levels a side.
    static constexpr int kCellShift = 4;
    static constexpr int kCells = 1 << (3 * (8 - kCellShift));

    int search(int r, int g, int b);
    // The entries that can be nearest to some colour of the cell: those whose distance to the
    // cell is at most the smallest distance any entry has to the cell's farthest corner.
    const std::vector<quint8>& candidates(int cell);

    std::vector<int> m_red, m_green, m_blue;
    std::vector<std::vector<quint8>> m_candidates;  // per cell, filled when first needed
    std::vector<bool> m_cellReady;
    std::vector<quint32> m_keys;
    std::vector<quint8> m_indices;
};

}  // namespace tavlo::process
