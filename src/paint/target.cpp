// SPDX-License-Identifier: MIT
#include "paint/target.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tandri::paint {

std::optional<Target> Target::of(QPainter& painter, QPointF center) {
    if (!painter.isActive() || painter.hasClipping() ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver ||
        !painter.testRenderHint(QPainter::Antialiasing)) {
        return std::nullopt;
    }
    QPaintDevice* device = painter.device();
    if (!device || device->devType() != QInternal::Image)
        return std::nullopt;
    auto* image = static_cast<QImage*>(device);
    if (image->format() != QImage::Format_ARGB32_Premultiplied)
        return std::nullopt;
    const QTransform t = painter.deviceTransform();
    if (t.type() > QTransform::TxScale || std::abs(std::abs(t.m11()) - std::abs(t.m22())) > 1e-9 ||
        t.m11() == 0) {
        return std::nullopt;
    }
    const QPointF c = t.map(center);
    const double opacity = std::clamp(painter.opacity(), 0.0, 1.0);
    return Target{image,
                  c.x(),
                  c.y(),
                  std::abs(t.m11()),
                  t.m11() < 0 ? -1.0 : 1.0,
                  t.m22() < 0 ? -1.0 : 1.0,
                  static_cast<uint>(std::lround(opacity * 255)),
                  image->rect()};
}

QRect Target::arcBounds(double r, double from, double sweepAngle, double margin) const {
    constexpr double turn = 2 * std::numbers::pi;
    const QPointF start(sx * r * std::cos(from), sy * r * std::sin(from));
    const double end = from + sweepAngle;
    const QPointF finish(sx * r * std::cos(end), sy * r * std::sin(end));
    double x0 = std::min(start.x(), finish.x());
    double x1 = std::max(start.x(), finish.x());
    double y0 = std::min(start.y(), finish.y());
    double y1 = std::max(start.y(), finish.y());
    for (int quarter = 0; quarter < 4; ++quarter) {
        // The circle's extremes that the arc passes.
        const double a = quarter * turn / 4;
        double rel = a - from;
        rel -= std::floor(rel / turn) * turn;
        if (rel <= sweepAngle) {
            x0 = std::min(x0, sx * r * std::cos(a));
            x1 = std::max(x1, sx * r * std::cos(a));
            y0 = std::min(y0, sy * r * std::sin(a));
            y1 = std::max(y1, sy * r * std::sin(a));
        }
    }
    return QRect(QPoint(static_cast<int>(std::floor(cx + x0 - margin)),
                        static_cast<int>(std::floor(cy + y0 - margin))),
                 QPoint(static_cast<int>(std::ceil(cx + x1 + margin)),
                        static_cast<int>(std::ceil(cy + y1 + margin))));
}

}  // namespace tandri::paint
