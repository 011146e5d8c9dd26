// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>

#include "prefs/ringbackground.h"
#include "prefs/ringstyle.h"

namespace tandri {

/// Which look to draw with: the style after the accessibility override, its backdrop, the
/// appearance and the system's accent colour.
struct LookChoice {
    /// The accent when the system gives none.
    static inline const QColor fallbackAccent = QColor(10, 132, 255);

    RingStyle style = RingStyle::Quib;
    RingBackground background = RingBackground::Disc;
    bool dark = true;
    QColor accent = fallbackAccent;
    bool operator==(const LookChoice&) const = default;
};

}  // namespace tandri
