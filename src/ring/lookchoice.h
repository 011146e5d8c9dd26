#pragma once

#include "ring/ringbackground.h"
#include "ring/ringstyle.h"

namespace tandri {

/// Which look to draw with: the style after the accessibility override, its backdrop and the
/// appearance.
struct LookChoice {
    RingStyle style = RingStyle::Quib;
    RingBackground background = RingBackground::Disc;
    bool dark = true;
    bool operator==(const LookChoice&) const = default;
};

}  // namespace tandri
