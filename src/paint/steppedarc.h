// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QPainter>
#include <QPointF>
#include <vector>

namespace tandri::paint {

class Caches;

/// A line of `width` along the circle of `radius` from `from` counter-clockwise to `to`, cut
/// into as many equal steps as `alphas` has: step k at `alphas[k]` of `color`, over the glow
/// (blurred `blur`, as `glow`) that it casts on its own at `glowAlphas[k]` of `color`. Where a
/// band of steps would cost one blur per step or frame, this costs a few operations per pixel;
/// drawn again with the same centre within its pixel, it is copied from what `caches` keep.
void steppedArc(QPainter& painter, Caches& caches, QPointF center, double radius, double width,
                const QColor& color, double from, double to, const std::vector<double>& alphas,
                const std::vector<double>& glowAlphas, double blur);

}  // namespace tandri::paint
