// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <vector>

// The drawing primitives shared by the ring's view and looks. Geometry is in view coordinates with
// y growing upward and angles in radians counter-clockwise from +x; the painter already carries
// the flipping transform. Text and images are drawn upright.
namespace tandri::paint {

/// centre + radius × (cos angle, sin angle).
QPointF at(QPointF center, double angle, double radius);
QPainterPath circle(QPointF center, double radius);
/// The outer circle and the reversed inner one: filling leaves the hole empty.
QPainterPath annulus(QPointF center, double inner, double outer);
/// The open arc from `from` to `to`, counter-clockwise.
QPainterPath arc(QPointF center, double radius, double from, double to);
/// What a line along that arc covers when its ink reaches `reach` to either side of it.
QRectF arcArea(QPointF center, double radius, double from, double to, double reach);
/// The square of `side` centred on `center`.
QRectF square(QPointF center, double side);
QPainterPath line(QPointF from, QPointF to);
/// A rounded rectangle with corner radius min(height / 2, 14).
QPainterPath pill(const QRectF& rect);
/// The outline of the path stroked at `width` with round caps and joins, as a fillable shape.
QPainterPath outline(const QPainterPath& path, double width);

void fill(QPainter& painter, const QPainterPath& path, const QColor& color);
/// Round caps and joins; a dash pattern in points when `dash` is not empty.
void stroke(QPainter& painter, const QPainterPath& path, const QColor& color, double width,
            const std::vector<double>& dash = {});
/// Sets the painter to draw y-down content upright into a y-up rect whose top edge is `top`.
void unflip(QPainter& painter, double left, double top);

}  // namespace tandri::paint
