// SPDX-License-Identifier: MIT
#pragma once

#include <QPointF>
#include <optional>

namespace tandri {

class RingController;

/// Where a scripted pointer goes to aim at the parts of an open ring, in screen points.
namespace RingAim {

/// The middle of the ring.
QPointF centre(RingController& ring);
/// The middle of entry `index`'s icon: pointing there selects the entry and shows its chips.
QPointF entry(RingController& ring, int index);
/// The middle of chip `index` of those shown; none when there is no such chip.
std::optional<QPointF> chip(RingController& ring, int index);

}  // namespace RingAim
}  // namespace tandri
