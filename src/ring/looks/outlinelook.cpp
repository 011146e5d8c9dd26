// SPDX-License-Identifier: MIT
#include "ring/looks/outlinelook.h"

#include <QHashFunctions>

#include "paint/colors.h"
#include "paint/layers.h"
#include "paint/paths.h"
#include "paint/pictures.h"
#include "paint/rings.h"
#include "paint/text.h"
#include "ring/looks/glasslook.h"
#include "ring/looks/lookparts.h"

namespace tandri {

namespace {

constexpr quint64 trackLayerTag = 0x6f75'7402;

}  // namespace

OutlineLook::OutlineLook(bool dark, const QColor& accent)
    : dark_(dark), accent_(accent.isValid() ? accent.toRgb() : LookChoice::fallbackAccent) {}

QColor OutlineLook::bodyColor() const {
    return dark_ ? QColor(28, 28, 30) : paint::white(1.0);
}

QColor OutlineLook::lineColor() const {
    return dark_ ? paint::white(1.0, 0.45) : paint::white(0.0, 0.35);
}

QColor OutlineLook::ink() const {
    return paint::white(dark_ ? 1.0 : 0.0);
}

LookBackdrop OutlineLook::backdrop() const {
    return {LookBackdrop::Shape::None, BlurMaterial::Popover};
}

QColor OutlineLook::accent() const {
    return accent_;
}

RingLook::IconScale OutlineLook::iconScale() const {
    return {0.86, 1.05};
}

QColor OutlineLook::runningColor() const {
    return paint::withAlpha(ink(), 0.6);
}

ColumnColors OutlineLook::column() const {
    return {bodyColor(), accent_, ink(), paint::white(1.0), lineColor()};
}

void OutlineLook::drawBody(QPainter& painter, const RingScene& scene) const {
    const QPointF c = scene.center;
    const double outer = scene.layout.outerRadius();
    const double radius = scene.layout.radius;
    const QColor body = bodyColor();
    const QColor line = lineColor();
    // Computed straight into the frame: at this size a bitmap kept between frames costs more to
    // fill, scan and copy on the first frame than drawing saves on later ones.
    paint::ring(painter, c, 0, outer, body);
    paint::circleLine(painter, c, outer, 1, line);
    paint::circleLine(painter, c, radius, 1, paint::withAlpha(line, 0.5));
    if (scene.selectedApp) {
        const double a = scene.layout.angle(*scene.selectedApp);
        const double half = scene.layout.step() / 2;
        paint::circleLine(painter, c, outer - 0.5, 3.5, accent_, a - half, a + half);
    }
}

void OutlineLook::drawIcon(QPainter& painter, const RingApp& app, const QRectF& rect, bool selected,
                           const RingScene& scene) const {
    if (selected) {
        // Sized from the layout, so it stays clear of the icon scaled by only 1.05.
        const QPainterPath disc = paint::circle(rect.center(), 0.64 * scene.layout.iconSize);
        paint::fill(painter, disc, bodyColor());
        paint::stroke(painter, disc, accent_, 2.5);
    }
    paint::image(painter, *scene.caches, app.icon, rect);
}

void OutlineLook::drawRunning(QPainter& painter, int index, bool front,
                              const RingScene& scene) const {
    const QPointF dot = paint::at(scene.center, scene.layout.angle(index),
                                  scene.layout.radius - scene.layout.iconSize / 2 - 6);
    paint::ring(painter, dot, 0, front ? 2.4 : 1.7, paint::withAlpha(ink(), front ? 1.0 : 0.6));
}

void OutlineLook::drawBadge(QPainter& painter, const QString& text, QPointF point,
                            const RingScene& /*scene*/) const {
    GlassLook::drawAccentBadge(painter, text, point, accent_);
}

void OutlineLook::drawMore(QPainter& painter, int count, const QRectF& rect,
                           const RingScene& /*scene*/) const {
    const double dx = rect.width() * 0.1;
    const double dy = rect.height() * 0.1;
    QPainterPath oval;
    oval.addEllipse(rect.adjusted(dx, dy, -dx, -dy));
    paint::fill(painter, oval, bodyColor());
    paint::stroke(painter, oval, lineColor(), 1);
    paint::text(painter, QStringLiteral("+%1").arg(count), rect, 0.32 * rect.height(), QFont::Bold,
                ink(), Qt::AlignHCenter);
}

void OutlineLook::drawOverlay(QPainter& /*painter*/, const RingScene& /*scene*/) const {}

void OutlineLook::drawCenter(QPainter& painter, const RingScene& scene) const {
    if (!scene.selectedName()) {
        paint::fill(painter, paint::circle(scene.center, 3), paint::withAlpha(ink(), 0.7));
        return;
    }
    LookParts::label(painter, scene, scene.center, scene.layout.holeRadius() * 1.7, ink(),
                     paint::withAlpha(ink(), 0.6), std::nullopt, {});
}

void OutlineLook::drawArcTrack(QPainter& painter, double from, double to, bool items,
                               const RingScene& scene) const {
    if (!items) {
        paint::circleLine(painter, scene.center, scene.arcRadius, 1, lineColor(), from - 0.1,
                          to + 0.1);
        return;
    }
    const QPainterPath arc = paint::arc(scene.center, scene.arcRadius, from, to);
    const QColor body = bodyColor();
    const QColor line = lineColor();
    // The band is costly to outline and fill, and stays put while the chips are shown.
    paint::layer(painter, *scene.caches,
                 qHashMulti(trackLayerTag, from, to, scene.arcRadius, dark_) | 1,
                 arc.controlPointRect().adjusted(-30, -30, 30, 30), scene.center,
                 [arc, body, line](QPainter& p) {
                     const QPainterPath band = paint::outline(arc, 56);
                     paint::fill(p, band, body);
                     paint::stroke(p, band, line, 1);
                 });
}

void OutlineLook::drawArcSelection(QPainter& painter, const QRectF& rect,
                                   const RingScene& /*scene*/) const {
    paint::stroke(painter, paint::circle(rect.center(), rect.width() / 2 + 4), accent_, 2.5);
}

QPainterPath OutlineLook::drawCardFrame(QPainter& painter, const QRectF& rect, bool /*selected*/,
                                        const RingScene& /*scene*/) const {
    QPainterPath card;
    card.addRoundedRect(rect, 8, 8);
    paint::fill(painter, card, bodyColor());
    return card;
}

void OutlineLook::drawCardBorder(QPainter& painter, const QPainterPath& path, bool selected,
                                 const RingScene& /*scene*/) const {
    if (selected)
        paint::stroke(painter, path, accent_, 2.5);
    else
        paint::stroke(painter, path, lineColor(), 1);
}

QRectF OutlineLook::selectionArea(QPointF center, const RingLayout& layout, int index) const {
    const double a = layout.angle(index);
    const double half = layout.step() / 2;
    const QRectF disc =
        paint::square(paint::at(center, a, layout.radius), 1.28 * layout.iconSize + 6);
    return paint::arcArea(center, layout.outerRadius() - 0.5, a - half, a + half, 3).united(disc);
}

}  // namespace tandri
