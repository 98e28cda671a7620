#include "imaging/process/rotation.h"

#include "imaging/process/free_turn.h"
#include "imaging/process/mirror.h"
#include "imaging/process/quarter_turn.h"

namespace tavlo::process {

Image rotated(Image image, const RotateOptions& options)
{
    if (image.isNull())
        return {};
    mirrorInPlace(image, options.mirrorLeftRight, options.mirrorTopBottom);
    const int angle = options.centidegrees % 36000;
    if (angle % 9000 == 0)
        return turnedQuarters(image, angle / 9000);
    return freelyTurned(image, angle, {options.smooth, options.fill, options.keepSize});
}

}  // namespace tavlo::process
