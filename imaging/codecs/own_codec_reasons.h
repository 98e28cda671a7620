#pragma once

#include "imaging/image.h"

#include <QString>

// The reasons the BMP and PCX codecs give when a file cannot be read or written.
namespace tavlo::codecs::reasons {

inline QString truncated()
{
    return QStringLiteral("ﾌｧｲﾙが途中で終わっています");
}

inline QString damaged()
{
    return QStringLiteral("ﾌｧｲﾙが壊れています");
}

inline QString notThisFormat(const char* what)
{
    return QStringLiteral("%1 ﾌｧｲﾙではありません").arg(QLatin1String(what));
}

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

inline QString nullImage()
{
    return QStringLiteral("画像がありません");
}

inline QString paletteIndexOutOfRange()
{
    return QStringLiteral("ﾊﾟﾚｯﾄにない色番号が使われています");
}

inline QString badSize()
{
    return QStringLiteral("画像の大きさが正しくありません");
}

}  // namespace tavlo::codecs::reasons
