#include "imaging/scan/frame_assembler.h"

#include <algorithm>
#include <cstring>

namespace tavlo::scan {
namespace {

// Rows a page of unknown length starts with: about 8 MB, at least 16 rows.
constexpr qint64 kGrowStartBytes = qint64(8) << 20;

// A 16-bit sample reduced to 8 bits, rounded to the nearest level (0 -> 0, 65535 -> 255,
// 257 * k -> k).
inline uchar reduce16(const uchar* sample)
{
    quint16 v;
    std::memcpy(&v, sample, sizeof v);  // machine byte order, possibly unaligned
    return uchar((quint32(v) * 255u + 32767u) / 65535u);
}

inline bool bitAt(const uchar* row, int index)
{
    return (row[index >> 3] >> (7 - (index & 7))) & 1;
}

// Bytes one row needs for a width, and the widest row that a number of bytes holds.
qint64 rowBytesFor(int depth, int samplesPerPixel, qint64 width)
{
    return (width * depth * samplesPerPixel + 7) / 8;
}

qint64 widthFor(int depth, int samplesPerPixel, qint64 bytes)
{
    return bytes * 8 / (qint64(depth) * samplesPerPixel);
}

}  // namespace

bool FrameAssembler::fail(const QString& reason)
{
    if (m_error.isEmpty())
        m_error = reason;
    m_inFrame = false;
    m_complete = false;
    return false;
}

void FrameAssembler::reset()
{
    m_error.clear();
    m_pixels = QImage();
    m_width = 0;
    m_pageRows = -1;
    m_channelsSeen = 0;
    m_complete = false;
    m_expectedBytes = 0;
    m_receivedBytes = 0;
    m_inFrame = false;
    m_lastFrame = false;
    m_frameRows = 0;
    m_partial.clear();
}

bool FrameAssembler::beginFrame(const SANE_Parameters& p)
{
    if (m_complete)
        reset();
    if (!m_error.isEmpty())
        return false;
    if (m_inFrame)
        return fail(QStringLiteral("ｽｷｬﾅが前のﾌﾚｰﾑを終えないまま次のﾌﾚｰﾑを始めました。"));

    const bool channel =
        p.format == SANE_FRAME_RED || p.format == SANE_FRAME_GREEN || p.format == SANE_FRAME_BLUE;
    if (p.format != SANE_FRAME_GRAY && p.format != SANE_FRAME_RGB && !channel)
        return fail(QStringLiteral("ｽｷｬﾅが対応していない形式の画像を送ってきました(形式 %1)。")
                        .arg(int(p.format)));
    if (p.depth != 1 && p.depth != 8 && p.depth != 16)
        return fail(QStringLiteral("ｽｷｬﾅが対応していない色の深さの画像を送ってきました(%1 ﾋﾞｯﾄ)。")
                        .arg(p.depth));
    if (p.pixels_per_line <= 0 || p.bytes_per_line <= 0)
        return fail(QStringLiteral("ｽｷｬﾅが画像の大きさを正しく知らせてきませんでした。"));
    if (!channel && m_channelsSeen != 0)
        return fail(QStringLiteral("ｽｷｬﾅが3回読みの途中で別の形式の画像を送ってきました。"));

    const int samples = p.format == SANE_FRAME_RGB ? 3 : 1;
    qint64 width = p.pixels_per_line;
    // Some backends report more pixels than their rows hold: keep what the rows hold.
    if (rowBytesFor(p.depth, samples, width) > p.bytes_per_line)
        width = widthFor(p.depth, samples, p.bytes_per_line);
    if (width <= 0 || width > Image::kMaxSide)
        return fail(QStringLiteral("画像が大きすぎます(幅 %1 ﾋﾟｸｾﾙ)。").arg(p.pixels_per_line));

    switch (p.format) {
    case SANE_FRAME_GRAY:
        m_kind = p.depth == 1 ? Kind::Gray1 : p.depth == 8 ? Kind::Gray8 : Kind::Gray16;
        break;
    case SANE_FRAME_RGB:
        m_kind = p.depth == 1 ? Kind::Rgb1 : p.depth == 8 ? Kind::Rgb8 : Kind::Rgb16;
        break;
    default:
        m_kind = p.depth == 1 ? Kind::Channel1 : p.depth == 8 ? Kind::Channel8 : Kind::Channel16;
        // Our colour pixels are stored B, G, R.
        m_channelOffset = p.format == SANE_FRAME_RED ? 2 : p.format == SANE_FRAME_GREEN ? 1 : 0;
        break;
    }

    const bool knownLines = p.lines > 0;
    m_bytesPerLine = p.bytes_per_line;
    m_announcedLines = knownLines ? p.lines : -1;
    m_lastFrame = p.last_frame != SANE_FALSE;
    m_frameRows = 0;
    m_partial.clear();

    const bool firstFrameOfPage = !channel || m_channelsSeen == 0;
    if (firstFrameOfPage) {
        m_code = p.format == SANE_FRAME_GRAY
                     ? (p.depth == 1 ? ColourCode::Mono : ColourCode::Grey256)
                     : ColourCode::Rgb24;
        m_width = int(width);
        m_pageRows = -1;
        m_receivedBytes = 0;
        const int frames = channel ? 3 : 1;
        m_expectedBytes = knownLines ? qint64(p.bytes_per_line) * p.lines * frames : 0;
        int rows = m_announcedLines;
        if (!knownLines) {
            const qint64 rowBytes = rowBytesFor(bitsPerPixel(m_code), 1, m_width);
            rows = int(std::clamp<qint64>(kGrowStartBytes / std::max<qint64>(rowBytes, 1), 16,
                                          Image::kMaxSide));
        }
        if (!Image::sizeAllowed(m_width, rows, m_code))
            return fail(
                QStringLiteral("画像が大きすぎます(%1 x %2 ﾋﾟｸｾﾙ)。").arg(m_width).arg(rows));
        m_pixels = allocate(m_width, rows, storageFormat(m_code));
        if (m_pixels.isNull())
            return fail(QStringLiteral("ﾒﾓﾘが不足しているため画像を受け取れません。"));
        if (m_code == ColourCode::Mono)
            m_pixels.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
        if (channel)
            m_pixels.fill(0);  // channels not delivered yet read as 0
    } else if (width != m_width) {
        return fail(QStringLiteral("3回読みの色成分の幅がそろっていません(%1 と %2)。")
                        .arg(m_width)
                        .arg(width));
    } else if (knownLines && !ensureRows(m_announcedLines)) {
        return false;
    }
    m_inFrame = true;
    return true;
}

QImage FrameAssembler::allocate(int width, int height, QImage::Format format) const
{
    return m_allocator ? m_allocator(width, height, format) : QImage(width, height, format);
}

bool FrameAssembler::ensureRows(int rows)
{
    if (rows <= m_pixels.height())
        return true;
    if (rows > Image::kMaxSide || !Image::sizeAllowed(m_width, rows, m_code))
        return fail(QStringLiteral("画像が大きすぎます(高さ %1 ﾋﾟｸｾﾙを超えました)。")
                        .arg(m_pixels.height()));
    // Doubling keeps the copies of a page of unknown length few; near the bounds, exactly enough.
    int grown =
        std::max(rows, int(std::min<qint64>(qint64(m_pixels.height()) * 2, Image::kMaxSide)));
    if (!Image::sizeAllowed(m_width, grown, m_code))
        grown = rows;
    QImage larger = allocate(m_width, grown, m_pixels.format());
    if (larger.isNull())
        return fail(QStringLiteral("ﾒﾓﾘが不足しているため画像を受け取れません。"));
    larger.setColorTable(m_pixels.colorTable());
    larger.fill(0);
    // Rows are contiguous and equally padded in both images.
    std::memcpy(larger.bits(), m_pixels.constBits(), size_t(m_pixels.sizeInBytes()));
    m_pixels = std::move(larger);
    return true;
}

bool FrameAssembler::addData(const uchar* data, qsizetype length)
{
    if (!m_inFrame || length <= 0)
        return m_error.isEmpty();
    m_receivedBytes += length;
    while (length > 0 && m_inFrame) {
        if (!m_partial.isEmpty() || length < m_bytesPerLine) {
            const qsizetype take = std::min<qsizetype>(m_bytesPerLine - m_partial.size(), length);
            m_partial.append(reinterpret_cast<const char*>(data), take);
            data += take;
            length -= take;
            if (m_partial.size() == m_bytesPerLine) {
                storeRow(reinterpret_cast<const uchar*>(m_partial.constData()));
                m_partial.clear();
            }
        } else {
            storeRow(data);
            data += m_bytesPerLine;
            length -= m_bytesPerLine;
        }
    }
    return m_error.isEmpty();
}

void FrameAssembler::storeRow(const uchar* in)
{
    const int y = m_frameRows;
    if (!ensureRows(y + 1))
        return;
    uchar* out = m_pixels.scanLine(y);
    const int w = m_width;
    qsizetype used = 0;  // bytes of the row that carry pixels; the rest of the padding is zeroed
    switch (m_kind) {
    case Kind::Gray1: {
        // SANE line art: 1 = black. Our palette is {black, white}, so 0 must be black.
        used = (w + 7) / 8;
        for (qsizetype i = 0; i < used; ++i)
            out[i] = uchar(~in[i]);
        if (w % 8)
            out[used - 1] &= uchar(0xFF << (8 - w % 8));
        break;
    }
    case Kind::Gray8:
        used = w;
        std::memcpy(out, in, size_t(w));
        break;
    case Kind::Gray16:
        used = w;
        for (int x = 0; x < w; ++x)
            out[x] = reduce16(in + 2 * x);
        break;
    case Kind::Rgb1:
        used = qsizetype(w) * 3;
        for (int x = 0; x < w; ++x) {
            out[3 * x + 2] = bitAt(in, 3 * x) ? 255 : 0;
            out[3 * x + 1] = bitAt(in, 3 * x + 1) ? 255 : 0;
            out[3 * x + 0] = bitAt(in, 3 * x + 2) ? 255 : 0;
        }
        break;
    case Kind::Rgb8:
        used = qsizetype(w) * 3;
        for (int x = 0; x < w; ++x) {
            const uchar* s = in + 3 * x;
            uchar* d = out + 3 * x;
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
        }
        break;
    case Kind::Rgb16:
        used = qsizetype(w) * 3;
        for (int x = 0; x < w; ++x) {
            out[3 * x + 2] = reduce16(in + 6 * x);
            out[3 * x + 1] = reduce16(in + 6 * x + 2);
            out[3 * x + 0] = reduce16(in + 6 * x + 4);
        }
        break;
    case Kind::Channel1:
        for (int x = 0; x < w; ++x)
            out[3 * x + m_channelOffset] = bitAt(in, x) ? 255 : 0;
        break;
    case Kind::Channel8:
        for (int x = 0; x < w; ++x)
            out[3 * x + m_channelOffset] = in[x];
        break;
    case Kind::Channel16:
        for (int x = 0; x < w; ++x)
            out[3 * x + m_channelOffset] = reduce16(in + 2 * x);
        break;
    }
    // Row padding is zeroed so that files written from these rows are reproducible. Channel
    // frames write into a zero-filled image and leave the padding alone.
    if (used > 0 && used < m_pixels.bytesPerLine())
        std::memset(out + used, 0, size_t(m_pixels.bytesPerLine() - used));
    ++m_frameRows;
}

bool FrameAssembler::endFrame()
{
    if (!m_inFrame)
        return false;
    m_inFrame = false;
    m_partial.clear();  // an incomplete last row is not part of the picture
    const bool channel =
        m_kind == Kind::Channel1 || m_kind == Kind::Channel8 || m_kind == Kind::Channel16;
    m_pageRows = m_pageRows < 0 ? m_frameRows : std::min(m_pageRows, m_frameRows);
    if (channel) {
        m_channelsSeen |= m_channelOffset == 2 ? 1 : m_channelOffset == 1 ? 2 : 4;
        if (!m_lastFrame)
            return false;
        if (m_channelsSeen != 7)
            return fail(QStringLiteral("ｽｷｬﾅから届いた画像の色成分が足りません。"));
    }
    if (m_pageRows <= 0)
        return fail(QStringLiteral("ｽｷｬﾅから画像ﾃﾞｰﾀが届きませんでした。"));
    m_complete = true;
    return true;
}

Image FrameAssembler::takeImage()
{
    if (!m_complete)
        return Image();
    QImage pixels = std::move(m_pixels);
    if (m_pageRows < pixels.height())
        pixels = pixels.copy(0, 0, m_width, m_pageRows);
    const ColourCode code = m_code;
    reset();
    return Image::fromStorage(std::move(pixels), code);
}

}  // namespace tavlo::scan
