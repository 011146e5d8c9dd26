// SPDX-License-Identifier: MIT
#include "ring/ringlayout.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tandri {

RingLayout::RingLayout(int entries) {
    const double n = entries;
    iconSize = entries <= 8 ? 52 : entries <= 12 ? 46 : 40;
    // Each icon gets an arc of iconSize + 14 points, but the ring never shrinks below 88.
    radius = std::max((iconSize + 14) * n / (2 * std::numbers::pi), 88.0);
    size = 2 * (iconSize / 2 + radius + 20);
    count = std::max(entries, 1);
}

double RingLayout::step() const {
    return 2 * std::numbers::pi / count;
}

double RingLayout::angle(int i) const {
    return std::numbers::pi / 2 - i * 2 * std::numbers::pi / count;
}

int RingLayout::index(double a) const {
    // std::round rounds halves away from zero, which decides ties between two sectors.
    const auto nearest = static_cast<long long>(std::round((std::numbers::pi / 2 - a) / step()));
    const long long m = nearest % count;
    return static_cast<int>(m < 0 ? m + count : m);
}

}  // namespace tandri
