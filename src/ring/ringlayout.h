// SPDX-License-Identifier: MIT
#pragma once

namespace tandri {

/// The ring's geometry for a number of entries: entry 0 at the top, the rest clockwise.
/// Angles are radians counter-clockwise from +x, y up.
struct RingLayout {
    int count = 1;
    double iconSize = 52;
    double radius = 88;
    double size = 268;

    RingLayout() = default;
    explicit RingLayout(int entries);

    /// Outer edge of the ring's body.
    double outerRadius() const { return iconSize / 2 + radius + 12; }
    /// Edge of the empty centre.
    double holeRadius() const { return radius - iconSize / 2 - 10; }
    /// Inner edge of the icons.
    double iconBandRadius() const { return radius - iconSize / 2; }
    /// Angle between neighbouring entries.
    double step() const;
    /// Direction of entry i.
    double angle(int i) const;
    /// The entry whose direction is nearest to angle `a`.
    int index(double a) const;
};

}  // namespace tandri
