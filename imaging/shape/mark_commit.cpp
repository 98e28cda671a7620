#include "imaging/shape/mark_commit.h"

#include "imaging/process/colour_math.h"
#include "imaging/process/nearest_colour.h"

#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <memory>

namespace tavlo {
namespace {

// Writes one colour into a pixel at the image's code (see commitMarks).
class PixelWriter {
public:
    explicit PixelWriter(Image& image) : m_image(image)
    {
        const ColourCode code = image.code();
        if (code == ColourCode::Mono || code == ColourCode::Palette16 ||
            code == ColourCode::Grey16 || code == ColourCode::Palette256)
            m_nearest = std::make_unique<process::NearestColour>(image.palette());
    }

    void write(int x, int y, QRgb colour)
    {
        const int r = qRed(colour), g = qGreen(colour), b = qBlue(colour);
        uchar* row = m_image.scanLine(y);
        switch (m_image.code()) {
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
    Image& m_image;
    std::unique_ptr<process::NearestColour> m_nearest;
};

}  // namespace

QRect commitMarks(Image& image, const std::vector<Mark>& marks)
{
    if (image.isNull() || marks.empty())
        return QRect();
    const QRect whole(0, 0, image.width(), image.height());
    QRegion area;
    for (const Mark& mark : marks)
        area += mark.bounds().toAlignedRect() & whole;
    PixelWriter writer(image);
    int left = whole.right() + 1, top = whole.bottom() + 1, right = -1, bottom = -1;
    for (const QRect& part : area) {
        // The marks are painted over the picture's own colours, so translucent marks (the
        // highlighter) and smoothed edges blend with what lies under them.
        const QImage before = image.pixels().copy(part).convertToFormat(QImage::Format_RGB32);
        QImage canvas = before.copy();
        {
            QPainter painter(&canvas);
            painter.translate(-part.topLeft());
            for (const Mark& mark : marks) {
                if (mark.bounds().intersects(QRectF(part)))
                    mark.paint(painter);
            }
        }
        for (int y = 0; y < part.height(); ++y) {
            const QRgb* was = reinterpret_cast<const QRgb*>(before.constScanLine(y));
            const QRgb* now = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
            for (int x = 0; x < part.width(); ++x) {
                if ((was[x] & 0xffffffu) == (now[x] & 0xffffffu))
                    continue;
                const int px = part.left() + x, py = part.top() + y;
                writer.write(px, py, now[x]);
                left = std::min(left, px);
                right = std::max(right, px);
                top = std::min(top, py);
                bottom = std::max(bottom, py);
            }
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

}  // namespace tavlo
