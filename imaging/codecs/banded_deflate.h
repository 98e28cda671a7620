#pragma once

#include <QtGlobal>

#include <cstddef>
#include <functional>

namespace tavlo::codecs {

// Compresses a PNG image's filtered rows into one zlib stream, band by band on several threads
// (the way pigz splits a file): each band is deflated on its own with the 32 KB before it as its
// dictionary and ends on a byte boundary (a sync flush), so the pieces, joined in order between
// a zlib header and the combined Adler-32, form the same kind of stream a single deflate makes,
// only a little larger (a few bytes per band).
class BandedDeflate {
public:
    struct Settings {
        int level = 6;
        int strategy = 0;  // Z_DEFAULT_STRATEGY
        int memLevel = 8;
        // deflateTune() values; 0 keeps the level's own. The match search (maxChain) is what costs
        // time on the noise of a scan, and what finds the few long matches it holds.
        int goodLength = 0;
        int maxLazy = 0;
        int niceLength = 0;
        int maxChain = 0;
        int threads = 0;          // 0: one per processor, at most 4
        int bandBytes = 1 << 20;  // unfiltered bytes per band (whole rows)

        // Level 6 with filtered-data strategy and a shortened match search: on the noise of a
        // scanned page nearly as small as the full search at a fraction of its time.
        static Settings forScans();
    };

    // Row y of the picture as PNG stores it before filtering (R, G, B or grey bytes). Called
    // from several threads at once, so it must only read shared data.
    using RowSource = std::function<void(int y, uchar* out)>;
    // Receives the stream in order, on the calling thread; false stops the work. Must not throw.
    using Sink = std::function<bool(const uchar* data, std::size_t size)>;

    // False when the sink refused data or memory ran out.
    static bool compress(int width, int height, int bytesPerPixel, const RowSource& source,
                         const Settings& settings, const Sink& sink);
};

}  // namespace tavlo::codecs
