#pragma once

#include "imaging/codecs/codec_reasons.h"

// Reasons beside the shared ones of codec_reasons.h: palette indices, sizes and bomb guards.
namespace tavlo::codecs::reasons {

inline QString paletteIndexOutOfRange()
{
    return QStringLiteral("ﾊﾟﾚｯﾄにない色番号が使われています");
}

// A few bytes of compressed data claiming far more pixels than any encoder would write for them.
inline QString expandsTooFar()
{
    return QStringLiteral("ﾌｧｲﾙの大きさに比べて画像が大きすぎます");
}

inline QString badSize()
{
    return QStringLiteral("画像の大きさが正しくありません");
}

}  // namespace tavlo::codecs::reasons
