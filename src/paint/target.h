// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QRect>
#include <optional>

namespace tandri::paint {

/// Where a round shape is computed pixel by pixel: a premultiplied bitmap seen at an upright,
/// uniform scale.
///
/// Qt rasterises a large antialiased circle scanline by scanline and hands every few hundred
/// spans to its thread pool: a ring this size costs milliseconds, most of them spent waking
/// threads. Where the painter draws straight into a premultiplied bitmap at an upright, uniform
/// scale (the ring's layers and frames), a round shape's coverage follows from each pixel's
/// distance to the centre, which is far cheaper.
struct Target {
    QImage* image = nullptr;
    /// The centre in device pixels.
    double cx = 0;
    double cy = 0;
    /// Device pixels per view unit.
    double scale = 1;
    /// +1 or −1: how the device's axes run against the view's.
    double sx = 1;
    double sy = 1;
    /// The painter's opacity, 0 to 255.
    uint opacity = 255;
    /// The pixels that may change.
    QRect area;

    /// The painter's bitmap as a target for shapes around `center`, or nothing where the
    /// painter draws anywhere else, clips, blends otherwise or does not antialias.
    static std::optional<Target> of(QPainter& painter, QPointF center);
    /// The device pixels within `margin` of the arc of radius r (device pixels) from `from`
    /// counter-clockwise by `sweepAngle`.
    QRect arcBounds(double r, double from, double sweepAngle, double margin) const;
};

}  // namespace tandri::paint
