#include "imaging/colour_code.h"

namespace tavlo {

bool isColourCode(int value)
{
    for (ColourCode code : kAllColourCodes) {
        if (static_cast<int>(code) == value)
            return true;
    }
    return false;
}

int bitsPerPixel(ColourCode code)
{
    switch (code) {
    case ColourCode::Mono: return 1;
    case ColourCode::Palette16:
    case ColourCode::Grey16: return 4;
    case ColourCode::Palette256:
    case ColourCode::Grey256: return 8;
    case ColourCode::Rgb555: return 16;
    case ColourCode::Rgb24: return 24;
    case ColourCode::Rgb32: return 32;
    }
    return 0;
}

bool isGreyCode(ColourCode code)
{
    return code == ColourCode::Grey16 || code == ColourCode::Grey256;
}

bool isIndexedCode(ColourCode code)
{
    return bitsPerPixel(code) <= 8;
}

QImage::Format storageFormat(ColourCode code)
{
    switch (code) {
    case ColourCode::Mono: return QImage::Format_Mono;
    case ColourCode::Palette16:
    case ColourCode::Grey16:
    case ColourCode::Palette256: return QImage::Format_Indexed8;
    case ColourCode::Grey256: return QImage::Format_Grayscale8;
    case ColourCode::Rgb555: return QImage::Format_RGB555;
    case ColourCode::Rgb24: return QImage::Format_BGR888;
    case ColourCode::Rgb32: return QImage::Format_RGB32;
    }
    return QImage::Format_Invalid;
}

int paletteCapacity(ColourCode code)
{
    switch (code) {
    case ColourCode::Mono: return 2;
    case ColourCode::Palette16:
    case ColourCode::Grey16: return 16;
    case ColourCode::Palette256:
    case ColourCode::Grey256: return 256;
    default: return 0;
    }
}

bool smoothTurnFor(const QString& codeText)
{
    return QStringLiteral("80.16.24.32.").contains(codeText);
}

}  // namespace tavlo
