#include "imaging/view/tile_renderer.h"

#include "imaging/view/pixel_reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tavlo {
namespace {

// Source index of every sample along one axis. View pixel i of the area (content coordinate
// first + i) gets k samples at (first + i + (j + 0.5) / k) / scale, j = 0 .. k - 1; with k = 1
// that is the pixel centre, the same point ViewGeometry::pixelAt() maps.
void buildAxis(int first, int count, int k, double scale, int sourceLength, std::vector<int>& out)
{
    out.resize(std::size_t(count) * k);
    const int last = sourceLength - 1;
    for (int i = 0; i < count; ++i) {
        for (int j = 0; j < k; ++j) {
            const double offset = k == 1 ? 0.5 : (j + 0.5) / k;
            const double position = (double(first + i) + offset) / scale;
            out[std::size_t(i) * k + j] = std::clamp(int(position), 0, last);
        }
    }
}

int samplesFor(double scale, int most)
{
    if (scale >= 1.0)
        return 1;
    return std::min(most, int(std::ceil(1.0 / scale - 1e-9)));
}

// round(sum / n) by a multiplication instead of a division; exact for the sums of up to
// 32 x 32 samples of 0..255.
struct Averager {
    explicit Averager(int n)
        : half(quint64(n / 2)), factor(((quint64(1) << 32) + quint64(n) - 1) / quint64(n))
    {
    }
    quint32 operator()(quint32 sum) const { return quint32(((sum + half) * factor) >> 32); }
    quint64 half;
    quint64 factor;
};

}  // namespace

QSize TileRenderer::fullGrid(double scaleX, double scaleY)
{
    return QSize(samplesFor(scaleX, kMaxFullSamplesPerAxis),
                 samplesFor(scaleY, kMaxFullSamplesPerAxis));
}

QSize TileRenderer::sampleGrid(double scaleX, double scaleY, qint64 viewPixels)
{
    int kx = samplesFor(scaleX, kMaxSamplesPerAxis);
    int ky = samplesFor(scaleY, kMaxSamplesPerAxis);
    while (qint64(kx) * ky * viewPixels > kSampleBudget && (kx > 1 || ky > 1)) {
        if (kx >= ky)
            --kx;
        else
            --ky;
    }
    return QSize(kx, ky);
}

bool TileRenderer::render(const Image& image, const ViewGeometry& geometry, const QRect& viewRect,
                          QImage& target, QPoint targetPos, Quality quality,
                          const std::atomic<bool>* cancel)
{
    if (image.isNull() || geometry.isNull() || target.format() != QImage::Format_RGB32)
        return true;
    // The part of the request that the picture covers and the target can hold.
    QRect area = viewRect & geometry.contentRect();
    area &= QRect(viewRect.topLeft() - targetPos, target.size());
    if (area.isEmpty())
        return true;
    const QPoint outPos = targetPos + (area.topLeft() - viewRect.topLeft());
    const int cols = area.width();
    const int rows = area.height();
    const QSize full = fullGrid(geometry.scaleX(), geometry.scaleY());
    const QSize grid = quality == Quality::Full
                           ? full
                           : sampleGrid(geometry.scaleX(), geometry.scaleY(), qint64(cols) * rows);
    const int kx = grid.width();
    const int ky = grid.height();
    const QPoint first = area.topLeft() - geometry.origin();
    buildAxis(first.x(), cols, kx, geometry.scaleX(), image.width(), m_columns);
    buildAxis(first.y(), rows, ky, geometry.scaleY(), image.height(), m_rows);

    const PixelReader reader(image);
    // With one sample per column the columns rise monotonically; when they span few source pixels
    // (enlarging or 100 %) convert that span once per source row and spread it, else gather.
    const int spanFirst = m_columns.front();
    const int spanLength = m_columns.back() - spanFirst + 1;
    const bool useSpan = kx == 1 && spanLength <= cols;
    const bool identity = useSpan && spanLength == cols;
    if (useSpan)
        m_span.resize(std::size_t(spanLength));

    // Colours of one source row at the sampled columns (one per view column) into out.
    auto fetchRow = [&](int y, quint32* out) {
        if (identity) {
            reader.span(y, spanFirst, cols, out);
        } else if (useSpan) {
            reader.span(y, spanFirst, spanLength, m_span.data());
            for (int c = 0; c < cols; ++c)
                out[c] = m_span[std::size_t(m_columns[std::size_t(c)] - spanFirst)];
        } else {
            reader.gather(y, m_columns.data(), cols, out);
        }
    };

    if (kx == 1 && ky == 1) {
        const quint32* previous = nullptr;
        for (int i = 0; i < rows; ++i) {
            auto* out = reinterpret_cast<quint32*>(target.scanLine(outPos.y() + i)) + outPos.x();
            if (previous && m_rows[std::size_t(i)] == m_rows[std::size_t(i) - 1])
                std::memcpy(out, previous, std::size_t(cols) * sizeof(quint32));
            else
                fetchRow(m_rows[std::size_t(i)], out);
            previous = out;
        }
        return true;
    }

    const Averager average(kx * ky);
    m_sums.resize(std::size_t(cols) * 3);
    reader.withFetcher([&](auto fetch) {
        for (int i = 0; i < rows; ++i) {
            if (cancel && cancel->load(std::memory_order_relaxed))
                return;
            std::fill(m_sums.begin(), m_sums.end(), 0u);
            for (int j = 0; j < ky; ++j) {
                const uchar* line = reader.row(m_rows[std::size_t(i) * ky + j]);
                const int* column = m_columns.data();
                quint32* sum = m_sums.data();
                for (int c = 0; c < cols; ++c, sum += 3) {
                    quint32 red = 0, green = 0, blue = 0;
                    for (int s = 0; s < kx; ++s, ++column) {
                        const quint32 colour = fetch(line, *column);
                        red += (colour >> 16) & 0xff;
                        green += (colour >> 8) & 0xff;
                        blue += colour & 0xff;
                    }
                    sum[0] += red;
                    sum[1] += green;
                    sum[2] += blue;
                }
            }
            auto* out = reinterpret_cast<quint32*>(target.scanLine(outPos.y() + i)) + outPos.x();
            const quint32* sum = m_sums.data();
            for (int c = 0; c < cols; ++c, sum += 3)
                out[c] = 0xff000000u | (average(sum[0]) << 16) | (average(sum[1]) << 8) |
                         average(sum[2]);
        }
    });
    return grid == full;
}

}  // namespace tavlo
