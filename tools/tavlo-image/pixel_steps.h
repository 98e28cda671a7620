#pragma once

#include "imaging/image.h"
#include "tools/tavlo-image/argument_cursor.h"

#include <QString>

#include <functional>
#include <map>
#include <optional>

namespace tavlo::tools {

// One pixel operation given to `convert`; the operations run in the order given, between reading
// IN and writing OUT.
struct PixelStep {
    QString option;  // the option that asked for it, for messages ("--rotate")
    // Changes the image; "" on success, else the reason.
    std::function<QString(Image&)> apply;
};

// Reads the values and modifier flags of one operation option from the cursor, which stands just
// after the option's name. Nothing (with error set) when they are wrong.
using PixelStepParser = std::function<std::optional<PixelStep>(ArgumentCursor&, QString& error)>;

// The operation options `convert` knows, by name with its dashes ("--depth"). To add one, add its
// parser to the table in pixel_steps.cpp; `convert` and its usage text pick it up from there.
const std::map<QString, PixelStepParser>& pixelStepParsers();

}  // namespace tavlo::tools
