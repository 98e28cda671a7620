#include "imaging/process/paste.h"

#include "imaging/process/palette_mapping.h"
#include "imaging/process/pixel_rect.h"

#include <climits>
#include <cstring>

namespace tavlo::process {

bool pasteInPlace(Image& image, const Image& piece, int x, int y)
{
    if (image.isNull() || piece.isNull())
        return false;
    const PixelRect area = PixelRect{x, y, int(qMin<qint64>(qint64(x) + piece.width(), INT_MAX)),
                                     int(qMin<qint64>(qint64(y) + piece.height(), INT_MAX))}
                               .clipped(image.width(), image.height());
    if (area.isEmpty())
        return false;
    const bool samePalette = image.code() == piece.code() &&
                             (!isIndexedCode(image.code()) || image.palette() == piece.palette());
    const Image source = samePalette ? piece : backToCodeOf(piece, image);
    if (source.isNull())
        return false;
    QImage& out = image.pixels();
    const QImage& in = source.pixels();
    const int depth = out.depth();
    const int fromX = area.left - x, fromY = area.top - y;
    for (int row = 0; row < area.height(); ++row) {
        const uchar* s = in.constScanLine(fromY + row);
        uchar* o = out.scanLine(area.top + row);
        if (depth == 1) {
            for (int col = 0; col < area.width(); ++col) {
                const int sx = fromX + col, ox = area.left + col;
                const uchar mask = uchar(0x80 >> (ox & 7));
                if ((s[sx >> 3] >> (7 - (sx & 7))) & 1)
                    o[ox >> 3] |= mask;
                else
                    o[ox >> 3] &= uchar(~mask);
            }
        } else {
            const int bytes = depth / 8;
            std::memcpy(o + std::size_t(area.left) * bytes, s + std::size_t(fromX) * bytes,
                        std::size_t(area.width()) * bytes);
        }
    }
    return true;
}

}  // namespace tavlo::process
