#include "imaging/codecs/png_band_compressor.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace tavlo::codecs {
namespace {

constexpr int kWindow = 32 * 1024;
constexpr qint64 kBandBytes = 2 << 20;
constexpr qint64 kChunkBytes = 1 << 20;

int paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Cost of a filtered row as libpng counts it: bytes read as signed, absolute values summed.
quint64 cost(const uchar* row, int length)
{
    quint64 sum = 0;
    for (int i = 0; i < length; ++i)
        sum += row[i] < 128 ? row[i] : 256 - row[i];
    return sum;
}

// Filters one row (raw, with the raw row above or zeros) into out: a filter byte and the row.
void filterRow(const uchar* raw, const uchar* above, int length, int bpp, uchar* out, uchar* trial)
{
    uchar* candidates[5] = {trial, trial + length, trial + 2 * length, trial + 3 * length, trial + 4 * length};
    for (int i = 0; i < length; ++i) {
        const int left = i >= bpp ? raw[i - bpp] : 0;
        const int up = above[i];
        const int upLeft = i >= bpp ? above[i - bpp] : 0;
        candidates[0][i] = raw[i];
        candidates[1][i] = uchar(raw[i] - left);
        candidates[2][i] = uchar(raw[i] - up);
        candidates[3][i] = uchar(raw[i] - ((left + up) >> 1));
        candidates[4][i] = uchar(raw[i] - paeth(left, up, upLeft));
    }
    int best = 0;
    quint64 bestCost = cost(candidates[0], length);
    for (int f = 1; f < 5; ++f) {
        const quint64 c = cost(candidates[f], length);
        if (c < bestCost) {
            best = f;
            bestCost = c;
        }
    }
    out[0] = uchar(best);
    std::memcpy(out + 1, candidates[best], std::size_t(length));
}

struct Band {
    int first = 0;
    int count = 0;
    std::unique_ptr<uchar[]> compressed;  // left uninitialised: only what deflate writes is touched
    std::size_t compressedSize = 0;
    uLong adler = 1;
    qint64 length = 0;  // filtered bytes
    bool ok = false;
};

class BandWorker {
public:
    BandWorker(int height, int rowBytes, int bpp, int level, int strategy,
               const std::function<void(int, uchar*)>& rows)
        : m_height(height), m_rowBytes(rowBytes), m_bpp(bpp), m_level(level), m_strategy(strategy), m_rows(rows),
          m_raw(std::size_t(rowBytes)), m_above(std::size_t(rowBytes)), m_trial(std::size_t(rowBytes) * 5)
    {
    }

    // Filters rows [first, first + count) into out, which must hold count * (rowBytes + 1).
    void filter(int first, int count, uchar* out)
    {
        if (first > 0)
            m_rows(first - 1, m_above.data());
        else
            std::fill(m_above.begin(), m_above.end(), uchar(0));
        for (int y = first; y < first + count; ++y) {
            m_rows(y, m_raw.data());
            filterRow(m_raw.data(), m_above.data(), m_rowBytes, m_bpp, out + qint64(y - first) * (m_rowBytes + 1),
                      m_trial.data());
            std::swap(m_raw, m_above);
        }
    }

    void compress(Band& band, bool last)
    {
        const int line = m_rowBytes + 1;
        std::vector<uchar> filtered(std::size_t(band.count) * line);
        filter(band.first, band.count, filtered.data());
        band.length = qint64(filtered.size());
        band.adler = adler32(1, filtered.data(), uInt(filtered.size()));

        z_stream z{};
        if (deflateInit2(&z, m_level, Z_DEFLATED, -15, 9, m_strategy) != Z_OK)
            return;
        if (band.first > 0) {
            // The window the previous band ends with: the filtered tail of the rows before.
            const int tailRows = std::min(band.first, (kWindow + line - 1) / line);
            std::vector<uchar> tail(std::size_t(tailRows) * line);
            filter(band.first - tailRows, tailRows, tail.data());
            const std::size_t dictionary = std::min<std::size_t>(tail.size(), kWindow);
            deflateSetDictionary(&z, tail.data() + tail.size() - dictionary, uInt(dictionary));
        }
        const std::size_t bound = deflateBound(&z, uLong(filtered.size())) + 16;
        band.compressed.reset(new (std::nothrow) uchar[bound]);
        if (!band.compressed) {
            deflateEnd(&z);
            return;
        }
        z.next_in = filtered.data();
        z.avail_in = uInt(filtered.size());
        z.next_out = band.compressed.get();
        z.avail_out = uInt(bound);
        const int result = deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
        band.ok = (last ? result == Z_STREAM_END : result == Z_OK) && z.avail_in == 0;
        band.compressedSize = bound - z.avail_out;
        deflateEnd(&z);
    }

private:
    int m_height;
    int m_rowBytes;
    int m_bpp;
    int m_level;
    int m_strategy;
    const std::function<void(int, uchar*)>& m_rows;
    std::vector<uchar> m_raw;
    std::vector<uchar> m_above;
    std::vector<uchar> m_trial;
};

void putBigEndian(uchar* at, quint32 value)
{
    at[0] = uchar(value >> 24);
    at[1] = uchar(value >> 16);
    at[2] = uchar(value >> 8);
    at[3] = uchar(value);
}

// Writes data as IDAT chunks of at most kChunkBytes.
bool writeChunks(QIODevice& out, const uchar* data, qint64 size)
{
    while (size > 0) {
        const qint64 part = std::min(size, kChunkBytes);
        uchar head[8];
        putBigEndian(head, quint32(part));
        std::memcpy(head + 4, "IDAT", 4);
        uLong crc = crc32(0, head + 4, 4);
        crc = crc32(crc, data, uInt(part));
        uchar tail[4];
        putBigEndian(tail, quint32(crc));
        if (out.write(reinterpret_cast<const char*>(head), 8) != 8 ||
            out.write(reinterpret_cast<const char*>(data), part) != part ||
            out.write(reinterpret_cast<const char*>(tail), 4) != 4)
            return false;
        data += part;
        size -= part;
    }
    return true;
}

}  // namespace

bool writePngImageData(QIODevice& out, int height, int rowBytes, int bytesPerPixel, int level, int strategy,
                       const std::function<void(int, uchar*)>& rows)
{
    const int threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    const int bandRows = int(std::max<qint64>(1, kBandBytes / (rowBytes + 1)));
    const int bandCount = (height + bandRows - 1) / bandRows;

    // zlib header: deflate with a 32 KiB window; the level field as zlib writes it.
    const int levelFlag = level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
    uchar header[2] = {0x78, uchar(levelFlag << 6)};
    header[1] = uchar(header[1] + 31 - (header[0] * 256 + header[1]) % 31);
    std::vector<uchar> pending(header, header + 2);
    uLong adler = 1;

    // Waves of bands: every thread compresses bands of the wave; then they are written in order.
    const int wave = threads * 2;
    for (int start = 0; start < bandCount; start += wave) {
        std::vector<Band> bands(std::size_t(std::min(wave, bandCount - start)));
        for (std::size_t i = 0; i < bands.size(); ++i) {
            bands[i].first = (start + int(i)) * bandRows;
            bands[i].count = std::min(bandRows, height - bands[i].first);
        }
        std::atomic<std::size_t> next{0};
        auto work = [&] {
            BandWorker worker(height, rowBytes, bytesPerPixel, level, strategy, rows);
            for (std::size_t i = next++; i < bands.size(); i = next++)
                worker.compress(bands[i], start + int(i) == bandCount - 1);
        };
        std::vector<std::thread> helpers;
        try {
            for (int t = 1; t < std::min<int>(threads, int(bands.size())); ++t)
                helpers.emplace_back(work);
        } catch (const std::system_error&) {
            // No more threads to be had: the ones running (at least this one) do all the bands.
        }
        work();
        for (std::thread& helper : helpers)
            helper.join();
        for (Band& band : bands) {
            if (!band.ok)
                return false;
            adler = adler32_combine(adler, band.adler, band.length);
            pending.insert(pending.end(), band.compressed.get(), band.compressed.get() + band.compressedSize);
            band.compressed.reset();
        }
        if (start + wave >= bandCount) {  // the stream ends with its checksum, big-endian
            uchar trailer[4];
            putBigEndian(trailer, quint32(adler));
            pending.insert(pending.end(), trailer, trailer + 4);
        }
        if (!writeChunks(out, pending.data(), qint64(pending.size())))
            return false;
        pending.clear();
    }
    static const uchar iend[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    return out.write(reinterpret_cast<const char*>(iend), 12) == 12;
}

}  // namespace tavlo::codecs
