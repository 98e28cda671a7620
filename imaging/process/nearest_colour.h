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

    int size() const { return int(m_green.size()); }

private:
    static constexpr int kCacheBits = 16;

    int search(int r, int g, int b) const;

    // The palette sorted by green, so the search can stop once green alone is too far.
    std::vector<int> m_red, m_green, m_blue, m_index;
    std::vector<quint32> m_keys;
    std::vector<quint8> m_indices;
};

}  // namespace tavlo::process
