#include "imaging/shape/mark_commit.h"

#include "imaging/process/colour_math.h"
#include "imaging/process/nearest_colour.h"
#include "imaging/process/parallel_rows.h"

#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

namespace tavlo {
namespace {

// The image's rows as plain pointers: the commit runs bands of rows on several threads, and
// Image::scanLine() may only be called on the thread that owns the image (it detaches).
struct PixelRows {
    uchar* bits;
    qsizetype stride;
    ColourCode code;
    QVector<QRgb> palette;

    uchar* row(int y) const { return bits + y * stride; }
};

// Writes one colour into a pixel at the image's code (see commitMarks).
class PixelWriter {
public:
    explicit PixelWriter(const PixelRows& rows) : m_rows(rows)
    {
        const ColourCode code = rows.code;
        if (code == ColourCode::Mono || code == ColourCode::Palette16 ||
            code == ColourCode::Grey16 || code == ColourCode::Palette256)
            m_nearest = std::make_unique<process::NearestColour>(rows.palette);
    }

    void write(int x, int y, QRgb colour)
    {
        const int r = qRed(colour), g = qGreen(colour), b = qBlue(colour);
        uchar* row = m_rows.row(y);
        switch (m_rows.code) {
        case ColourCode::Mono: {
            const uchar bit = uchar(0x80 >> (x & 7));
            if (m_nearest->find(r, g, b))
                row[x >> 3] |= bit;
            else
                row[x >> 3] &= uchar(~bit);
            break;
        }
        case ColourCode::Palette16:
        case ColourCode::Grey16:
        case ColourCode::Palette256: row[x] = uchar(m_nearest->find(r, g, b)); break;
        case ColourCode::Grey256: row[x] = uchar(process::luma(r, g, b)); break;
        case ColourCode::Rgb555: {
            const quint16 word = process::pack555(r, g, b);
            row[2 * x] = uchar(word & 0xff);
            row[2 * x + 1] = uchar(word >> 8);
            break;
        }
        case ColourCode::Rgb24:
            row[3 * x] = uchar(b);
            row[3 * x + 1] = uchar(g);
            row[3 * x + 2] = uchar(r);
            break;
        case ColourCode::Rgb32:
            reinterpret_cast<QRgb*>(row)[x] = 0xff000000u | (colour & 0xffffffu);
            break;
        }
    }

private:
    const PixelRows& m_rows;
    std::unique_ptr<process::NearestColour> m_nearest;
};

// A mark is painted over one canvas of its covered box when that box holds at most this many
// pixels, else tile by tile (a stroke across a 600 dpi page).
constexpr qint64 kOneCanvas = qint64(2048) * 2048;
constexpr int kTile = 512;
// Rows of one band of the commit (see commitMarks): a multiple of the tile, so a large mark is
// cut at the same places whether or not bands are used.
constexpr int kBandRows = 2 * kTile;

// Reads width pixels of row y from x as 0xffRRGGBB (the colour the code stands for).
void readRow(const PixelRows& rows, int y, int x, int width, QRgb* out)
{
    const uchar* row = rows.row(y);
    const QVector<QRgb>& palette = rows.palette;
    switch (rows.code) {
    case ColourCode::Mono:
        for (int i = 0; i < width; ++i) {
            const int at = x + i;
            out[i] = palette[(row[at >> 3] >> (7 - (at & 7))) & 1] | 0xff000000u;
        }
        break;
    case ColourCode::Palette16:
    case ColourCode::Grey16:
    case ColourCode::Palette256:
        for (int i = 0; i < width; ++i)
            out[i] = palette[row[x + i]] | 0xff000000u;
        break;
    case ColourCode::Grey256:
        for (int i = 0; i < width; ++i)
            out[i] = qRgb(row[x + i], row[x + i], row[x + i]);
        break;
    case ColourCode::Rgb555:
        for (int i = 0; i < width; ++i) {
            const int word = row[2 * (x + i)] | (row[2 * (x + i) + 1] << 8);
            out[i] = qRgb(process::expand5((word >> 10) & 31), process::expand5((word >> 5) & 31),
                          process::expand5(word & 31));
        }
        break;
    case ColourCode::Rgb24:
        for (int i = 0; i < width; ++i) {
            const uchar* p = row + 3 * (x + i);
            out[i] = qRgb(p[2], p[1], p[0]);
        }
        break;
    case ColourCode::Rgb32:
        for (int i = 0; i < width; ++i)
            out[i] = reinterpret_cast<const QRgb*>(row)[x + i] | 0xff000000u;
        break;
    }
}

// Paints marks into an image one at a time, each over the image as the marks before it left it,
// reusing its canvases (fresh large buffers for every mark would cost more in page faults than
// the painting).
class MarkPainter {
public:
    explicit MarkPainter(const PixelRows& rows) : m_rows(rows), m_writer(rows) { }

    void commit(const Mark& mark, const QRegion& area)
    {
        const QRect covered = area.boundingRect();
        if (qint64(covered.width()) * covered.height() <= kOneCanvas) {
            commitBox(mark, area, covered);
            return;
        }
        for (int ty = covered.top() / kTile; ty <= covered.bottom() / kTile; ++ty) {
            for (int tx = covered.left() / kTile; tx <= covered.right() / kTile; ++tx) {
                const QRegion inTile = area & QRect(tx * kTile, ty * kTile, kTile, kTile);
                if (!inTile.isEmpty())
                    commitBox(mark, inTile, inTile.boundingRect());
            }
        }
    }

    QRect changed() const
    {
        return m_right < 0 ? QRect() : QRect(QPoint(m_left, m_top), QPoint(m_right, m_bottom));
    }

private:
    void commitBox(const Mark& mark, const QRegion& parts, QRect box)
    {
        if (m_before.width() < box.width() || m_before.height() < box.height()) {
            const QSize size(std::max(m_before.width(), box.width()),
                             std::max(m_before.height(), box.height()));
            m_before = QImage(size, QImage::Format_RGB32);
            m_canvas = QImage(size, QImage::Format_RGB32);
        }
        // The mark is painted over the picture's own colours, so a translucent mark (the
        // highlighter) and smoothed edges blend with what lies under them.
        for (int y = 0; y < box.height(); ++y) {
            readRow(m_rows, box.top() + y, box.left(), box.width(),
                    reinterpret_cast<QRgb*>(m_before.scanLine(y)));
            std::memcpy(m_canvas.scanLine(y), m_before.constScanLine(y),
                        std::size_t(box.width()) * 4);
        }
        if (mark.kind == MarkKind::Highlighter) {
            multiplyHighlighter(mark, box);
        } else {
            QPainter painter(&m_canvas);
            painter.setClipRect(QRect(QPoint(0, 0), box.size()));
            painter.translate(-box.topLeft());
            mark.paint(painter);
        }
        for (const QRect& part : parts) {
            for (int y = part.top(); y <= part.bottom(); ++y) {
                const QRgb* was =
                    reinterpret_cast<const QRgb*>(m_before.constScanLine(y - box.top()));
                const QRgb* now =
                    reinterpret_cast<const QRgb*>(m_canvas.constScanLine(y - box.top()));
                for (int x = part.left(); x <= part.right(); ++x) {
                    const int i = x - box.left();
                    if ((was[i] & 0xffffffu) == (now[i] & 0xffffffu))
                        continue;
                    m_writer.write(x, y, now[i]);
                    m_left = std::min(m_left, x);
                    m_right = std::max(m_right, x);
                    m_top = std::min(m_top, y);
                    m_bottom = std::max(m_bottom, y);
                }
            }
        }
    }

    // The highlighter multiplies the picture by its colour. Qt's multiply of a translucent pen goes
    // through its slowest blending path, so the stroke's coverage is painted alone (fast, opaque)
    // and multiplied here: picture x (1 - strength x (1 - colour)), strength = coverage x opacity.
    void multiplyHighlighter(const Mark& mark, const QRect& box)
    {
        if (m_mask.width() < box.width() || m_mask.height() < box.height())
            m_mask = QImage(m_before.size(), QImage::Format_ARGB32_Premultiplied);
        m_mask.fill(Qt::transparent);
        Mark solid = mark;
        solid.kind = MarkKind::Pen;
        solid.colour = Qt::black;
        {
            QPainter painter(&m_mask);
            painter.setClipRect(QRect(QPoint(0, 0), box.size()));
            painter.translate(-box.topLeft());
            solid.paint(painter);
        }
        const int opacity = std::clamp(mark.opacity, 0, 100);
        const int cr = mark.colour.red(), cg = mark.colour.green(), cb = mark.colour.blue();
        for (int y = 0; y < box.height(); ++y) {
            const QRgb* coverage = reinterpret_cast<const QRgb*>(m_mask.constScanLine(y));
            QRgb* out = reinterpret_cast<QRgb*>(m_canvas.scanLine(y));
            for (int x = 0; x < box.width(); ++x) {
                const int a = qAlpha(coverage[x]);
                if (a == 0)
                    continue;
                // strength in 1/25500 steps: coverage 0..255 times opacity 0..100.
                const int strength = a * opacity;
                auto channel = [strength](int picture, int colour) {
                    return picture - (picture * strength * (255 - colour) + 3251250) / 6502500;
                };
                const QRgb p = out[x];
                out[x] = qRgb(channel(qRed(p), cr), channel(qGreen(p), cg), channel(qBlue(p), cb));
            }
        }
    }

    const PixelRows& m_rows;
    PixelWriter m_writer;
    QImage m_mask;
    QImage m_before;
    QImage m_canvas;
    int m_left = std::numeric_limits<int>::max();
    int m_top = std::numeric_limits<int>::max();
    int m_right = -1;
    int m_bottom = -1;
};

}  // namespace

QRect commitMarks(Image& image, const std::vector<Mark>& marks)
{
    if (image.isNull() || marks.empty())
        return QRect();
    const QRect whole(0, 0, image.width(), image.height());
    std::vector<QRegion> areas;
    areas.reserve(marks.size());
    for (const Mark& mark : marks)
        areas.push_back(mark.area() & whole);
    // Detached here, on the image's own thread, before the bands write through plain pointers.
    const PixelRows rows{image.scanLine(0), image.bytesPerLine(), image.code(), image.palette()};

    // Bands of rows are independent: every mark is painted, in order, over the part of its area
    // inside the band. The bands are of a fixed height, so the pixels are the same on every
    // machine whatever the number of threads.
    std::vector<std::unique_ptr<MarkPainter>> painters(std::size_t(process::processThreadCount()));
    process::parallelRows(whole.height(), kBandRows, [&](int begin, int end, int worker) {
        std::unique_ptr<MarkPainter>& painter = painters[std::size_t(worker)];
        if (!painter)
            painter = std::make_unique<MarkPainter>(rows);
        const QRect band(0, begin, whole.width(), end - begin);
        for (std::size_t i = 0; i < marks.size(); ++i) {
            if (!areas[i].boundingRect().intersects(band))
                continue;
            const QRegion inBand = areas[i] & band;
            if (!inBand.isEmpty())
                painter->commit(marks[i], inBand);
        }
    });
    QRect changed;
    for (const std::unique_ptr<MarkPainter>& painter : painters) {
        if (painter)
            changed |= painter->changed();
    }
    return changed;
}

}  // namespace tavlo
