#pragma once

#include "imaging/codecs/compound_writer.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// The fixed parts of a FlashPix file (FlashPix Format Specification 1.0.1): class ids, stream
// names, property ids, the 28-byte header of the subimage streams and the channel layout of a
// subimage's colour property.
namespace tavlo::codecs::flashpix {

// A class id of the FlashPix family: prefix-C154-11CE-8553-00AA00A1F95B.
ClassId classId(quint32 prefix);
constexpr quint32 kImageViewClass = 0x56616700;    // the root of an image view file
constexpr quint32 kImageObjectClass = 0x56616000;  // "Data Object Store 000001"
constexpr quint32 kResolutionClass = 0x56616100;
constexpr quint32 kImageContentsClass = 0x56616400;  // also the format id of its property set
constexpr quint32 kImageInfoClass = 0x56616500;
constexpr quint32 kSubimageHeaderClass = 0x00010000;
constexpr quint32 kSubimageDataClass = 0x00010100;
ClassId summaryFormatId();

inline const QString kImageObject = QStringLiteral("Data Object Store 000001");
inline const QString kImageContents = QStringLiteral("\005Image Contents");
inline const QString kImageInfo = QStringLiteral("\005Image Info");
inline const QString kSummary = QStringLiteral("\005SummaryInformation");
inline const QString kSubimageHeader = QStringLiteral("Subimage 0000 Header");
inline const QString kSubimageData = QStringLiteral("Subimage 0000 Data");
// "Resolution 0000" is the smallest level, the highest number the full image.
QString resolutionName(int level);

// Image contents property ids; the per-level ones take the level shifted by 16.
constexpr quint32 kResolutionCount = 0x01000000;
constexpr quint32 kWidth = 0x01000002;
constexpr quint32 kHeight = 0x01000003;
constexpr quint32 kDisplayHeight = 0x01000004;  // R4, in kDisplayUnit
constexpr quint32 kDisplayWidth = 0x01000005;
constexpr quint32 kDisplayUnit = 0x01000006;  // 0 inch, 1 metre, 2 centimetre, 3 millimetre
constexpr quint32 kSubimageWidth = 0x02000000;
constexpr quint32 kSubimageHeight = 0x02000001;
constexpr quint32 kSubimageColour = 0x02000002;
constexpr quint32 kJpegTables = 0x03000001;
constexpr quint32 kMaxJpegTable = 0x03000002;
inline quint32 perLevel(quint32 id, int level)
{
    return id | (quint32(level) << 16);
}
// Image info property ids.
constexpr quint32 kSoftwareName = 0x21000003;
constexpr quint32 kScannerPixelSize = 0x2800000A;  // R4, micrometres

// Compression types of a tile.
enum Compression : quint32 { Uncompressed = 0, SingleColour = 1, Jpeg = 2 };

// The header every subimage stream starts with; offsets in the streams count from its end.
constexpr int kStreamHeaderBytes = 28;
QByteArray streamHeader(quint32 classPrefix);

// The channels of a subimage: grey (monochrome), PhotoYCC or NIF RGB, each with or without an
// opacity channel last.
struct ChannelLayout {
    enum Space { Monochrome = 1, PhotoYcc = 2, NifRgb = 3 };
    Space space = NifRgb;
    bool opacity = false;
    bool premultiplied = false;  // the colour channels are already multiplied by the opacity

    int channels() const { return (space == Monochrome ? 1 : 3) + (opacity ? 1 : 0); }
    // The colour property: a blob of the subimage count, the channel count and one word per
    // channel. Nothing for layouts we do not read (colourless, other orders, other spaces).
    static std::optional<ChannelLayout> parse(const QByteArray& blob);
    QByteArray blob() const;
};

}  // namespace tavlo::codecs::flashpix
