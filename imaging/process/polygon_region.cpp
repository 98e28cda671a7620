#include "imaging/process/polygon_region.h"

#include <algorithm>
#include <cmath>

namespace tavlo::process {

PolygonRegion::PolygonRegion(const QPolygon& corners, int imageWidth, int imageHeight)
    : m_rows(std::size_t(std::max(0, imageHeight)))
{
    const int n = int(corners.size());
    if (n < 3 || imageWidth <= 0)
        return;
    std::vector<double> crossings;
    for (int y = 0; y < imageHeight; ++y) {
        const double centre = y + 0.5;
        crossings.clear();
        for (int i = 0; i < n; ++i) {
            const QPoint a = corners[i], b = corners[(i + 1) % n];
            if (a.y() == b.y())
                continue;
            // Half-open in y, so a corner shared by two edges counts once.
            const bool crosses =
                (a.y() <= centre && centre < b.y()) || (b.y() <= centre && centre < a.y());
            if (crosses)
                crossings.push_back(a.x() + (centre - a.y()) * double(b.x() - a.x()) /
                                                double(b.y() - a.y()));
        }
        std::sort(crossings.begin(), crossings.end());
        for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
            // Pixels whose centre x + 0.5 lies in [from, to).
            const double from = std::ceil(crossings[i] - 0.5),
                         to = std::ceil(crossings[i + 1] - 0.5);
            const int begin = int(std::clamp(from, 0.0, double(imageWidth)));
            const int end = int(std::clamp(to, 0.0, double(imageWidth)));
            if (begin < end) {
                m_rows[y].push_back({begin, end});
                m_empty = false;
            }
        }
    }
}

}  // namespace tavlo::process
