#include "imaging/codecs/flashpix_jpeg.h"

#include <cstdio>  // jpeglib.h needs FILE
#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>

// libjpeg reports errors through error_exit, which here longjmps back to the setjmp of the
// function that called it. Those functions hold only plain data, so the jump skips no destructor.

namespace tavlo::codecs {
namespace {

struct Errors {
    jpeg_error_mgr manager;
    jmp_buf jump;
};

[[noreturn]] void onError(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<Errors*>(cinfo->err)->jump, 1);
}

void onMessage(j_common_ptr, int) { }

void initErrors(Errors& errors)
{
    jpeg_std_error(&errors.manager);
    errors.manager.error_exit = onError;
    errors.manager.emit_message = onMessage;
}

// Takes over a buffer jpeg_mem_dest allocated.
QByteArray takeBuffer(unsigned char*& buffer, unsigned long size)
{
    QByteArray bytes =
        buffer ? QByteArray(reinterpret_cast<const char*>(buffer), qsizetype(size)) : QByteArray();
    std::free(buffer);
    buffer = nullptr;
    return bytes;
}

}  // namespace

struct FlashPixJpegEncoder::State {
    jpeg_compress_struct cinfo;
    Errors errors;
    bool created = false;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
};

namespace {

bool setUpCompressor(jpeg_compress_struct& cinfo, Errors& errors, bool& created, int channels,
                     int quality, unsigned char** buffer, unsigned long* size)
{
    cinfo.err = &errors.manager;
    if (setjmp(errors.jump))
        return false;
    jpeg_create_compress(&cinfo);
    created = true;
    cinfo.image_width = kTile;
    cinfo.image_height = kTile;
    cinfo.input_components = channels;
    cinfo.in_color_space = channels == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (channels == 3 && quality >= 90) {
        cinfo.comp_info[0].h_samp_factor = 1;
        cinfo.comp_info[0].v_samp_factor = 1;
    }
    cinfo.write_JFIF_header = FALSE;
    cinfo.write_Adobe_marker = FALSE;
    jpeg_mem_dest(&cinfo, buffer, size);
    jpeg_write_tables(&cinfo);
    return true;
}

bool compressTile(jpeg_compress_struct& cinfo, Errors& errors, const unsigned char* tile, int width,
                  int height, unsigned char** buffer, unsigned long* size)
{
    if (setjmp(errors.jump)) {
        jpeg_abort_compress(&cinfo);
        return false;
    }
    jpeg_mem_dest(&cinfo, buffer, size);
    jpeg_suppress_tables(&cinfo, TRUE);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    jpeg_start_compress(&cinfo, FALSE);
    const int stride = kTile * cinfo.input_components;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(tile + cinfo.next_scanline * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    return true;
}

}  // namespace

FlashPixJpegEncoder::FlashPixJpegEncoder(int channels, int quality)
    : m_state(std::make_unique<State>())
{
    State& s = *m_state;
    initErrors(s.errors);
    if (setUpCompressor(s.cinfo, s.errors, s.created, channels, std::clamp(quality, 1, 100),
                        &s.buffer, &s.size))
        m_tables = takeBuffer(s.buffer, s.size);
    m_subsampled = channels == 3 && quality < 90;
}

FlashPixJpegEncoder::~FlashPixJpegEncoder()
{
    if (m_state->created)
        jpeg_destroy_compress(&m_state->cinfo);
    std::free(m_state->buffer);
}

QByteArray FlashPixJpegEncoder::encode(const unsigned char* tile, int width, int height)
{
    State& s = *m_state;
    if (m_tables.isEmpty())
        return QByteArray();
    s.size = 0;
    if (!compressTile(s.cinfo, s.errors, tile, std::clamp(width, 1, kTile),
                      std::clamp(height, 1, kTile), &s.buffer, &s.size)) {
        // After a failure the destination may have moved its buffer without saying where; a
        // failing compressor is out of memory anyway, so the buffer is left rather than freed
        // twice.
        s.buffer = nullptr;
        return QByteArray();
    }
    return takeBuffer(s.buffer, s.size);
}

struct FlashPixJpegDecoder::State {
    jpeg_decompress_struct cinfo;
    Errors errors;
    bool created = false;
};

namespace {

bool readTables(jpeg_decompress_struct& cinfo, Errors& errors, const unsigned char* data,
                unsigned long size)
{
    if (setjmp(errors.jump)) {
        jpeg_abort_decompress(&cinfo);
        return false;
    }
    jpeg_mem_src(&cinfo, data, size);
    return jpeg_read_header(&cinfo, FALSE) == JPEG_HEADER_TABLES_ONLY;
}

bool readTile(jpeg_decompress_struct& cinfo, Errors& errors, const unsigned char* data,
              unsigned long size, int channels, bool convert, int width, int height,
              unsigned char* out)
{
    if (setjmp(errors.jump)) {
        jpeg_abort_decompress(&cinfo);
        return false;
    }
    jpeg_mem_src(&cinfo, data, size);
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK || cinfo.num_components != channels ||
        int(cinfo.image_width) < width || int(cinfo.image_height) < height ||
        cinfo.image_width > kTile || cinfo.image_height > kTile) {
        jpeg_abort_decompress(&cinfo);
        return false;
    }
    if (channels == 1) {
        cinfo.jpeg_color_space = JCS_GRAYSCALE;
        cinfo.out_color_space = JCS_GRAYSCALE;
    } else if (convert && channels == 3) {
        cinfo.jpeg_color_space = JCS_YCbCr;
        cinfo.out_color_space = JCS_RGB;
    } else if (convert && channels == 4) {
        // YCbCr plus a fourth channel: libjpeg's YCCK path, whose output is 255 - R, G, B.
        cinfo.jpeg_color_space = JCS_YCCK;
        cinfo.out_color_space = JCS_CMYK;
    } else {
        cinfo.jpeg_color_space = JCS_UNKNOWN;
        cinfo.out_color_space = JCS_UNKNOWN;
    }
    jpeg_start_decompress(&cinfo);
    const int stride = kTile * channels;
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out + cinfo.output_scanline * stride;
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
            break;
    }
    const bool complete = cinfo.output_scanline == cinfo.output_height;
    jpeg_abort_decompress(&cinfo);  // keeps the tables for the next tile
    if (complete && convert && channels == 4) {
        for (int i = 0; i < kTile * kTile; ++i) {
            for (int c = 0; c < 3; ++c)
                out[4 * i + c] = uchar(255 - out[4 * i + c]);
        }
    }
    return complete;
}

}  // namespace

FlashPixJpegDecoder::FlashPixJpegDecoder() : m_state(std::make_unique<State>())
{
    initErrors(m_state->errors);
    m_state->cinfo.err = &m_state->errors.manager;
    jpeg_create_decompress(&m_state->cinfo);
    m_state->created = true;
}

FlashPixJpegDecoder::~FlashPixJpegDecoder()
{
    jpeg_destroy_decompress(&m_state->cinfo);
}

bool FlashPixJpegDecoder::loadTables(const QByteArray& tables)
{
    return !tables.isEmpty() &&
           readTables(m_state->cinfo, m_state->errors,
                      reinterpret_cast<const unsigned char*>(tables.constData()),
                      (unsigned long)tables.size());
}

bool FlashPixJpegDecoder::decode(const unsigned char* data, qint64 size, int channels, bool convert,
                                 int width, int height, unsigned char* out)
{
    if (size <= 0)
        return false;
    return readTile(m_state->cinfo, m_state->errors, data, (unsigned long)size, channels, convert,
                    width, height, out);
}

}  // namespace tavlo::codecs
