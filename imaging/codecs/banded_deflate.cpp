#include "imaging/codecs/banded_deflate.h"

#include "imaging/codecs/ordered_work.h"
#include "imaging/codecs/png_row_filter.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace tavlo::codecs {
namespace {

constexpr std::size_t kWindow = 32768;

struct Band {
    std::vector<uchar> compressed;
    uLong adler = 1;
    std::size_t filteredBytes = 0;
};

class Job {
public:
    Job(int width, int height, int bytesPerPixel, const BandedDeflate::RowSource& source,
        const BandedDeflate::Settings& settings)
        : m_height(height), m_rowBytes(std::size_t(width) * std::size_t(bytesPerPixel)),
          m_bpp(bytesPerPixel), m_source(source), m_settings(settings)
    {
        m_bandRows = int(std::clamp<std::size_t>(std::size_t(settings.bandBytes) / m_rowBytes, 1,
                                                 std::size_t(height)));
        m_bands.resize(std::size_t((height + m_bandRows - 1) / m_bandRows));
    }

    int bandCount() const { return int(m_bands.size()); }

    // Filters rows [first, last) into out; `filter` and the row buffers belong to the caller.
    void filterRows(int first, int last, PngRowFilter& filter, std::vector<uchar>& previous,
                    std::vector<uchar>& current, uchar* out) const
    {
        bool havePrevious = first > 0;
        if (havePrevious)
            m_source(first - 1, previous.data());
        for (int y = first; y < last; ++y, out += m_rowBytes + 1) {
            m_source(y, current.data());
            filter.filter(current.data(), havePrevious ? previous.data() : nullptr, out);
            std::swap(previous, current);
            havePrevious = true;
        }
    }

    bool compressBand(int index)
    {
        Band& band = m_bands[std::size_t(index)];
        const int first = index * m_bandRows;
        const int last = std::min(m_height, first + m_bandRows);
        const bool final = last == m_height;
        z_stream z{};
        bool initialised = false;
        try {
            PngRowFilter filter(int(m_rowBytes), m_bpp);
            std::vector<uchar> previous(m_rowBytes), current(m_rowBytes);
            // The dictionary: the filtered rows just before the band, as the band before made them.
            std::vector<uchar> dictionary;
            if (first > 0) {
                const int rows = int(std::min<std::size_t>(
                    (kWindow + m_rowBytes) / (m_rowBytes + 1), std::size_t(first)));
                dictionary.resize(std::size_t(rows) * (m_rowBytes + 1));
                filterRows(first - rows, first, filter, previous, current, dictionary.data());
            }
            std::vector<uchar> filtered(std::size_t(last - first) * (m_rowBytes + 1));
            filterRows(first, last, filter, previous, current, filtered.data());
            band.filteredBytes = filtered.size();
            band.adler = adler32_z(1, filtered.data(), filtered.size());

            if (deflateInit2(&z, m_settings.level, Z_DEFLATED, -15, m_settings.memLevel,
                             m_settings.strategy) != Z_OK)
                return false;
            initialised = true;
            if (m_settings.maxChain > 0)
                deflateTune(&z, m_settings.goodLength, m_settings.maxLazy, m_settings.niceLength,
                            m_settings.maxChain);
            if (!dictionary.empty()) {
                const std::size_t size = std::min(dictionary.size(), kWindow);
                deflateSetDictionary(&z, dictionary.data() + dictionary.size() - size, uInt(size));
            }
            band.compressed.resize(deflateBound(&z, uLong(filtered.size())) + 64);
            z.next_in = filtered.data();
            z.avail_in = uInt(filtered.size());
            std::size_t produced = 0;
            for (;;) {
                z.next_out = band.compressed.data() + produced;
                z.avail_out = uInt(band.compressed.size() - produced);
                const int result = deflate(&z, final ? Z_FINISH : Z_SYNC_FLUSH);
                produced = band.compressed.size() - z.avail_out;
                if (result == Z_STREAM_ERROR)
                    break;
                if (z.avail_in == 0 && z.avail_out > 0 && (!final || result == Z_STREAM_END)) {
                    band.compressed.resize(produced);
                    deflateEnd(&z);
                    return true;
                }
                band.compressed.resize(band.compressed.size() * 2);
            }
        } catch (const std::bad_alloc&) {
        }
        if (initialised)
            deflateEnd(&z);
        return false;
    }

    // Compresses the bands on worker threads and hands them to the sink in order, between the
    // zlib header and the Adler-32 of the whole.
    bool run(int threads, const BandedDeflate::Sink& sink)
    {
        const uchar header[2] = {0x78, 0x9c};  // deflate, 32 KB window, default level
        if (!sink(header, 2))
            return false;
        uLong adler = 1;
        const bool ok = OrderedWork::run(
            bandCount(), threads, [this](int index) { return compressBand(index); },
            [&](int index) {
                Band& band = m_bands[std::size_t(index)];
                adler = adler32_combine(adler, band.adler, z_off_t(band.filteredBytes));
                const bool taken = sink(band.compressed.data(), band.compressed.size());
                std::vector<uchar>().swap(band.compressed);
                return taken;
            });
        if (!ok)
            return false;
        const uchar trailer[4] = {uchar(adler >> 24), uchar(adler >> 16), uchar(adler >> 8),
                                  uchar(adler)};
        return sink(trailer, 4);
    }

private:
    int m_height;
    std::size_t m_rowBytes;
    int m_bpp;
    const BandedDeflate::RowSource& m_source;
    const BandedDeflate::Settings& m_settings;
    int m_bandRows = 1;
    std::vector<Band> m_bands;
};

}  // namespace

BandedDeflate::Settings BandedDeflate::Settings::forScans()
{
    Settings settings;
    settings.level = 6;
    settings.strategy = Z_FILTERED;
    settings.goodLength = 4;
    settings.maxLazy = 8;
    settings.niceLength = 32;
    settings.maxChain = 256;
    return settings;
}

bool BandedDeflate::compress(int width, int height, int bytesPerPixel, const RowSource& source,
                             const Settings& settings, const Sink& sink)
{
    if (width < 1 || height < 1 || bytesPerPixel < 1)
        return false;
    Job job(width, height, bytesPerPixel, source, settings);
    return job.run(settings.threads, sink);
}

}  // namespace tavlo::codecs
