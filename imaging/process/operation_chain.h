#pragma once

#include "imaging/image.h"
#include "imaging/process/colour_conversion.h"
#include "imaging/process/pixel_rect.h"
#include "imaging/process/rotation.h"

#include <QString>
#include <QStringList>

#include <variant>
#include <vector>

namespace tavlo::process {

// A chain of pixel operations given on a command line (tavlo-image convert), applied in the order
// given:
//   --depth CODE [--dither] [--threshold N]   colour-depth code 1, 4, 40, 8, 80, 16, 24 or 32;
//                                             --dither diffuses the error, --threshold is the
//                                             1-bit level (default 128)
//   --rotate CENTIDEGREES [--smooth] [--keep-size] [--fill R,G,B]
//                                             turn, positive to the left; nearest pixel unless
//                                             --smooth; the canvas grows unless --keep-size;
//                                             uncovered corners white unless --fill
//   --mirror-lr, --mirror-tb                  mirror left-right, top-bottom
//   --resize WxH                              scale (area averaging down, bilinear up)
//   --trim L,T,R,B                            keep pixels L <= x < R, T <= y < B
//   --straighten                              turn by the page's own skew (skew_finder.h):
//                                             smooth, canvas grown, corners white; a page whose
//                                             skew is not found stays as it is
// A modifier belongs to the --depth or --rotate before it.
class OperationChain {
public:
    struct Depth {
        ColourCode code;
        ConvertOptions options;
    };
    struct Rotate {
        RotateOptions options;
    };
    struct Resize {
        int width;
        int height;
    };
    struct Trim {
        PixelRect rect;
    };
    struct Straighten { };
    using Step = std::variant<Depth, Rotate, Resize, Trim, Straighten>;

    // How the options are written, for command lines that read them one by one: each operation
    // option with the number of values it takes, and the modifiers that may follow it with the
    // number of values each of them takes.
    struct Syntax {
        QString option;
        int values;
        std::vector<std::pair<QString, int>> modifiers;
    };
    static const std::vector<Syntax>& syntax();

    // Reads the operations out of arguments. Arguments that are not operations are handed back in
    // rest, in their order, for the caller's own options. Returns "" or the reason (in Japanese)
    // why an operation's value could not be read.
    QString parse(const QStringList& arguments, QStringList* rest);

    // Applies the steps to image in order. Returns "" or the reason the first failing step failed;
    // image then holds the result of the steps before it.
    QString apply(Image& image) const;

    bool isEmpty() const { return m_steps.empty(); }
    const std::vector<Step>& steps() const { return m_steps; }

private:
    std::vector<Step> m_steps;
};

}  // namespace tavlo::process
