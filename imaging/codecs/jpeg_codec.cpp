#include "imaging/codecs/jpeg_codec.h"

#include "imaging/codecs/codec_reasons.h"
#include "imaging/codecs/exif_facts.h"
#include "imaging/codecs/own_codec_reasons.h"
#include "imaging/codecs/row_converter.h"

#include <cstdio>  // jpeglib.h needs FILE
#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <vector>

// libjpeg reports errors through error_exit, which here longjmps back to the setjmp of the running
// step. The functions that call setjmp hold only plain data, and the callbacks hold no objects with
// destructors while they can fail, so the jump skips no destructor; the decompressor and
// compressor objects are released by guards in the callers.

namespace tavlo::codecs {
namespace {

constexpr size_t kBufferBytes = 64 * 1024;
// A progressive file may hold any number of scans, each a pass over the whole image; a forged file
// with thousands of tiny scans would take minutes. Real encoders use about ten.
constexpr int kMaxScans = 1000;

struct JpegErrors {
    jpeg_error_mgr manager;
    jmp_buf jump;
    int warnings = 0;
    int failureCode = 0;
    // The entropy-coded data ended before the image did ("premature end of data segment", also
    // when an end marker follows the cut) or the file ended: rows were filled with grey.
    bool dataEnded = false;
    // The decoder lost its place in the data ("found marker instead of RST"): rows are wrong.
    bool dataCorrupt = false;
};

[[noreturn]] void onJpegError(j_common_ptr cinfo)
{
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    errors->failureCode = cinfo->err->msg_code;
    std::longjmp(errors->jump, 1);
}

void onJpegMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return;
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    ++errors->warnings;
    switch (cinfo->err->msg_code) {
    case JWRN_HIT_MARKER:
    case JWRN_JPEG_EOF: errors->dataEnded = true; break;
    case JWRN_MUST_RESYNC: errors->dataCorrupt = true; break;
    default: break;  // such as bytes between segments, which are skipped and cost no pixel
    }
}

void onJpegOutput(j_common_ptr) { }

void initErrors(JpegErrors& errors)
{
    jpeg_std_error(&errors.manager);
    errors.manager.error_exit = onJpegError;
    errors.manager.emit_message = onJpegMessage;
    errors.manager.output_message = onJpegOutput;
}

// ---- reading ----

struct DeviceSource {
    jpeg_source_mgr manager;
    QIODevice* device = nullptr;
    bool endInserted = false;  // the file ended before the decoder was done with it
    JOCTET buffer[kBufferBytes];
};

void initSource(j_decompress_ptr) { }

boolean fillSource(j_decompress_ptr cinfo)
{
    auto* source = reinterpret_cast<DeviceSource*>(cinfo->src);
    const qint64 n =
        source->device->read(reinterpret_cast<char*>(source->buffer), qint64(kBufferBytes));
    if (n <= 0) {
        // As libjpeg's own file source does: an end-of-image marker lets the decoder finish
        // cleanly; whether rows were lost is judged from the flag afterwards.
        source->endInserted = true;
        source->buffer[0] = 0xff;
        source->buffer[1] = JPEG_EOI;
        source->manager.next_input_byte = source->buffer;
        source->manager.bytes_in_buffer = 2;
        return TRUE;
    }
    source->manager.next_input_byte = source->buffer;
    source->manager.bytes_in_buffer = size_t(n);
    return TRUE;
}

void skipSource(j_decompress_ptr cinfo, long count)
{
    auto* source = reinterpret_cast<DeviceSource*>(cinfo->src);
    while (count > long(source->manager.bytes_in_buffer)) {
        count -= long(source->manager.bytes_in_buffer);
        fillSource(cinfo);
    }
    if (count > 0) {
        source->manager.next_input_byte += count;
        source->manager.bytes_in_buffer -= size_t(count);
    }
}

void termSource(j_decompress_ptr) { }

void limitScans(j_common_ptr cinfo)
{
    auto* decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (decompress->is_decompressor && decompress->input_scan_number > kMaxScans)
        ERREXIT(cinfo, JERR_BAD_SCAN_SCRIPT);
}

struct Decompressor {
    jpeg_decompress_struct cinfo;
    JpegErrors errors;
    DeviceSource source;
    jpeg_progress_mgr progress;
    bool created = false;
    ~Decompressor()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
};

enum class Colours { Grey, Colour, Cmyk };

// What the header says, copied out so the code between the steps touches no libjpeg state.
struct JpegHeader {
    int width = 0;
    int height = 0;
    Colours colours = Colours::Colour;
    bool adobe = false;
    bool progressive = false;
    bool jfif = false;
    int densityUnit = 0;
    int densityX = 0;
    int densityY = 0;
    const unsigned char* exif = nullptr;  // APP1 payload, owned by the decompressor
    size_t exifSize = 0;
    qint64 blocks = 0;  // 8 x 8 blocks of all components
    bool arithmetic = false;
};

bool readHeader(Decompressor& d, QIODevice* device, JpegHeader& header)
{
    jpeg_decompress_struct& cinfo = d.cinfo;
    cinfo.err = &d.errors.manager;
    if (setjmp(d.errors.jump))
        return false;
    jpeg_create_decompress(&cinfo);
    d.created = true;
    d.source.device = device;
    d.source.manager.init_source = initSource;
    d.source.manager.fill_input_buffer = fillSource;
    d.source.manager.skip_input_data = skipSource;
    d.source.manager.resync_to_restart = jpeg_resync_to_restart;
    d.source.manager.term_source = termSource;
    d.source.manager.bytes_in_buffer = 0;
    d.source.manager.next_input_byte = nullptr;
    cinfo.src = &d.source.manager;
    d.progress.progress_monitor = limitScans;
    cinfo.progress = &d.progress;
    // The decoder's own memory, such as a progressive file's coefficients, stays within the
    // bound of the images it may produce.
    cinfo.mem->max_memory_to_use = long(Image::kMaxStorageBytes);
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xffff);
    jpeg_read_header(&cinfo, TRUE);

    header.width = int(cinfo.image_width);
    header.height = int(cinfo.image_height);
    switch (cinfo.num_components) {
    case 1: header.colours = Colours::Grey; break;
    case 3: header.colours = Colours::Colour; break;
    case 4:
        header.colours = Colours::Cmyk;
        if (cinfo.jpeg_color_space != JCS_YCCK)
            cinfo.jpeg_color_space = JCS_CMYK;
        break;
    default: ERREXIT(&cinfo, JERR_BAD_J_COLORSPACE);
    }
    header.adobe = cinfo.saw_Adobe_marker;
    header.progressive = cinfo.progressive_mode;
    header.jfif = cinfo.saw_JFIF_marker;
    header.densityUnit = cinfo.density_unit;
    header.densityX = cinfo.X_density;
    header.densityY = cinfo.Y_density;
    // The decoder has read the first scan's header, so each component's block count is known.
    for (int c = 0; c < cinfo.num_components; ++c)
        header.blocks +=
            qint64(cinfo.comp_info[c].width_in_blocks) * cinfo.comp_info[c].height_in_blocks;
    header.arithmetic = cinfo.arith_code;
    for (jpeg_saved_marker_ptr marker = cinfo.marker_list; marker; marker = marker->next) {
        if (marker->marker == JPEG_APP0 + 1 && marker->data_length >= 6 &&
            std::memcmp(marker->data, "Exif\0\0", 6) == 0) {
            header.exif = marker->data;
            header.exifSize = marker->data_length;
            break;
        }
    }
    return true;
}

struct RowsJob {
    const JpegHeader* header = nullptr;
    uchar* out = nullptr;
    qsizetype outBytesPerLine = 0;
    JSAMPROW* rows = nullptr;  // one pointer per output row
    JSAMPLE* cmykRow = nullptr;
    int linesRead = 0;
};

inline uchar cmykChannel(unsigned colour, unsigned black, bool inverted)
{
    // Adobe's encoders store CMYK inverted (0 = full ink); others store it plainly.
    if (!inverted) {
        colour = 255 - colour;
        black = 255 - black;
    }
    return uchar((colour * black + 127) / 255);
}

bool readRows(Decompressor& d, RowsJob& job)
{
    jpeg_decompress_struct& cinfo = d.cinfo;
    if (setjmp(d.errors.jump))
        return false;
    const JpegHeader& header = *job.header;
    switch (header.colours) {
    case Colours::Grey: cinfo.out_color_space = JCS_GRAYSCALE; break;
    case Colours::Colour: cinfo.out_color_space = JCS_EXT_BGR; break;
    case Colours::Cmyk: cinfo.out_color_space = JCS_CMYK; break;
    }
    jpeg_start_decompress(&cinfo);
    if (int(cinfo.output_width) != header.width || int(cinfo.output_height) != header.height)
        ERREXIT(&cinfo, JERR_EMPTY_IMAGE);
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = int(cinfo.output_scanline);
        if (header.colours == Colours::Cmyk) {
            JSAMPROW row = job.cmykRow;
            if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
                break;
            uchar* out = job.out + y * job.outBytesPerLine;
            for (int x = 0; x < header.width; ++x, row += 4, out += 3) {
                out[0] = cmykChannel(row[2], row[3], header.adobe);
                out[1] = cmykChannel(row[1], row[3], header.adobe);
                out[2] = cmykChannel(row[0], row[3], header.adobe);
            }
        } else if (jpeg_read_scanlines(&cinfo, job.rows + y, cinfo.output_height - JDIMENSION(y)) ==
                   0) {
            break;
        }
    }
    job.linesRead = int(cinfo.output_scanline);
    return true;
}

// Decodes every scan of the file at an eighth of its size, which still reads all of its coded
// data (so damage and a missing end show) but skips most of the transform work. Rows go to one
// scratch row of the caller's, wide enough for the scaled width.
bool skimRows(Decompressor& d, const JpegHeader& header, std::vector<JSAMPLE>& scratch,
              int& linesRead)
{
    jpeg_decompress_struct& cinfo = d.cinfo;
    if (setjmp(d.errors.jump))
        return false;
    cinfo.scale_num = 1;
    cinfo.scale_denom = 8;
    cinfo.dct_method = JDCT_IFAST;
    cinfo.do_fancy_upsampling = FALSE;
    cinfo.out_color_space = header.colours == Colours::Grey   ? JCS_GRAYSCALE
                            : header.colours == Colours::Cmyk ? JCS_CMYK
                                                              : JCS_RGB;
    jpeg_start_decompress(&cinfo);
    if (scratch.size() < size_t(cinfo.output_width) * size_t(cinfo.output_components))
        ERREXIT(&cinfo, JERR_OUT_OF_MEMORY);
    JSAMPROW row = scratch.data();
    while (cinfo.output_scanline < cinfo.output_height) {
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
            break;
    }
    linesRead = int(cinfo.output_scanline);
    return true;
}

// Dots per inch of the stored pixels (from the JFIF density, else from EXIF) and the EXIF
// orientation; both 0 and 1 when the file says nothing.
void storedResolution(const JpegHeader& header, int& dpiX, int& dpiY, int& orientation)
{
    dpiX = dpiY = 0;
    if (header.jfif && header.densityUnit == 1) {
        dpiX = header.densityX;
        dpiY = header.densityY;
    } else if (header.jfif && header.densityUnit == 2) {
        dpiX = int((qint64(header.densityX) * 254 + 50) / 100);
        dpiY = int((qint64(header.densityY) * 254 + 50) / 100);
    }
    orientation = 1;
    if (header.exif) {
        const ExifFacts facts = ExifFacts::parse(header.exif, header.exifSize);
        orientation = facts.orientation;
        if (dpiX == 0 && dpiY == 0) {
            dpiX = facts.dpiX();
            dpiY = facts.dpiY();
        }
    }
}

// The file ended early when rows are missing, or when the decoder had to fill in data after
// reaching the end (a warning), or when the scans of a progressive file stopped at the end.
// The file ended early when rows are missing, or when the decoder had to fill in data after
// reaching the end (a warning), or when the scans of a progressive file stopped at the end.
// An end marker put after a cut gives the same grey rows as a plain cut: both are refused.
bool endedEarly(const Decompressor& d, const JpegHeader& header, int linesRead, int height)
{
    return linesRead < height || d.errors.dataEnded ||
           (d.source.endInserted && (d.errors.warnings > 0 || header.progressive));
}

QString headerFailure(const Decompressor& d)
{
    if (d.source.endInserted)
        return reasons::truncated();
    switch (d.errors.failureCode) {
    case JERR_BAD_PRECISION: return reasons::unsupported(QStringLiteral("8 ﾋﾞｯﾄ以外の JPEG"));
    case JERR_NO_BACKING_STORE:
    case JERR_OUT_OF_MEMORY: return reasons::outOfMemory();
    default: return reasons::damaged();
    }
}

// ---- writing ----

struct DeviceDestination {
    jpeg_destination_mgr manager;
    QIODevice* device = nullptr;
    bool writeFailed = false;
    JOCTET buffer[kBufferBytes];
};

void initDestination(j_compress_ptr cinfo)
{
    auto* destination = reinterpret_cast<DeviceDestination*>(cinfo->dest);
    destination->manager.next_output_byte = destination->buffer;
    destination->manager.free_in_buffer = kBufferBytes;
}

boolean emptyDestination(j_compress_ptr cinfo)
{
    auto* destination = reinterpret_cast<DeviceDestination*>(cinfo->dest);
    if (destination->device->write(reinterpret_cast<const char*>(destination->buffer),
                                   qint64(kBufferBytes)) != qint64(kBufferBytes)) {
        destination->writeFailed = true;
        ERREXIT(cinfo, JERR_FILE_WRITE);
    }
    destination->manager.next_output_byte = destination->buffer;
    destination->manager.free_in_buffer = kBufferBytes;
    return TRUE;
}

void termDestination(j_compress_ptr cinfo)
{
    auto* destination = reinterpret_cast<DeviceDestination*>(cinfo->dest);
    const qint64 used = qint64(kBufferBytes - destination->manager.free_in_buffer);
    if (used > 0 && destination->device->write(reinterpret_cast<const char*>(destination->buffer),
                                               used) != used) {
        destination->writeFailed = true;
        ERREXIT(cinfo, JERR_FILE_WRITE);
    }
}

struct Compressor {
    jpeg_compress_struct cinfo;
    JpegErrors errors;
    DeviceDestination destination;
    bool created = false;
    ~Compressor()
    {
        if (created)
            jpeg_destroy_compress(&cinfo);
    }
};

enum class Feed {
    Direct,    // the image's rows as they are: 80 grey, 24 as B, G, R, 32 as B, G, R, X
    GreyRows,  // grey levels through the converter (40, and 1 with a black-and-white palette)
    BgrRows,   // B, G, R through the converter (palette images, 16-bit colour)
};

struct WriteJob {
    int width = 0;
    int height = 0;
    int quality = 80;
    J_COLOR_SPACE input = JCS_EXT_BGR;
    int components = 3;
    Feed feed = Feed::Direct;
    const uchar* bits = nullptr;
    qsizetype bytesPerLine = 0;
    const RowConverter* converter = nullptr;
    uchar* scratch = nullptr;
    int dpiX = 0;
    int dpiY = 0;
};

bool compress(Compressor& c, QIODevice* device, const WriteJob& job)
{
    jpeg_compress_struct& cinfo = c.cinfo;
    cinfo.err = &c.errors.manager;
    if (setjmp(c.errors.jump))
        return false;
    jpeg_create_compress(&cinfo);
    c.created = true;
    c.destination.device = device;
    c.destination.manager.init_destination = initDestination;
    c.destination.manager.empty_output_buffer = emptyDestination;
    c.destination.manager.term_destination = termDestination;
    cinfo.dest = &c.destination.manager;
    cinfo.image_width = JDIMENSION(job.width);
    cinfo.image_height = JDIMENSION(job.height);
    cinfo.input_components = job.components;
    cinfo.in_color_space = job.input;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, job.quality, TRUE);
    if (job.quality >= 90 && job.components != 1) {
        // Full colour resolution at high qualities, where halved chroma would be the larger loss.
        cinfo.comp_info[0].h_samp_factor = 1;
        cinfo.comp_info[0].v_samp_factor = 1;
    }
    cinfo.write_JFIF_header = TRUE;
    if (job.dpiX > 0 || job.dpiY > 0) {
        cinfo.density_unit = 1;
        cinfo.X_density = UINT16(std::clamp(job.dpiX, 0, 65535));
        cinfo.Y_density = UINT16(std::clamp(job.dpiY, 0, 65535));
    } else {
        cinfo.density_unit = 0;
        cinfo.X_density = 1;
        cinfo.Y_density = 1;
    }
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = int(cinfo.next_scanline);
        JSAMPROW row = nullptr;
        switch (job.feed) {
        case Feed::Direct: row = const_cast<JSAMPROW>(job.bits + y * job.bytesPerLine); break;
        case Feed::GreyRows:
            job.converter->grey(y, job.scratch);
            row = job.scratch;
            break;
        case Feed::BgrRows:
            job.converter->bgr(y, job.scratch);
            row = job.scratch;
            break;
        }
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    return true;
}

}  // namespace

Decoded readJpeg(QIODevice& in)
{
    unsigned char start[3] = {};
    if (in.peek(reinterpret_cast<char*>(start), 3) < 2 || start[0] != 0xff || start[1] != 0xd8)
        return Decoded::failure(reasons::notThisFormat("JPEG"));

    auto d = std::make_unique<Decompressor>();
    initErrors(d->errors);
    JpegHeader header;
    if (!readHeader(*d, &in, header))
        return Decoded::failure(headerFailure(*d));
    if (!Image::sizeAllowed(header.width, header.height,
                            header.colours == Colours::Grey ? ColourCode::Grey256
                                                            : ColourCode::Rgb24))
        return Decoded::failure(reasons::tooLarge(header.width, header.height));
    // Huffman coding spends at least one bit on every block of every component, so a file whose
    // bytes cannot hold that many bits ends before its image does: refused before the pixels
    // are allocated (1 KB claiming 12000 x 12000 would otherwise take hundreds of megabytes).
    // Arithmetic coding has no such floor; it is left to the size limits.
    if (!header.arithmetic && !in.isSequential() && in.size() > 0 && header.blocks > in.size() * 8)
        return Decoded::failure(reasons::expandsTooFar());

    QImage pixels(header.width, header.height,
                  header.colours == Colours::Grey ? QImage::Format_Grayscale8
                                                  : QImage::Format_BGR888);
    if (pixels.isNull())
        return Decoded::failure(reasons::outOfMemory());
    std::vector<JSAMPROW> rows;
    std::vector<JSAMPLE> cmykRow;
    try {
        if (header.colours == Colours::Cmyk) {
            cmykRow.resize(size_t(header.width) * 4);
        } else {
            rows.resize(size_t(header.height));
            for (int y = 0; y < header.height; ++y)
                rows[size_t(y)] = pixels.scanLine(y);
        }
    } catch (const std::bad_alloc&) {
        return Decoded::failure(reasons::outOfMemory());
    }
    RowsJob job;
    job.header = &header;
    job.out = pixels.bits();
    job.outBytesPerLine = pixels.bytesPerLine();
    job.rows = rows.data();
    job.cmykRow = cmykRow.data();
    if (!readRows(*d, job))
        return Decoded::failure(headerFailure(*d));
    if (endedEarly(*d, header, job.linesRead, header.height))
        return Decoded::failure(reasons::truncated());
    if (d->errors.dataCorrupt)
        return Decoded::failure(reasons::damaged());

    int dpiX = 0, dpiY = 0, orientation = 1;
    storedResolution(header, dpiX, dpiY, orientation);
    d.reset();
    if (orientation != 1) {
        pixels = orientUpright(pixels, orientation);
        if (pixels.isNull())
            return Decoded::failure(reasons::outOfMemory());
        if (orientation >= 5)
            std::swap(dpiX, dpiY);
    }
    Image image =
        Image::fromStorage(std::move(pixels), header.colours == Colours::Grey ? ColourCode::Grey256
                                                                              : ColourCode::Rgb24);
    if (image.isNull())
        return Decoded::failure(reasons::damaged());
    image.setDpi(dpiX, dpiY);
    return {image, QString()};
}

QString checkJpeg(QIODevice& in, JpegFacts& facts)
{
    unsigned char start[3] = {};
    if (in.peek(reinterpret_cast<char*>(start), 3) < 2 || start[0] != 0xff || start[1] != 0xd8)
        return reasons::notThisFormat("JPEG");
    auto d = std::make_unique<Decompressor>();
    initErrors(d->errors);
    JpegHeader header;
    if (!readHeader(*d, &in, header))
        return headerFailure(*d);
    if (!Image::sizeAllowed(header.width, header.height,
                            header.colours == Colours::Grey ? ColourCode::Grey256
                                                            : ColourCode::Rgb24))
        return reasons::tooLarge(header.width, header.height);
    std::vector<JSAMPLE> scratch;
    try {
        scratch.resize(size_t(header.width / 8 + 2) * 4);
    } catch (const std::bad_alloc&) {
        return reasons::outOfMemory();
    }
    int linesRead = 0;
    if (!skimRows(*d, header, scratch, linesRead))
        return headerFailure(*d);
    if (endedEarly(*d, header, linesRead, int(d->cinfo.output_height)))
        return reasons::truncated();
    if (d->errors.dataCorrupt)
        return reasons::damaged();
    facts.width = header.width;
    facts.height = header.height;
    facts.components = header.colours == Colours::Grey   ? 1
                       : header.colours == Colours::Cmyk ? 4
                                                         : 3;
    facts.adobeCmyk = header.colours == Colours::Cmyk && header.adobe;
    storedResolution(header, facts.dpiX, facts.dpiY, facts.orientation);
    return QString();
}

QString writeJpeg(const Image& image, QIODevice& out, int quality)
{
    if (image.isNull())
        return reasons::nullImage();
    const RowConverter converter(image);
    WriteJob job;
    job.width = image.width();
    job.height = image.height();
    job.quality = std::clamp(quality, 1, 100);
    job.bits = image.pixels().constBits();
    job.bytesPerLine = image.bytesPerLine();
    job.converter = &converter;
    job.dpiX = image.dpiX();
    job.dpiY = image.dpiY();
    switch (image.code()) {
    case ColourCode::Grey256:
        job.input = JCS_GRAYSCALE;
        job.components = 1;
        break;
    case ColourCode::Rgb24: job.input = JCS_EXT_BGR; break;
    case ColourCode::Rgb32:
        job.input = JCS_EXT_BGRX;
        job.components = 4;
        break;
    default:
        if (converter.greyOnly()) {
            job.input = JCS_GRAYSCALE;
            job.components = 1;
            job.feed = Feed::GreyRows;
        } else {
            job.feed = Feed::BgrRows;
        }
        break;
    }
    std::unique_ptr<uchar[]> scratch;
    if (job.feed != Feed::Direct) {
        scratch.reset(new (std::nothrow) uchar[size_t(job.width) * 3]);
        if (!scratch)
            return reasons::outOfMemory();
        job.scratch = scratch.get();
    }
    auto c = std::make_unique<Compressor>();
    initErrors(c->errors);
    if (!compress(*c, &out, job))
        return c->destination.writeFailed                    ? reasons::writeFailed()
               : c->errors.failureCode == JERR_OUT_OF_MEMORY ? reasons::outOfMemory()
                                                             : reasons::encodeFailed("JPEG");
    return QString();
}

}  // namespace tavlo::codecs
