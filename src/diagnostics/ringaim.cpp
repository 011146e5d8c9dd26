// SPDX-License-Identifier: MIT
#include "diagnostics/ringaim.h"

#include <cmath>

#include "ring/ringcontroller.h"

namespace tandri::RingAim {

namespace {

// View points to screen points: the panel's frame and the view share the y-up orientation.
QPointF onScreen(RingController& ring, QPointF inView) {
    return ring.panel().frame().topLeft() + inView;
}

}  // namespace

QPointF centre(RingController& ring) {
    return onScreen(ring, ring.panel().ringView().ringCenter);
}

QPointF entry(RingController& ring, int index) {
    const RingLayout& layout = ring.panel().ringView().layout;
    const double angle = layout.angle(index);
    return centre(ring) + layout.radius * QPointF(std::cos(angle), std::sin(angle));
}

std::optional<QPointF> chip(RingController& ring, int index) {
    const auto& chips = ring.panel().ringView().chips();
    if (index < 0 || index >= static_cast<int>(chips.size()))
        return std::nullopt;
    return onScreen(ring, chips[size_t(index)].frame.center());
}

}  // namespace tandri::RingAim
