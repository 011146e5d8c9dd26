// SPDX-License-Identifier: MIT
#pragma once

#include <QPainter>
#include <QRectF>
#include <QTransform>
#include <functional>

namespace tandri::paint {

/// The device pixels that `body` would touch if it drew with the painter's settings and the
/// given transform, measured without drawing (shadows are blurred and kept as when drawn).
QRectF covered(const QPainter& like, const QTransform& transform,
               const std::function<void(QPainter&)>& body);
/// Carries over to `to` what a drawing body may rely on without setting it itself: render
/// hints, font, pen and brush.
void copyState(const QPainter& from, QPainter& to);

}  // namespace tandri::paint
