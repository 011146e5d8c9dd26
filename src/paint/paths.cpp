// SPDX-License-Identifier: MIT
#include "paint/paths.h"

#include <QPainterPathStroker>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "paint/uncleared.h"

namespace tandri::paint {

namespace {

constexpr double degreesPerRadian = 180 / std::numbers::pi;

}  // namespace

QPointF at(QPointF center, double angle, double radius) {
    return center + radius * QPointF(std::cos(angle), std::sin(angle));
}

QPainterPath circle(QPointF center, double radius) {
    QPainterPath path;
    path.addEllipse(center, radius, radius);
    return path;
}

QPainterPath annulus(QPointF center, double inner, double outer) {
    QPainterPath path = circle(center, outer);
    if (inner > 0)
        path.addPath(circle(center, inner).toReversed());
    return path;
}

QPainterPath arc(QPointF center, double radius, double from, double to) {
    constexpr double turn = 2 * std::numbers::pi;
    double sweep = to - from;
    // Counter-clockwise to an earlier angle goes the long way round.
    if (sweep < 0)
        sweep = std::fmod(sweep, turn) + turn;
    sweep = std::min(sweep, turn);
    // Qt's arc angles grow clockwise in y-up coordinates. The path starts where Qt's own arc
    // starts: from a point computed otherwise, however near, Qt joins it with a tiny line, and a
    // wide stroke's join there pokes out beyond the cap.
    const QRectF box(center.x() - radius, center.y() - radius, 2 * radius, 2 * radius);
    QPainterPath path;
    path.arcMoveTo(box, -from * degreesPerRadian);
    path.arcTo(box, -from * degreesPerRadian, -sweep * degreesPerRadian);
    return path;
}

QRectF arcArea(QPointF center, double radius, double from, double to, double reach) {
    // The curve's control points lie on or just outside the circle: a little more than needed.
    const QRectF bounds = arc(center, radius, from, to).controlPointRect();
    return bounds.adjusted(-reach, -reach, reach, reach);
}

QRectF square(QPointF center, double side) {
    return {center.x() - side / 2, center.y() - side / 2, side, side};
}

QPainterPath line(QPointF from, QPointF to) {
    QPainterPath path;
    path.moveTo(from);
    path.lineTo(to);
    return path;
}

QPainterPath pill(const QRectF& rect) {
    const double radius = std::min(rect.height() / 2, 14.0);
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

QPainterPath outline(const QPainterPath& path, double width) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    // The raw stroke overlaps itself at joins and caps, which shows when it is stroked in turn.
    return stroker.createStroke(path).simplified();
}

void fill(QPainter& painter, const QPainterPath& path, const QColor& color) {
    Uncleared::settle(painter);
    painter.fillPath(path, color);
}

void stroke(QPainter& painter, const QPainterPath& path, const QColor& color, double width,
            const std::vector<double>& dash) {
    if (width <= 0 || path.isEmpty())
        return;
    Uncleared::settle(painter);
    // Round joins too: nothing stroked reaches further than half the width from its path.
    QPen pen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    if (!dash.empty()) {
        // Qt measures dashes in pen widths; an odd list repeats to make whole on/off pairs.
        QList<qreal> pattern;
        const int n = static_cast<int>(dash.size()) * (dash.size() % 2 == 1 ? 2 : 1);
        pattern.reserve(n);
        for (int i = 0; i < n; ++i)
            pattern.append(std::max(dash[static_cast<size_t>(i) % dash.size()] / width, 1e-3));
        pen.setDashPattern(pattern);
    }
    painter.strokePath(path, pen);
}

void unflip(QPainter& painter, double left, double top) {
    painter.translate(left, top);
    painter.scale(1, -1);
}

}  // namespace tandri::paint
