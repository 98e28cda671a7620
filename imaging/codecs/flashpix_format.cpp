#include "imaging/codecs/flashpix_format.h"

#include "imaging/codecs/little_endian.h"

#include <cstring>

namespace tavlo::codecs::flashpix {
namespace {

constexpr quint32 kOpacityChannel = 0x7FFE;
constexpr quint32 kPremultipliedBit = 0x8000;

}  // namespace

ClassId classId(quint32 prefix)
{
    ClassId id{};
    putLe32(id.data(), prefix);
    putLe16(id.data() + 4, 0xC154);
    putLe16(id.data() + 6, 0x11CE);
    const uchar tail[8] = {0x85, 0x53, 0x00, 0xAA, 0x00, 0xA1, 0xF9, 0x5B};
    std::memcpy(id.data() + 8, tail, 8);
    return id;
}

ClassId summaryFormatId()
{
    ClassId id{};
    putLe32(id.data(), 0xF29F85E0);
    putLe16(id.data() + 4, 0x4FF9);
    putLe16(id.data() + 6, 0x1068);
    const uchar tail[8] = {0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
    std::memcpy(id.data() + 8, tail, 8);
    return id;
}

QString resolutionName(int level)
{
    return QStringLiteral("Resolution %1").arg(level, 4, 10, QLatin1Char('0'));
}

QByteArray streamHeader(quint32 classPrefix)
{
    QByteArray header(kStreamHeaderBytes, '\0');
    auto* p = reinterpret_cast<uchar*>(header.data());
    putLe16(p, 0xFFFE);
    putLe32(p + 4, 0x00020005);
    const ClassId id = classId(classPrefix);
    std::memcpy(p + 8, id.data(), 16);
    return header;
}

std::optional<ChannelLayout> ChannelLayout::parse(const QByteArray& blob)
{
    if (blob.size() < 8)
        return std::nullopt;
    const auto* p = reinterpret_cast<const uchar*>(blob.constData());
    const quint32 count = le32(p + 4);
    if (count < 1 || count > 4 || blob.size() < 8 + 4 * qsizetype(count))
        return std::nullopt;
    // The top bit says the channels are uncalibrated, which changes nothing in how they are read.
    const quint32 first = le32(p + 8) & 0x7FFFFFFF;
    ChannelLayout layout;
    const quint32 space = first >> 16;
    if (space != Monochrome && space != PhotoYcc && space != NifRgb)
        return std::nullopt;
    layout.space = Space(space);
    layout.premultiplied = (first & kPremultipliedBit) != 0;
    const int colours = layout.space == Monochrome ? 1 : 3;
    if (int(count) != colours && int(count) != colours + 1)
        return std::nullopt;
    layout.opacity = int(count) == colours + 1;
    for (quint32 i = 0; i < count; ++i) {
        const quint32 word = le32(p + 8 + 4 * i) & 0x7FFFFFFF;
        const bool isOpacity = layout.opacity && int(i) == colours;
        const quint32 expected = isOpacity ? kOpacityChannel : i;
        if (word >> 16 != space || (word & 0x7FFF) != expected)
            return std::nullopt;
    }
    return layout;
}

QByteArray ChannelLayout::blob() const
{
    QByteArray bytes(8 + 4 * channels(), '\0');
    auto* p = reinterpret_cast<uchar*>(bytes.data());
    putLe32(p, 1);
    putLe32(p + 4, quint32(channels()));
    const int colours = space == Monochrome ? 1 : 3;
    for (int i = 0; i < channels(); ++i) {
        const quint32 type =
            i < colours ? quint32(i) | (premultiplied ? kPremultipliedBit : 0) : kOpacityChannel;
        putLe32(p + 8 + 4 * i, (quint32(space) << 16) | type);
    }
    return bytes;
}

}  // namespace tavlo::codecs::flashpix
