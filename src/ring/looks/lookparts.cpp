// SPDX-License-Identifier: MIT
#include "ring/looks/lookparts.h"

#include <QFontMetricsF>
#include <QHashFunctions>
#include <algorithm>

#include "paint/shadows.h"
#include "paint/text.h"

namespace tandri::LookParts {

void label(QPainter& painter, const RingScene& scene, QPointF point, double maxWidth,
           const QColor& color, const QColor& secondary, const std::optional<QFont>& font,
           const std::function<void(QPainter&, const QRectF&)>& background) {
    const std::optional<QString> name = scene.selectedName();
    if (!name)
        return;
    const QPaintDevice* device = painter.device();
    if (scene.windowTitle) {
        const QRectF card(point.x() - maxWidth / 2, point.y() - 30, maxWidth, 60);
        if (background)
            background(painter, card);
        const std::optional<QFont> nameFont =
            font ? std::optional<QFont>(paint::resized(*font, 10, device)) : std::nullopt;
        paint::text(painter, *name,
                    QRectF(card.x() + 10, card.y() + card.height() - 22, card.width() - 20, 14), 10,
                    QFont::Medium, secondary, Qt::AlignHCenter, 1, nameFont);
        paint::text(painter, *scene.windowTitle,
                    QRectF(card.x() + 10, card.y() + 6, card.width() - 20, 32), 12, QFont::DemiBold,
                    color, Qt::AlignHCenter, 2, font);
        return;
    }
    const QFont chosen = font ? *font : paint::font(12, QFont::DemiBold, device);
    const QFontMetricsF metrics = device ? QFontMetricsF(chosen, device) : QFontMetricsF(chosen);
    const double width = std::min(metrics.horizontalAdvance(*name) + 28, maxWidth);
    const QRectF card(point.x() - width / 2, point.y() - 13, width, 26);
    if (background)
        background(painter, card);
    paint::text(painter, *name, card.adjusted(12, 0, -12, 0), 12, QFont::DemiBold, color,
                Qt::AlignHCenter, 1, chosen);
}

QPainterPath plainCard(QPainter& painter, paint::Caches& caches, const QRectF& rect,
                       const QColor& fill, const QColor& shadow, double blur, double offsetY) {
    QPainterPath path;
    path.addRoundedRect(rect, 8, 8);
    const quint64 key =
        qHashMulti(0x9c4e0001ULL, rect.width(), rect.height(), quint64(fill.rgba64())) | 1;
    paint::glow(
        painter, caches, shadow, blur, QPointF(0, offsetY),
        [&path, &fill](QPainter& p) { p.fillPath(path, fill); }, key, rect.topLeft());
    return path;
}

}  // namespace tandri::LookParts
