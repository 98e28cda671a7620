#pragma once

#include "imaging/codecs/codec_reasons.h"

// The reasons only the BMP and PCX codecs give, beside the shared ones of codec_reasons.h.
namespace tavlo::codecs::reasons {

inline QString paletteIndexOutOfRange()
{
    return QStringLiteral("ﾊﾟﾚｯﾄにない色番号が使われています");
}

inline QString badSize()
{
    return QStringLiteral("画像の大きさが正しくありません");
}

}  // namespace tavlo::codecs::reasons
