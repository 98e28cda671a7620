#include "imaging/process/nearest_colour.h"

#include <algorithm>
#include <numeric>

namespace tavlo::process {

NearestColour::NearestColour(const QVector<QRgb>& palette)
    : m_keys(std::size_t(1) << kCacheBits, 0xffffffffu), m_indices(std::size_t(1) << kCacheBits, 0)
{
    const int count = std::min<int>(int(palette.size()), 256);
    std::vector<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return qGreen(palette[a]) < qGreen(palette[b]); });
    for (int i : order) {
        m_red.push_back(qRed(palette[i]));
        m_green.push_back(qGreen(palette[i]));
        m_blue.push_back(qBlue(palette[i]));
        m_index.push_back(i);
    }
}

int NearestColour::search(int r, int g, int b) const
{
    const int count = int(m_green.size());
    if (count == 0)
        return 0;
    int best = -1;
    int bestDistance = 1 << 30;
    auto consider = [&](int i) {
        const int dr = m_red[i] - r, dg = m_green[i] - g, db = m_blue[i] - b;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance || (distance == bestDistance && m_index[i] < m_index[best])) {
            bestDistance = distance;
            best = i;
        }
    };
    // Walk outwards from the first entry whose green is >= g; stop a direction once the green
    // difference alone exceeds the best distance found.
    int up = int(std::lower_bound(m_green.begin(), m_green.end(), g) - m_green.begin());
    int down = up - 1;
    while (up < count || down >= 0) {
        if (up < count) {
            const int dg = m_green[up] - g;
            if (dg * dg > bestDistance)
                up = count;
            else
                consider(up++);
        }
        if (down >= 0) {
            const int dg = m_green[down] - g;
            if (dg * dg > bestDistance)
                down = -1;
            else
                consider(down--);
        }
    }
    return m_index[best];
}

}  // namespace tavlo::process
