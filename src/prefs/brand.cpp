// SPDX-License-Identifier: MIT
#include "prefs/brand.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <numbers>

namespace tandri::Brand {

QImage menuBarImage(double scale) {
    constexpr double side = 18;
    const int pixels = static_cast<int>(std::lround(side * scale));
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(scale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn with y up, so that angles run counter-clockwise as in the rest of the program.
    painter.translate(0, side);
    painter.scale(1, -1);
    const QPointF center(side / 2, side / 2);
    constexpr double radius = 6.3;
    constexpr double pi = std::numbers::pi;
    // The ring runs from 0.42π to 2.08π, leaving a gap centred on 45°.
    constexpr double from = 0.42 * pi;
    constexpr double to = 2.08 * pi;
    QPainterPath ring;
    ring.moveTo(center + radius * QPointF(std::cos(from), std::sin(from)));
    // Qt's arc angles grow clockwise in y-up coordinates.
    ring.arcTo(QRectF(center.x() - radius, center.y() - radius, 2 * radius, 2 * radius),
               -from * 180 / pi, -(to - from) * 180 / pi);
    QPen pen(Qt::black, 1.8);
    pen.setCapStyle(Qt::RoundCap);
    painter.strokePath(ring, pen);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    const QPointF gapDot = center + radius * QPointF(std::cos(pi / 4), std::sin(pi / 4));
    painter.drawEllipse(gapDot, 1.9, 1.9);
    painter.drawEllipse(center, 1.5, 1.5);
    return image;
}

}  // namespace tandri::Brand
