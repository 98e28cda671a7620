#pragma once

#include "main_window/twips_scale.h"

#include <QRect>
#include <QSize>

namespace tavlo {

// Where the work-folder list and the view go in the window's client area: the tool strip takes
// the top 340 twips, the list keeps its fixed width down the left side and the view fills the
// rest, starting one twip to the right of the list.
class ViewLayout {
public:
    static constexpr int StripHeightTwips = 340;
    static constexpr int ListWidthTwips = 1260;

    struct Places {
        int line1Width = 0;  // the strip's top border line, from x 0 to the client width
        QRect list;
        QRect view;
    };

    // A client area lower than the strip (or narrower than the list) gives the list and the view
    // zero height (width) rather than a negative one.
    static Places compute(const QSize& clientPixels, const TwipsScale& scale);
};

}  // namespace tavlo
