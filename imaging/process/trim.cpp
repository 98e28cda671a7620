#include "imaging/process/trim.h"

#include <cstring>

namespace tavlo::process {

Image trimmed(const Image& image, const PixelRect& wanted)
{
    if (image.isNull())
        return {};
    const PixelRect rect = wanted.clipped(image.width(), image.height());
    if (rect.isEmpty())
        return {};
    const QImage& in = image.pixels();
    QImage out(rect.width(), rect.height(), in.format());
    if (out.isNull())
        return {};
    out.setColorTable(in.colorTable());
    const int depth = in.depth();
    for (int y = 0; y < rect.height(); ++y) {
        const uchar* s = in.constScanLine(rect.top + y);
        uchar* o = out.scanLine(y);
        if (depth == 1) {
            std::memset(o, 0, std::size_t(out.bytesPerLine()));
            for (int x = 0; x < rect.width(); ++x) {
                const int sx = rect.left + x;
                if ((s[sx >> 3] >> (7 - (sx & 7))) & 1)
                    o[x >> 3] |= uchar(0x80 >> (x & 7));
            }
        } else {
            const int bytes = depth / 8;
            std::memcpy(o, s + std::size_t(rect.left) * bytes, std::size_t(rect.width()) * bytes);
        }
    }
    Image result = Image::fromStorage(std::move(out), image.code());
    result.setDpi(image.dpiX(), image.dpiY());
    return result;
}

}  // namespace tavlo::process
