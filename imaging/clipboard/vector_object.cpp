#include "imaging/clipboard/vector_object.h"

#include "imaging/clipboard/svg_picture.h"
#include "imaging/current_image.h"

#include <algorithm>
#include <cmath>

namespace tavlo {

bool VectorObject::RenderToBitmap(int bits, int width, int red, int green, int blue)
{
    const Image* preview = m_current.image();
    if (!preview || m_current.kind() != 2 || (bits != 24 && bits != 32) || width < 0)
        return false;
    const SvgPicture picture(m_current.vectorSource());
    if (!picture.isValid())
        return false;
    QSize size(preview->width(), preview->height());
    if (width > 0) {
        const double height = double(width) * size.height() / size.width();
        size = QSize(width, std::max(1, int(std::lround(std::min(height, 1e9)))));
    }
    const QRgb background =
        qRgb(std::clamp(red, 0, 255), std::clamp(green, 0, 255), std::clamp(blue, 0, 255));
    Image bitmap =
        picture.render(background, size, bits == 24 ? ColourCode::Rgb24 : ColourCode::Rgb32);
    if (bitmap.isNull())
        return false;
    m_current.replace(std::move(bitmap));
    return true;
}

}  // namespace tavlo
