#pragma once

#include "imaging/codecs/image_format.h"

#include <QByteArray>

namespace tavlo::codecs {

// How many bytes from the start of a file sniffFormat() looks at.
inline constexpr int kSniffBytes = 32;

// The format of a file found from its first bytes (fewer than kSniffBytes when the file is
// shorter), never from its name:
//   BMP   "BM" followed by a known bitmap header size at offset 14
//   JPEG  FF D8 FF
//   PNG   89 "PNG" 0D 0A 1A 0A
//   GIF   "GIF87a" or "GIF89a"
//   TIFF  "II" 2A 00, "MM" 00 2A, and the BigTIFF forms with 2B
//   PCX   0A, version 0/2/3/4/5, encoding 0/1, 1/2/4/8 bits per plane
//   JP2   the JPEG 2000 signature box (00 00 00 0C "jP  " 0D 0A 87 0A), or a bare code stream
//         starting with SOC and SIZ (FF 4F FF 51)
//   FPX   the OLE2 compound-file signature D0 CF 11 E0 A1 B1 1A E1 (FlashPix lives in one)
// Unknown for anything else, and for files too short to tell.
ImageFormat sniffFormat(const QByteArray& head);

}  // namespace tavlo::codecs
