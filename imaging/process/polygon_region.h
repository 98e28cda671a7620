#pragma once

#include <QPolygon>

#include <vector>

namespace tavlo::process {

// The pixels inside a polygon given in image pixels: pixel (x, y) is inside when its centre
// (x + 0.5, y + 0.5) is, by the even-odd rule. So the polygon (l, t), (r, t), (r, b), (l, b) holds
// exactly the pixels l <= x < r, t <= y < b, like every rectangle of the processing object.
// Fewer than three corners hold no pixel.
class PolygonRegion {
public:
    struct Span {
        int begin;  // first pixel inside
        int end;    // one past the last
    };

    PolygonRegion(const QPolygon& corners, int imageWidth, int imageHeight);

    // The runs of inside pixels of row y, left to right, clipped to the image.
    const std::vector<Span>& spans(int y) const { return m_rows[y]; }
    int height() const { return int(m_rows.size()); }
    bool isEmpty() const { return m_empty; }

private:
    std::vector<std::vector<Span>> m_rows;
    bool m_empty = true;
};

}  // namespace tavlo::process
