#include "imaging/pdf/pdf_image_encoder.h"

#include "imaging/codecs/banded_deflate.h"
#include "imaging/codecs/codec_reasons.h"
#include "imaging/codecs/row_converter.h"
#include "imaging/codecs/tiff_codec.h"

#include <zlib.h>

#include <cstring>
#include <new>
#include <vector>

namespace tavlo::pdf {
namespace {

using codecs::BandedDeflate;

// Appends the palette's colours to out as the base colour space wants them.
QByteArray paletteBytes(const QVector<QRgb>& palette, bool grey)
{
    QByteArray bytes;
    for (QRgb colour : palette) {
        if (grey) {
            bytes.append(char(qRed(colour)));
        } else {
            bytes.append(char(qRed(colour)));
            bytes.append(char(qGreen(colour)));
            bytes.append(char(qBlue(colour)));
        }
    }
    return bytes;
}

// Deflate's fast matcher (level 3) with a match search of up to 64 steps that stops at 64-byte
// matches. On a 300 dpi colour scan this takes 40 % of the work of the PNG writer's settings
// for a file 6 % larger, still smaller than img2pdf makes (bench/pdf.sh).
BandedDeflate::Settings pageSettings()
{
    BandedDeflate::Settings settings;
    settings.level = 3;
    settings.goodLength = 4;
    settings.maxLazy = 6;
    settings.niceLength = 64;
    settings.maxChain = 64;
    return settings;
}

// Grey and colour rows: PNG-filtered and deflated in bands on several threads.
bool deflatePredicted(const Image& image, PdfImage& out)
{
    const codecs::RowConverter converter(image);
    const int width = image.width();
    const bool grey = image.code() == ColourCode::Grey256;
    BandedDeflate::RowSource source;
    if (grey)
        source = [&image, width](int y, uchar* row) {
            std::memcpy(row, image.scanLine(y), size_t(width));
        };
    else
        source = [&converter](int y, uchar* row) { converter.rgb(y, row); };
    QByteArray& data = out.data;
    auto sink = [&data](const uchar* bytes, std::size_t size) {
        try {
            data.append(reinterpret_cast<const char*>(bytes), qsizetype(size));
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    };
    out.predicted = true;
    return BandedDeflate::compress(width, image.height(), grey ? 1 : 3, source, pageSettings(),
                                   sink);
}

// Palette indices and 4-bit grey levels: plain deflate of the packed rows. The PNG filters only
// blur indices, which makes them compress worse, so these rows go unfiltered. packRow(y, row)
// writes one packed row.
template <typename PackRow>
bool deflateRows(int rowBytes, int height, PackRow packRow, QByteArray& out)
{
    z_stream z{};
    if (deflateInit(&z, 6) != Z_OK)
        return false;
    bool ok = true;
    try {
        std::vector<uchar> row(static_cast<size_t>(rowBytes));
        std::vector<uchar> buffer(256 * 1024);
        // Deflates what is in z.next_in; with Z_FINISH also ends the stream.
        auto drain = [&](int flush) {
            int status = Z_OK;
            do {
                z.next_out = buffer.data();
                z.avail_out = uInt(buffer.size());
                status = deflate(&z, flush);
                if (status == Z_STREAM_ERROR)
                    return false;
                out.append(reinterpret_cast<const char*>(buffer.data()),
                           qsizetype(buffer.size() - z.avail_out));
            } while (z.avail_out == 0);
            return flush != Z_FINISH || status == Z_STREAM_END;
        };
        for (int y = 0; y < height && ok; ++y) {
            packRow(y, row.data());
            z.next_in = row.data();
            z.avail_in = uInt(rowBytes);
            ok = drain(Z_NO_FLUSH);
        }
        ok = ok && drain(Z_FINISH);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    deflateEnd(&z);
    return ok;
}

// 4-bit rows: two indices (or levels) per byte, the left one in the high nibble.
bool deflateNibbles(const Image& image, const uchar* levels, PdfImage& out)
{
    const int width = image.width();
    return deflateRows((width + 1) / 2, image.height(),
                       [&](int y, uchar* row) {
                           const uchar* in = image.scanLine(y);
                           for (int x = 0; x < width; x += 2) {
                               const uchar first = levels ? levels[in[x]] : in[x];
                               const uchar second =
                                   x + 1 < width ? (levels ? levels[in[x + 1]] : in[x + 1]) : 0;
                               row[x / 2] = uchar((first << 4) | second);
                           }
                       },
                       out.data);
}

bool encodeMono(const Image& image, PdfImage& out)
{
    const QVector<QRgb> palette = image.palette();
    const int dark = qGray(palette[1]) < qGray(palette[0]) ? 1 : 0;
    const QRgb darker = palette[dark] & 0xffffff;
    const QRgb lighter = palette[1 - dark] & 0xffffff;
    out.filter = PdfImage::Filter::Group4;
    out.bitsPerComponent = 1;
    if (darker == 0 && lighter == 0xffffff) {
        out.colours = PdfImage::Colours::Grey;
    } else {
        out.colours = PdfImage::Colours::Indexed;
        out.palette = paletteBytes({darker, lighter}, false);
    }
    out.data = codecs::encodeGroup4(image, dark);
    return !out.data.isEmpty();
}

}  // namespace

QString encodePdfImage(const Image& image, PdfImage& out)
{
    if (image.isNull())
        return codecs::reasons::nullImage();
    out = PdfImage();
    out.width = image.width();
    out.height = image.height();
    out.dpiX = image.dpiX();
    out.dpiY = image.dpiY();
    const QVector<QRgb> palette = image.palette();
    bool ok = false;
    switch (image.code()) {
    case ColourCode::Mono: ok = encodeMono(image, out); break;
    case ColourCode::Grey16: {
        uchar levels[256] = {};
        bool even = true;
        for (int i = 0; i < palette.size(); ++i) {
            even = even && qRed(palette[i]) % 17 == 0;
            levels[i] = uchar(qRed(palette[i]) / 17);
        }
        out.bitsPerComponent = 4;
        if (even) {
            out.colours = PdfImage::Colours::Grey;
            ok = deflateNibbles(image, levels, out);
        } else {
            out.colours = PdfImage::Colours::Indexed;
            out.paletteBase = PdfImage::Colours::Grey;
            out.palette = paletteBytes(palette, true);
            ok = deflateNibbles(image, nullptr, out);
        }
        break;
    }
    case ColourCode::Palette16:
        out.bitsPerComponent = 4;
        out.colours = PdfImage::Colours::Indexed;
        out.palette = paletteBytes(palette, false);
        ok = deflateNibbles(image, nullptr, out);
        break;
    case ColourCode::Palette256:
        out.colours = PdfImage::Colours::Indexed;
        out.palette = paletteBytes(palette, false);
        ok = deflateRows(
            image.width(), image.height(),
            [&](int y, uchar* row) { std::memcpy(row, image.scanLine(y), size_t(image.width())); },
            out.data);
        break;
    case ColourCode::Grey256:
        out.colours = PdfImage::Colours::Grey;
        ok = deflatePredicted(image, out);
        break;
    case ColourCode::Rgb555:
    case ColourCode::Rgb24:
    case ColourCode::Rgb32:
        out.colours = PdfImage::Colours::Rgb;
        ok = deflatePredicted(image, out);
        break;
    }
    return ok ? QString() : codecs::reasons::outOfMemory();
}

}  // namespace tavlo::pdf
