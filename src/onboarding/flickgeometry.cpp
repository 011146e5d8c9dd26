// SPDX-License-Identifier: MIT
#include "onboarding/flickgeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tandri {

namespace {

double easeOut(double x) {
    const double rest = 1 - std::clamp(x, 0.0, 1.0);
    return 1 - rest * rest * rest;
}

double angle(int i, int n) {
    return std::numbers::pi / 2 - 2 * std::numbers::pi * i / n;
}

}  // namespace

FlickGeometry FlickGeometry::at(double seconds, int iconCount, QSizeF size) {
    FlickGeometry g;
    const double cycle = std::floor(seconds / period);
    const double p = (seconds - cycle * period) / period;
    const int n = std::max(iconCount, 1);
    // fmod keeps a negative cycle (a clock before the reference date) on a valid icon.
    g.target = int(std::fmod(std::fmod(cycle, double(n)) + n, double(n)));
    const double s = std::min(size.width(), size.height());
    g.radius = 0.36 * s;
    g.bandWidth = 0.2 * s;
    g.centre = QPointF(size.width() / 2, size.height() / 2);
    for (int i = 0; i < iconCount; ++i) {
        const double a = angle(i, n);
        g.icons.emplace_back(g.centre.x() + std::cos(a) * g.radius,
                             g.centre.y() - std::sin(a) * g.radius);
    }

    g.highlighted = p > 0.4 && p < 0.85;
    // The scale follows the highlight with a short ease-out, in and out again.
    const double sinceOn = (p - 0.4) * period / highlightSeconds;
    const double sinceOff = (p - 0.85) * period / highlightSeconds;
    if (g.highlighted)
        g.targetScale = 1 + (highlightScale - 1) * easeOut(sinceOn);
    else if (p >= 0.85)
        g.targetScale = highlightScale - (highlightScale - 1) * easeOut(sinceOff);

    const double q = std::clamp((p - 0.15) / 0.3, 0.0, 1.0);
    double d = g.radius * 0.78 * easeOut(q);
    if (p >= 0.85)
        d *= 1 - (p - 0.85) / 0.15;
    const double a = angle(g.target, n);
    g.cursor = QPointF(g.centre.x() + std::cos(a) * d + 4, g.centre.y() - std::sin(a) * d + 8);
    return g;
}

}  // namespace tandri
