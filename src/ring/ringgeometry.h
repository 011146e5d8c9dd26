// SPDX-License-Identifier: MIT
#pragma once

#include <QPointF>
#include <QRectF>
#include <algorithm>
#include <cmath>

// Small geometry helpers in the program's coordinates (y grows upward, so a QRectF's y() is its
// minimum y and y() + height() its maximum).
namespace tandri::geometry {

inline double minX(const QRectF& r) {
    return r.x();
}
inline double maxX(const QRectF& r) {
    return r.x() + r.width();
}
inline double minY(const QRectF& r) {
    return r.y();
}
inline double maxY(const QRectF& r) {
    return r.y() + r.height();
}

inline double distance(QPointF a, QPointF b) {
    return std::hypot(a.x() - b.x(), a.y() - b.y());
}

/// Whether a point lies in a rect: minimum edges included, maximum edges excluded.
inline bool contains(const QRectF& r, QPointF p) {
    return p.x() >= minX(r) && p.x() < maxX(r) && p.y() >= minY(r) && p.y() < maxY(r);
}

/// Whether the pointer is in a screen's frame (the edge at the bottom belongs to the screen below).
inline bool mouseInRect(QPointF p, const QRectF& r) {
    return p.x() >= minX(r) && p.x() < maxX(r) && p.y() > minY(r) && p.y() <= maxY(r);
}

/// Distance from a point to a rect; 0 inside.
inline double distanceToRect(QPointF p, const QRectF& r) {
    const double dx = std::max({minX(r) - p.x(), 0.0, p.x() - maxX(r)});
    const double dy = std::max({minY(r) - p.y(), 0.0, p.y() - maxY(r)});
    return std::hypot(dx, dy);
}

/// The rect grown by `d` on every side.
inline QRectF grown(const QRectF& r, double d) {
    return r.adjusted(-d, -d, d, d);
}

/// Union that ignores empty rects.
inline QRectF united(const QRectF& a, const QRectF& b) {
    if (a.isEmpty())
        return b;
    if (b.isEmpty())
        return a;
    return a.united(b);
}

}  // namespace tandri::geometry
