// SPDX-License-Identifier: MIT
#pragma once

#include <QPointF>
#include <QSizeF>
#include <vector>

namespace tandri {

/// Where everything of the flick demonstration stands at one instant: a pure function of the
/// time, the number of icons and the view's size, so that it can be checked without a screen.
/// View coordinates, y growing downward.
struct FlickGeometry {
    static constexpr double period = 2.2;
    static constexpr double highlightScale = 1.3;
    static constexpr double highlightSeconds = 0.15;

    QPointF centre;
    double radius = 0;
    /// The width of the band the icons sit on.
    double bandWidth = 0;
    /// The icons' centres, the first at the top, the rest clockwise.
    std::vector<QPointF> icons;
    /// The icon flicked to in this cycle (0 when there are no icons).
    int target = 0;
    /// Whether the target is highlighted now.
    bool highlighted = false;
    /// The target's scale now: 1, or on its way to and from 1.3.
    double targetScale = 1;
    /// Where the cursor image is centred.
    QPointF cursor;

    /// At `seconds` on the wall clock, for `iconCount` icons in a view of `size`.
    static FlickGeometry at(double seconds, int iconCount, QSizeF size);
};

}  // namespace tandri
