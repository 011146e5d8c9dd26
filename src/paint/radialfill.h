// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QPainter>
#include <QPointF>
#include <vector>

namespace tandri::paint {

class Caches;

/// Fills the radial gradient between two concentric circles, nothing beyond them. Where it is
/// computed straight into the bitmap, once and then copied from what `caches` keep, its centre
/// may move by up to a quarter of a device pixel.
void radial(QPainter& painter, Caches& caches, const std::vector<QColor>& colors,
            const std::vector<double>& locations, QPointF center, double fromRadius,
            double toRadius);

}  // namespace tandri::paint
