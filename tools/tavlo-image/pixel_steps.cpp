#include "tools/tavlo-image/pixel_steps.h"

namespace tavlo::tools {

const std::map<QString, PixelStepParser>& pixelStepParsers()
{
    // No pixel operations yet: the colour-depth conversion, turns, mirrors, resizing and trimming
    // join here as the imaging control gains them.
    static const std::map<QString, PixelStepParser> parsers;
    return parsers;
}

}  // namespace tavlo::tools
