#include "imaging/process/palette_mapping.h"

#include "imaging/process/colour_conversion.h"
#include "imaging/process/nearest_colour.h"
#include "imaging/process/parallel_rows.h"
#include "imaging/process/row_reader.h"

#include <cstring>
#include <memory>
#include <vector>

namespace tavlo::process {

Image backToCodeOf(const Image& colour, const Image& model)
{
    const ColourCode code = model.code();
    if (colour.isNull() || model.isNull())
        return {};
    if (!isIndexedCode(code) || code == ColourCode::Grey256)
        return convertColour(colour, code);
    const QVector<QRgb> palette = model.palette();
    QImage out(colour.width(), colour.height(), storageFormat(code));
    if (out.isNull() || palette.isEmpty())
        return {};
    out.setColorTable(palette);
    const RowReader reader(colour);
    const WritableRows rows(out);
    const int width = colour.width();
    std::vector<std::unique_ptr<NearestColour>> caches(
        static_cast<std::size_t>(processThreadCount()));
    parallelRows(colour.height(), 64, [&](int begin, int end, int worker) {
        if (!caches[worker])
            caches[worker] = std::make_unique<NearestColour>(palette);
        NearestColour& nearest = *caches[worker];
        std::vector<uchar> buffer(std::size_t(width) * 3 + 16);
        for (int y = begin; y < end; ++y) {
            const uchar* in = reader.bgr(y, buffer.data());
            uchar* o = rows[y];
            if (code == ColourCode::Mono) {
                std::memset(o, 0, std::size_t(rows.stride));
                for (int x = 0; x < width; ++x) {
                    if (nearest.find(in[3 * x + 2], in[3 * x + 1], in[3 * x]))
                        o[x >> 3] |= uchar(0x80 >> (x & 7));
                }
            } else {
                for (int x = 0; x < width; ++x)
                    o[x] = uchar(nearest.find(in[3 * x + 2], in[3 * x + 1], in[3 * x]));
            }
        }
    });
    Image result = Image::fromStorage(std::move(out), code);
    result.setDpi(colour.dpiX(), colour.dpiY());
    return result;
}

}  // namespace tavlo::process
