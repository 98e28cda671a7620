#include "imaging/codecs/banded_deflate.h"

#include "imaging/codecs/png_row_filter.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace tavlo::codecs {
namespace {

constexpr std::size_t kWindow = 32768;

struct Band {
    std::vector<uchar> compressed;
    uLong adler = 1;
    std::size_t filteredBytes = 0;
    bool done = false;
    bool failed = false;
};

class Job {
public:
    Job(int width, int height, int bytesPerPixel, const BandedDeflate::RowSource& source,
        const BandedDeflate::Settings& settings)
        : m_height(height),
          m_rowBytes(std::size_t(width) * std::size_t(bytesPerPixel)),
          m_bpp(bytesPerPixel),
          m_source(source),
          m_settings(settings)
    {
        m_bandRows = int(std::clamp<std::size_t>(std::size_t(settings.bandBytes) / m_rowBytes, 1, std::size_t(height)));
        m_bands.resize(std::size_t((height + m_bandRows - 1) / m_bandRows));
    }

    int bandCount() const { return int(m_bands.size()); }

    // Filters rows [first, last) into out; `filter` and the row buffers belong to the caller.
    void filterRows(int first, int last, PngRowFilter& filter, std::vector<uchar>& previous, std::vector<uchar>& current,
                    uchar* out) const
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
                const int rows = int(std::min<std::size_t>((kWindow + m_rowBytes) / (m_rowBytes + 1), std::size_t(first)));
                dictionary.resize(std::size_t(rows) * (m_rowBytes + 1));
                filterRows(first - rows, first, filter, previous, current, dictionary.data());
            }
            std::vector<uchar> filtered(std::size_t(last - first) * (m_rowBytes + 1));
            filterRows(first, last, filter, previous, current, filtered.data());
            band.filteredBytes = filtered.size();
            band.adler = adler32_z(1, filtered.data(), filtered.size());

            if (deflateInit2(&z, m_settings.level, Z_DEFLATED, -15, m_settings.memLevel, m_settings.strategy) != Z_OK)
                return false;
            initialised = true;
            if (m_settings.maxChain > 0)
                deflateTune(&z, m_settings.goodLength, m_settings.maxLazy, m_settings.niceLength, m_settings.maxChain);
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

    // Runs `threads` workers; the calling thread hands finished bands to the sink in order.
    bool run(int threads, const BandedDeflate::Sink& sink)
    {
        const int window = 2 * threads;
        std::vector<std::thread> workers;
        auto work = [this, window] {
            for (;;) {
                int index = 0;
                {
                    std::unique_lock lock(m_mutex);
                    m_wake.wait(lock, [&] { return m_stop || m_next >= bandCount() || m_next < m_written + window; });
                    if (m_stop || m_next >= bandCount())
                        return;
                    index = m_next++;
                }
                const bool ok = compressBand(index);
                {
                    std::lock_guard lock(m_mutex);
                    m_bands[std::size_t(index)].done = true;
                    m_bands[std::size_t(index)].failed = !ok;
                }
                m_wake.notify_all();
            }
        };
        try {
            for (int i = 0; i < threads; ++i)
                workers.emplace_back(work);
        } catch (const std::system_error&) {
            // Fewer threads than asked for (or none: the loop below then works alone).
        }
        bool ok = true;
        uLong adler = 1;
        const uchar header[2] = {0x78, 0x9c};  // deflate, 32 KB window, default level
        ok = sink(header, 2);
        for (int index = 0; ok && index < bandCount(); ++index) {
            Band& band = m_bands[std::size_t(index)];
            if (workers.empty()) {
                band.failed = !compressBand(index);
                band.done = true;
            } else {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [&] { return band.done; });
            }
            ok = !band.failed && sink(band.compressed.data(), band.compressed.size());
            adler = adler32_combine(adler, band.adler, z_off_t(band.filteredBytes));
            std::vector<uchar>().swap(band.compressed);
            {
                std::lock_guard lock(m_mutex);
                m_written = index + 1;
            }
            m_wake.notify_all();
        }
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        for (std::thread& worker : workers)
            worker.join();
        if (!ok)
            return false;
        const uchar trailer[4] = {uchar(adler >> 24), uchar(adler >> 16), uchar(adler >> 8), uchar(adler)};
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
    std::mutex m_mutex;
    std::condition_variable m_wake;
    int m_next = 0;
    int m_written = 0;
    bool m_stop = false;
};

}  // namespace

bool BandedDeflate::compress(int width, int height, int bytesPerPixel, const RowSource& source,
                             const Settings& settings, const Sink& sink)
{
    if (width < 1 || height < 1 || bytesPerPixel < 1)
        return false;
    Job job(width, height, bytesPerPixel, source, settings);
    int threads = settings.threads > 0 ? settings.threads : int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    threads = std::min(threads, job.bandCount());
    // One band, or one processor: no threads at all.
    return job.run(threads > 1 ? threads : 0, sink);
}

}  // namespace tavlo::codecs
