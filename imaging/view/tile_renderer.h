#pragma once

#include "imaging/image.h"
#include "imaging/view/view_geometry.h"

#include <QImage>
#include <QRect>

#include <atomic>
#include <vector>

namespace tavlo {

// Paints the visible part of an image as the view shows it, reading only the source pixels that
// part needs, so the cost follows the size of the view and not the size or the zoom of the image.
//
// Each view pixel c (counted from the picture's left edge) shows, when enlarging or at 100 %, the
// image pixel floor((c + 0.5) / scale): the one ViewGeometry::pixelAt() names. When shrinking it
// shows the average of a k x k grid of samples spread evenly over the image pixels it covers
// (k = 1 / scale rounded up, at most 4 per axis): strokes at least as wide as the sample spacing
// stay visible as grey instead of flickering in and out. Large shrunk areas use fewer samples, so
// one paint stays a bounded amount of work.
//
// The renderer keeps its work buffers between calls (painting allocates nothing once the buffers
// have grown to the view's size). One renderer per thread; several may read one image at once.
class TileRenderer {
public:
    // Bounded: the grid above, for painting. Full: k = 1 / scale rounded up, at most 32 per axis,
    // so every source pixel of the area is read down to 1/32 (about 3 %): the view's refinement
    // after a shrunk paint, made away from the user-interface thread.
    enum class Quality { Bounded, Full };

    static constexpr int kMaxSamplesPerAxis = 4;
    static constexpr int kMaxFullSamplesPerAxis = 32;
    // Upper bound of the source samples one render reads when shrinking; beyond it the grid is made
    // coarser (measured by bench/view_bench.cpp against the one-frame budget).
    static constexpr qint64 kSampleBudget = 4'000'000;

    // Renders the part viewRect (view coordinates) of the image as the geometry places it into
    // target (Format_RGB32), with viewRect.topLeft() landing on targetPos. Only the part of
    // viewRect that the picture covers is written. Returns true when the result is the full-quality
    // one (always when not shrinking); stops early, leaving the target partly written, when cancel
    // is set.
    bool render(const Image& image, const ViewGeometry& geometry, const QRect& viewRect,
                QImage& target, QPoint targetPos, Quality quality = Quality::Bounded,
                const std::atomic<bool>* cancel = nullptr);

    // Samples per view pixel of the full quality.
    static QSize fullGrid(double scaleX, double scaleY);

    // Samples per view pixel, horizontally and vertically, for the scales and an area of view
    // pixels: 1 x 1 at 100 % and above.
    static QSize sampleGrid(double scaleX, double scaleY, qint64 viewPixels);

private:
    std::vector<int> m_columns;  // source column of each sample, kx per view column
    std::vector<int> m_rows;     // source row of each sample, ky per view row
    std::vector<quint32> m_span;
    std::vector<quint32> m_sums;  // red, green, blue sums per view column
};

}  // namespace tavlo
