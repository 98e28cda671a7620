#include "tests/support/glass_preview.h"

#include "tests/support/xorshift.h"

#include <cmath>

namespace tavlo::test {

Image glassPreview(QSizeF glassMm, int dpi, QRectF documentMm, unsigned seed)
{
    const double pxPerMm = dpi / 25.4;
    const int width = int(std::lround(glassMm.width() * pxPerMm));
    const int height = int(std::lround(glassMm.height() * pxPerMm));
    Image image = Image::create(width, height, ColourCode::Rgb24);
    image.setDpi(dpi, dpi);
    XorShift32 random{seed * 2654435761u + 1};
    const QRectF document(documentMm.topLeft() * pxPerMm, documentMm.size() * pxPerMm);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            // A pixel belongs to the document when its centre lies inside.
            const bool inside = document.contains(QPointF(x + 0.5, y + 0.5));
            const int b = inside ? 70 : 228;
            const int g = inside ? 110 : 234;
            const int r = inside ? 150 : 236;
            const int noise = inside ? 20 : 6;
            uchar* p = row + x * 3;
            p[0] = uchar(b + random.below(2 * noise + 1) - noise);
            p[1] = uchar(g + random.below(2 * noise + 1) - noise);
            p[2] = uchar(r + random.below(2 * noise + 1) - noise);
            if (!inside && random.below(5000) == 0)
                p[0] = p[1] = p[2] = 20;  // dust
        }
    }
    return image;
}

}  // namespace tavlo::test
