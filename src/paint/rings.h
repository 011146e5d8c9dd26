// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QPainter>
#include <QPointF>

namespace tandri::paint {

/// Fills the ring between two radii, a disc when `inner` is 0. Computed straight into the bitmap
/// where the painter allows, which for large rings is many times faster than a path.
void ring(QPainter& painter, QPointF center, double inner, double outer, const QColor& color);
/// Strokes the circle of `radius` at `width`, or only its arc from `from` counter-clockwise to
/// `to` (with round caps) when they differ; with `on` > 0 in dashes of `on` points every
/// `on + off` points from `from`, each with round caps. Computed like `ring`.
void circleLine(QPainter& painter, QPointF center, double radius, double width, const QColor& color,
                double from = 0, double to = 0, double on = 0, double off = 0);

}  // namespace tandri::paint
