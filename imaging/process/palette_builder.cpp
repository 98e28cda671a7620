#include "imaging/process/palette_builder.h"

#include <libimagequant.h>

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace tavlo::process {
namespace {

// A sample of about this many pixels is enough for libimagequant's palette: on the 300 dpi test
// page a quarter or an eighth of a million pixels give the same mean error as all 8.7 million,
// at a tenth of the time.
constexpr qint64 kSamplePixels = 1 << 19;

// What libimagequant reads: row r of a virtual image holds every stride-th pixel of source row r,
// starting at an offset that moves from row to row so vertical lines are sampled too.
struct Sample {
    const RowReader* source;
    int stride;
};

void sampleRow(liq_color out[], int row, int width, void* user)
{
    const Sample& sample = *static_cast<const Sample*>(user);
    const Image& image = sample.source->image();
    thread_local std::vector<uchar> buffer;
    buffer.resize(std::size_t(image.width()) * 3 + 16);
    const uchar* bgr = sample.source->bgr(row, buffer.data());
    const int offset = (row * 5) % sample.stride;
    for (int x = 0; x < width; ++x) {
        const int sx = std::min(image.width() - 1, x * sample.stride + offset);
        out[x] = {bgr[3 * sx + 2], bgr[3 * sx + 1], bgr[3 * sx], 255};
    }
}

struct LiqFree {
    void operator()(liq_attr* p) const { liq_attr_destroy(p); }
    void operator()(liq_image* p) const { liq_image_destroy(p); }
    void operator()(liq_histogram* p) const { liq_histogram_destroy(p); }
    void operator()(liq_result* p) const { liq_result_destroy(p); }
};

// libimagequant spreads its palette search over OpenMP threads whose waits spin. On the two-core
// machines Tavlo runs on, with scanning and our own threads busy, the spinning costs more than it
// saves (a 256-colour palette of a 300 dpi page took two to four times longer), so its loops run
// on the calling thread. Looked up at run time: a libimagequant built without OpenMP has nothing to
// set.
void keepLibimagequantOnThisThread()
{
    using SetThreads = void (*)(int);
    static const auto setThreads =
        reinterpret_cast<SetThreads>(dlsym(RTLD_DEFAULT, "omp_set_num_threads"));
    if (setThreads)
        setThreads(1);
}

// A tiny open-addressing set of colours for exactPalette().
class ColourSet {
public:
    explicit ColourSet(int capacity)
    {
        int size = 8;
        while (size < capacity * 4)
            size *= 2;
        m_slots.assign(size, kEmpty);
    }
    // False when the colour was already there.
    bool insert(quint32 rgb)
    {
        const quint32 mask = quint32(m_slots.size() - 1);
        for (quint32 slot = (rgb * 2654435761u) & mask;; slot = (slot + 1) & mask) {
            if (m_slots[slot] == rgb)
                return false;
            if (m_slots[slot] == kEmpty) {
                m_slots[slot] = rgb;
                return true;
            }
        }
    }

private:
    static constexpr quint32 kEmpty = 0xffffffffu;
    std::vector<quint32> m_slots;
};

}  // namespace

std::optional<QVector<QRgb>> exactPalette(const RowReader& source, int capacity)
{
    const Image& image = source.image();
    QVector<QRgb> colours;
    if (isIndexedCode(image.code()) && image.code() != ColourCode::Grey256) {
        // Only the entries in use count; look at indices, not colours.
        std::vector<bool> used(256, false);
        std::vector<uchar> buffer(std::size_t(image.width()) + 16);
        for (int y = 0; y < image.height(); ++y) {
            const uchar* index = source.indices(y, buffer.data());
            for (int x = 0; x < image.width(); ++x)
                used[index[x]] = true;
        }
        ColourSet seen(256);
        for (int i = 0; i < 256; ++i) {
            if (used[i] && seen.insert(source.paletteColour(i) & 0xffffff)) {
                if (colours.size() == capacity)
                    return std::nullopt;
                colours.append(source.paletteColour(i));
            }
        }
        return colours;
    }
    ColourSet seen(capacity);
    std::vector<uchar> buffer(std::size_t(image.width()) * 3 + 16);
    quint32 last = 0xffffffffu;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* bgr = source.bgr(y, buffer.data());
        for (int x = 0; x < image.width(); ++x) {
            const quint32 rgb =
                (quint32(bgr[3 * x + 2]) << 16) | (quint32(bgr[3 * x + 1]) << 8) | bgr[3 * x];
            if (rgb == last)
                continue;
            last = rgb;
            if (seen.insert(rgb)) {
                if (colours.size() == capacity)
                    return std::nullopt;
                colours.append(0xff000000u | rgb);
            }
        }
    }
    return colours;
}

QVector<QRgb> bestPalette(const RowReader& source, int colours)
{
    const Image& image = source.image();
    const qint64 pixels = qint64(image.width()) * image.height();
    const int stride = int(std::clamp<qint64>((pixels + kSamplePixels - 1) / kSamplePixels, 1,
                                              std::max(1, image.width())));
    Sample sample{&source, stride};
    const int sampleWidth = std::max(1, image.width() / stride);

    keepLibimagequantOnThisThread();
    std::unique_ptr<liq_attr, LiqFree> attr(liq_attr_create());
    if (!attr)
        return {};
    // Speed 5 gives the palette of the default speed (4) on scanned pages in about half the time.
    if (liq_set_max_colors(attr.get(), std::clamp(colours, 2, 256)) != LIQ_OK ||
        liq_set_speed(attr.get(), 5) != LIQ_OK)
        return {};
    std::unique_ptr<liq_image, LiqFree> liqImage(
        liq_image_create_custom(attr.get(), sampleRow, &sample, sampleWidth, image.height(), 0));
    std::unique_ptr<liq_histogram, LiqFree> histogram(liq_histogram_create(attr.get()));
    if (!liqImage || !histogram ||
        liq_histogram_add_image(histogram.get(), attr.get(), liqImage.get()) != LIQ_OK)
        return {};
    liq_result* raw = nullptr;
    if (liq_histogram_quantize(histogram.get(), attr.get(), &raw) != LIQ_OK || !raw)
        return {};
    std::unique_ptr<liq_result, LiqFree> result(raw);
    const liq_palette* palette = liq_get_palette(result.get());
    QVector<QRgb> entries;
    for (unsigned i = 0; palette && i < palette->count; ++i)
        entries.append(qRgb(palette->entries[i].r, palette->entries[i].g, palette->entries[i].b));
    return entries;
}

}  // namespace tavlo::process
