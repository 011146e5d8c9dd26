// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <functional>
#include <optional>

#include "paint/caches.h"
#include "ring/ringscene.h"

// What several looks draw alike.
namespace tandri::LookParts {

/// The centre label of the aimed entry: a two-line card with the window title, else a pill with
/// the name. Nothing when no entry is aimed.
void label(QPainter& painter, const RingScene& scene, QPointF point, double maxWidth,
           const QColor& color, const QColor& secondary, const std::optional<QFont>& font,
           const std::function<void(QPainter&, const QRectF&)>& background);
/// A rounded rectangle (radius 8) filled under a shadow; returns it as the thumbnail clip.
QPainterPath plainCard(QPainter& painter, paint::Caches& caches, const QRectF& rect,
                       const QColor& fill, const QColor& shadow, double blur, double offsetY);

}  // namespace tandri::LookParts
