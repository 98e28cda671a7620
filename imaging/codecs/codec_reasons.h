#pragma once

#include "imaging/image.h"

#include <QString>

// The reasons the library-backed codecs (PNG, JPEG, TIFF, GIF, JPEG 2000) give when a file cannot
// be read or written, so every format words the same fault the same way.
namespace tavlo::codecs::reasons {

inline QString truncated()
{
    return QStringLiteral("ﾌｧｲﾙが途中で終わっています");
}

inline QString damaged()
{
    return QStringLiteral("ﾌｧｲﾙが壊れています");
}

// what names the format as the user knows it ("PNG", "JPEG", ...).
inline QString notThisFormat(const char* what)
{
    return QStringLiteral("%1 ﾌｧｲﾙではありません").arg(QLatin1String(what));
}

// detail says which variant of the format the file uses.
inline QString unsupported(const QString& detail)
{
    return QStringLiteral("対応していない形式です: ") + detail;
}

inline QString tooLarge(qint64 width, qint64 height)
{
    return QStringLiteral("画像が大きすぎます: %1 x %2 (上限は一辺 %3, 合計 %4 MB)")
        .arg(width)
        .arg(height)
        .arg(Image::kMaxSide)
        .arg(Image::kMaxStorageBytes >> 20);
}

inline QString outOfMemory()
{
    return QStringLiteral("ﾒﾓﾘが足りません");
}

inline QString writeFailed()
{
    return QStringLiteral("ﾌｧｲﾙに書き込めません");
}

// The library refused the image for a reason other than memory or the device.
inline QString encodeFailed(const char* what)
{
    return QStringLiteral("%1 ﾌｧｲﾙを作れませんでした").arg(QLatin1String(what));
}

inline QString nullImage()
{
    return QStringLiteral("画像がありません");
}

}  // namespace tavlo::codecs::reasons
