#include "imaging/codecs/gif_codec.h"

#include "imaging/codecs/codec_reasons.h"
#include "imaging/codecs/read_fully.h"
#include "imaging/codecs/own_codec_reasons.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace tavlo::codecs {
namespace {

struct GifIo {
    QIODevice* device = nullptr;
    bool shortRead = false;
    bool writeFailed = false;
};

int readFromDevice(GifFileType* gif, GifByteType* data, int length)
{
    auto* io = static_cast<GifIo*>(gif->UserData);
    const int done = int(readFully(*io->device, data, length));
    if (done < length)
        io->shortRead = true;
    return done;
}

int writeToDevice(GifFileType* gif, const GifByteType* data, int length)
{
    auto* io = static_cast<GifIo*>(gif->UserData);
    const qint64 n = io->device->write(reinterpret_cast<const char*>(data), length);
    if (n != length)
        io->writeFailed = true;
    return n < 0 ? 0 : int(n);
}

struct GifReader {
    GifFileType* gif = nullptr;
    ~GifReader()
    {
        if (gif) {
            int error = 0;
            DGifCloseFile(gif, &error);
        }
    }
};

struct GifWriter {
    GifFileType* gif = nullptr;
    ColorMapObject* map = nullptr;
    ~GifWriter()
    {
        if (map)
            GifFreeMapObject(map);
        if (gif) {
            int error = 0;
            EGifCloseFile(gif, &error);
        }
    }
};

QString readFailure(const GifIo& io, int error)
{
    if (io.shortRead || error == D_GIF_ERR_EOF_TOO_SOON)
        return reasons::truncated();
    switch (error) {
    case D_GIF_ERR_NOT_GIF_FILE: return reasons::notThisFormat("GIF");
    case D_GIF_ERR_NOT_ENOUGH_MEM: return reasons::outOfMemory();
    default: return reasons::damaged();
    }
}

// The image descriptor and what the graphic control extension before it said.
struct Frame {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    int transparent = -1;
    QVector<QRgb> palette;
};

QVector<QRgb> paletteOf(const ColorMapObject* map)
{
    QVector<QRgb> palette;
    if (!map || !map->Colors)
        return palette;
    const int count = std::clamp(map->ColorCount, 0, 256);
    for (int i = 0; i < count; ++i)
        palette.append(qRgb(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue));
    return palette;
}

// Bits per pixel of a palette of `count` entries written as a GIF colour table (1..8).
int tableBits(int count)
{
    int bits = 1;
    while ((1 << bits) < count)
        ++bits;
    return bits;
}

}  // namespace

Decoded readGif(QIODevice& in)
{
    char magic[6] = {};
    if (in.peek(magic, 6) < 6 ||
        (std::memcmp(magic, "GIF87a", 6) != 0 && std::memcmp(magic, "GIF89a", 6) != 0))
        return Decoded::failure(reasons::notThisFormat("GIF"));

    GifIo io;
    io.device = &in;
    int error = 0;
    GifReader reader;
    reader.gif = DGifOpen(&io, readFromDevice, &error);
    if (!reader.gif)
        return Decoded::failure(readFailure(io, error));
    GifFileType* gif = reader.gif;

    // Up to the first image: extensions are skipped, except that a graphic control extension
    // names the transparent index (which keeps its palette colour).
    Frame frame;
    for (bool found = false; !found;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &record) == GIF_ERROR)
            return Decoded::failure(readFailure(io, gif->Error));
        switch (record) {
        case IMAGE_DESC_RECORD_TYPE:
            if (DGifGetImageDesc(gif) == GIF_ERROR)
                return Decoded::failure(readFailure(io, gif->Error));
            frame.left = gif->Image.Left;
            frame.top = gif->Image.Top;
            frame.width = gif->Image.Width;
            frame.height = gif->Image.Height;
            frame.interlaced = gif->Image.Interlace;
            frame.palette = paletteOf(gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap);
            found = true;
            break;
        case EXTENSION_RECORD_TYPE: {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
                return Decoded::failure(readFailure(io, gif->Error));
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4)
                frame.transparent = (block[1] & 1) ? block[4] : -1;
            while (block) {
                if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
                    return Decoded::failure(readFailure(io, gif->Error));
            }
            break;
        }
        case TERMINATE_RECORD_TYPE: return Decoded::failure(reasons::damaged());
        default: return Decoded::failure(reasons::damaged());
        }
    }
    if (frame.width <= 0 || frame.height <= 0)
        return Decoded::failure(reasons::damaged());
    if (frame.palette.isEmpty())
        return Decoded::failure(reasons::unsupported(QStringLiteral("色の表がない GIF")));

    // The picture is the logical screen; a frame reaching beyond it widens it.
    const qint64 width = std::max<qint64>(gif->SWidth, qint64(frame.left) + frame.width);
    const qint64 height = std::max<qint64>(gif->SHeight, qint64(frame.top) + frame.height);
    const int colours = int(frame.palette.size());
    const ColourCode code = colours <= 2    ? ColourCode::Mono
                            : colours <= 16 ? ColourCode::Palette16
                                            : ColourCode::Palette256;
    // The bound is checked for the canvas actually allocated (one byte per pixel), not for the
    // code the image ends with: a two-colour screen of 65535 x 65535 is 512 MiB at 1 bit but 4 GiB
    // as canvas.
    if (width > Image::kMaxSide || height > Image::kMaxSide ||
        !Image::sizeAllowed(int(width), int(height), ColourCode::Palette256))
        return Decoded::failure(reasons::tooLarge(width, height));

    // Pixels of the screen outside the frame take the background and cost no bytes, so a few
    // bytes could claim a canvas of a gigabyte (a decompression bomb). A screen of more than 16
    // million pixels and 1024 times the frame is refused before it is allocated.
    if (width * height >
        std::max<qint64>(qint64(frame.width) * frame.height * 1024, qint64(16) << 20))
        return Decoded::failure(reasons::expandsTooFar());

    QImage canvas(int(width), int(height), QImage::Format_Indexed8);
    if (canvas.isNull())
        return Decoded::failure(reasons::outOfMemory());
    // Outside the frame: the transparent index when there is one, else the background colour.
    int fill = frame.transparent >= 0 ? frame.transparent : gif->SBackGroundColor;
    if (fill < 0 || fill >= colours)
        fill = 0;
    canvas.fill(uint(fill));

    std::vector<GifPixelType> line(size_t(frame.width));
    auto readRow = [&](int y) {
        if (DGifGetLine(gif, line.data(), frame.width) == GIF_ERROR)
            return false;
        std::memcpy(canvas.scanLine(frame.top + y) + frame.left, line.data(), size_t(frame.width));
        return true;
    };
    if (frame.interlaced) {
        static constexpr int kStart[4] = {0, 4, 2, 1};
        static constexpr int kStep[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = kStart[pass]; y < frame.height; y += kStep[pass])
                if (!readRow(y))
                    return Decoded::failure(readFailure(io, gif->Error));
    } else {
        for (int y = 0; y < frame.height; ++y)
            if (!readRow(y))
                return Decoded::failure(readFailure(io, gif->Error));
    }

    Image image;
    canvas.setColorTable(frame.palette);
    if (code == ColourCode::Mono) {
        QVector<QRgb> palette = frame.palette;
        if (palette.size() < 2)
            palette.append(palette.front());
        QImage mono(int(width), int(height), QImage::Format_Mono);
        if (mono.isNull())
            return Decoded::failure(reasons::outOfMemory());
        mono.setColorTable(palette);
        for (int y = 0; y < int(height); ++y) {
            const uchar* in = canvas.constScanLine(y);
            uchar* out = mono.scanLine(y);
            std::memset(out, 0, size_t(mono.bytesPerLine()));
            for (int x = 0; x < int(width); ++x)
                if (in[x] != 0)
                    out[x >> 3] |= uchar(0x80 >> (x & 7));
        }
        image = Image::fromStorage(std::move(mono), ColourCode::Mono);
    } else {
        image = Image::fromIndexed(std::move(canvas), code == ColourCode::Palette16 ? 4 : 8);
    }
    if (image.isNull())
        return Decoded::failure(reasons::damaged());
    return {image, QString()};
}

QString writeGif(const Image& image, QIODevice& out)
{
    if (image.isNull())
        return reasons::nullImage();
    if (!isIndexedCode(image.code()))
        return reasons::unsupported(
            QStringLiteral("GIF に保存できるのは 256 色までの画像です (%1 ﾋﾞｯﾄの色)")
                .arg(image.bitCount()));
    // The colour table holds a power of two entries; it is padded (with black) so that reading it
    // back gives the same code: more than 2 entries for 4 and 40, more than 16 for 8.
    QVector<QRgb> palette = image.palette();
    int minimum = 2;
    switch (image.code()) {
    case ColourCode::Palette16:
    case ColourCode::Grey16: minimum = 4; break;
    case ColourCode::Palette256: minimum = 32; break;
    case ColourCode::Grey256:
        palette.clear();
        for (int i = 0; i < 256; ++i)
            palette.append(qRgb(i, i, i));
        break;
    default: break;
    }
    const int bits = tableBits(std::max<int>(minimum, int(palette.size())));
    std::vector<GifColorType> colours(size_t(1) << bits, GifColorType{0, 0, 0});
    for (int i = 0; i < palette.size(); ++i)
        colours[size_t(i)] =
            GifColorType{GifByteType(qRed(palette[i])), GifByteType(qGreen(palette[i])),
                         GifByteType(qBlue(palette[i]))};

    const int width = image.width();
    const int height = image.height();
    std::vector<GifPixelType> line(static_cast<size_t>(width));
    GifIo io;
    io.device = &out;
    int error = 0;
    GifWriter writer;
    writer.map = GifMakeMapObject(int(colours.size()), colours.data());
    if (!writer.map)
        return reasons::outOfMemory();
    writer.gif = EGifOpen(&io, writeToDevice, &error);
    if (!writer.gif)
        return io.writeFailed ? reasons::writeFailed() : reasons::encodeFailed("GIF");
    GifFileType* gif = writer.gif;
    auto failed = [&] {
        return io.writeFailed ? reasons::writeFailed() : reasons::encodeFailed("GIF");
    };
    if (EGifPutScreenDesc(gif, width, height, bits, 0, writer.map) == GIF_ERROR ||
        EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_ERROR)
        return failed();
    for (int y = 0; y < height; ++y) {
        const uchar* in = image.scanLine(y);
        if (image.code() == ColourCode::Mono) {
            for (int x = 0; x < width; ++x)
                line[size_t(x)] = (in[x >> 3] >> (7 - (x & 7))) & 1;
        } else {
            std::memcpy(line.data(), in, size_t(width));  // giflib masks the row in place
        }
        if (EGifPutLine(gif, line.data(), width) == GIF_ERROR)
            return failed();
    }
    writer.gif = nullptr;
    if (EGifCloseFile(gif, &error) == GIF_ERROR || io.writeFailed)
        return failed();
    return QString();
}

}  // namespace tavlo::codecs
