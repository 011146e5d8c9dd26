// SPDX-License-Identifier: MIT
#include "ring/looks/glasslook.h"

#include <QHashFunctions>
#include <cmath>
#include <numbers>

#include "paint/colors.h"
#include "paint/layers.h"
#include "paint/paths.h"
#include "paint/pictures.h"
#include "paint/rings.h"
#include "paint/shadows.h"
#include "paint/text.h"
#include "ring/looks/lookparts.h"

namespace tandri {

namespace {

constexpr double degree = std::numbers::pi / 180;

// Tags keep this look's cached shadows apart from every other shape's.
constexpr quint64 iconShadowTag = 0x6c61'7301;
constexpr quint64 lensShadowTag = 0x6c61'7302;
constexpr quint64 pillShadowTag = 0x6c61'7303;
constexpr quint64 selectionShadowTag = 0x6c61'7304;
constexpr quint64 cardShadowTag = 0x6c61'7305;
constexpr quint64 trackLayerTag = 0x6c61'7307;
constexpr quint64 lensLayerTag = 0x6c61'7308;

template <typename... T>
quint64 shadowKey(quint64 tag, const T&... parts) {
    return qHashMulti(tag, parts...) | 1;  // never 0, which means "not cached"
}

}  // namespace

GlassLook::GlassLook(bool dark, const QColor& accent)
    : dark_(dark), accent_(accent.isValid() ? accent.toRgb() : LookChoice::fallbackAccent) {}

LookBackdrop GlassLook::backdrop() const {
    return {LookBackdrop::Shape::Band, BlurMaterial::Popover};
}

QColor GlassLook::accent() const {
    return accent_;
}

RingLook::IconScale GlassLook::iconScale() const {
    return {0.9, 1.2};
}

QColor GlassLook::runningColor() const {
    return paint::white(dark_ ? 1.0 : 0.15, 0.75);
}

ColumnColors GlassLook::column() const {
    return {dark_ ? paint::white(0.18, 0.92) : paint::white(1.0, 0.92), accent_, ink(),
            paint::white(1.0), paint::white(dark_ ? 1.0 : 0.0, 0.15)};
}

QColor GlassLook::ink() const {
    return dark_ ? paint::white(1.0) : paint::white(0.08);
}

void GlassLook::drawBody(QPainter& painter, const RingScene& scene) const {
    const QPointF c = scene.center;
    const double outer = scene.layout.outerRadius();
    const double hole = scene.layout.holeRadius();
    const bool dark = dark_;
    // Computed straight into the frame: at this size a bitmap kept between frames costs more to
    // fill, scan and copy on the first frame than drawing saves on later ones.
    paint::ring(painter, c, hole, outer, paint::white(1.0, dark ? 0.1 : 0.42));
    // Light falls from above: a bright upper rim, a faint lower one, and a lit inner edge below.
    paint::circleLine(painter, c, outer - 0.5, 1.3, paint::white(1.0, dark ? 0.55 : 0.95),
                      27 * degree, 153 * degree);
    paint::circleLine(painter, c, outer - 0.5, 1.0, paint::white(1.0, dark ? 0.12 : 0.5),
                      207 * degree, 333 * degree);
    paint::circleLine(painter, c, hole + 0.5, 1.1, paint::white(1.0, dark ? 0.4 : 0.9),
                      207 * degree, 333 * degree);
    paint::circleLine(painter, c, outer, 0.6,
                      dark ? paint::white(0.0, 0.35) : paint::white(0.3, 0.18));
}

void GlassLook::drawIcon(QPainter& painter, const RingApp& app, const QRectF& rect, bool selected,
                         const RingScene& scene) const {
    if (!selected) {
        const QImage& icon = app.icon;
        // Icons grow every frame while the ring opens; caching those shadows would only push
        // the settled ones out.
        const bool settled =
            std::abs(rect.width() - iconScale().normal * scene.layout.iconSize) < 1e-6;
        paint::glow(
            painter, *scene.caches, paint::white(0.0, 0.25), 4, QPointF(0, -1),
            [&icon, &rect, &scene](QPainter& p) { paint::image(p, *scene.caches, icon, rect); },
            settled ? shadowKey(iconShadowTag, paint::shapeKey(*scene.caches, icon), rect.width(),
                                rect.height())
                    : 0,
            rect.topLeft());
        return;
    }
    // The lens follows the layout's icon size, not the magnified rect.
    const double radius = lensRadius(scene.layout.iconSize);
    const QPointF c = rect.center();
    const QRectF bounds(c.x() - radius - 30, c.y() - radius - 30, 2 * radius + 60, 2 * radius + 60);
    const QColor accent = accent_;
    const bool dark = dark_;
    // Lens shapes are costly at this size and the same wherever the lens goes; they are kept
    // as two bitmaps, below and above the icon.
    paint::layer(painter, *scene.caches,
                 shadowKey(lensLayerTag, radius, quint64(accent.rgba64()), dark, 0), bounds, c,
                 [c, radius, accent, dark, &scene](QPainter& p) {
                     const QPainterPath lens = paint::circle(c, radius);
                     const QColor tint = paint::withAlpha(accent, 0.25);
                     paint::glow(
                         p, *scene.caches, paint::withAlpha(accent, 0.7), 16, QPointF(),
                         [&lens, &tint](QPainter& q) { paint::fill(q, lens, tint); },
                         shadowKey(lensShadowTag, radius, quint64(tint.rgba64())), c);
                     paint::ring(p, c, 0, radius, paint::white(1.0, dark ? 0.16 : 0.5));
                 });
    paint::image(painter, *scene.caches, app.icon, rect);
    paint::layer(painter, *scene.caches, shadowKey(lensLayerTag, radius, dark, 1), bounds, c,
                 [c, radius, dark](QPainter& p) {
                     paint::circleLine(p, c, radius - 1.5, 2, paint::white(1.0, 0.95), 99 * degree,
                                       171 * degree);
                     paint::circleLine(p, c, radius, 1, paint::white(1.0, dark ? 0.35 : 0.8));
                 });
}

void GlassLook::drawRunning(QPainter& painter, int index, bool front,
                            const RingScene& scene) const {
    // Just inside the icon band, on the hole's side.
    const QPointF dot = paint::at(scene.center, scene.layout.angle(index),
                                  scene.layout.radius - scene.layout.iconSize / 2 - 6);
    paint::ring(painter, dot, 0, front ? 2.4 : 1.7,
                paint::withAlpha(runningColor(), front ? 1.0 : 0.6));
}

void GlassLook::drawAccentBadge(QPainter& painter, const QString& text, QPointF point,
                                const QColor& accent) {
    paint::fill(painter, paint::circle(point, 8.5), accent);
    paint::text(painter, text, QRectF(point.x() - 8.5, point.y() - 6.5, 17, 13), 10, QFont::Bold,
                paint::white(1.0), Qt::AlignHCenter);
}

void GlassLook::drawBadge(QPainter& painter, const QString& text, QPointF point,
                          const RingScene& /*scene*/) const {
    drawAccentBadge(painter, text, point, accent_);
}

void GlassLook::drawMore(QPainter& painter, int count, const QRectF& rect,
                         const RingScene& /*scene*/) const {
    const double dx = rect.width() * 0.08;
    const double dy = rect.height() * 0.08;
    QPainterPath oval;
    oval.addEllipse(rect.adjusted(dx, dy, -dx, -dy));
    paint::fill(painter, oval, paint::white(1.0, dark_ ? 0.16 : 0.6));
    paint::stroke(painter, oval, paint::white(1.0, dark_ ? 0.4 : 0.9), 1);
    paint::text(painter, QStringLiteral("+%1").arg(count), rect, 0.32 * rect.height(), QFont::Bold,
                ink(), Qt::AlignHCenter);
}

void GlassLook::drawOverlay(QPainter& /*painter*/, const RingScene& /*scene*/) const {}

void GlassLook::drawCenter(QPainter& painter, const RingScene& scene) const {
    if (!scene.selectedName()) {
        paint::fill(painter, paint::circle(scene.center, 3), paint::withAlpha(ink(), 0.8));
        return;
    }
    const double hole = scene.layout.holeRadius();
    const bool dark = dark_;
    LookParts::label(
        painter, scene, scene.center, hole * (scene.windowTitle ? 1.85 : 1.7), ink(),
        paint::withAlpha(ink(), 0.6), std::nullopt,
        [dark, &scene](QPainter& p, const QRectF& card) {
            const QPainterPath pill = paint::pill(card);
            const QColor fill = dark ? paint::white(0.12, 0.72) : paint::white(1.0, 0.82);
            paint::glow(
                p, *scene.caches, paint::white(0.0, 0.2), 10, QPointF(0, -2),
                [&pill, &fill](QPainter& q) { paint::fill(q, pill, fill); },
                shadowKey(pillShadowTag, card.width(), card.height(), quint64(fill.rgba64())),
                card.topLeft());
            paint::stroke(p, pill, paint::white(1.0, dark ? 0.35 : 0.9), 0.8);
        });
}

void GlassLook::drawArcTrack(QPainter& painter, double from, double to, bool items,
                             const RingScene& scene) const {
    // Thumbnail cards bring their own frames.
    if (!items)
        return;
    const QPainterPath arc = paint::arc(scene.center, scene.arcRadius, from, to);
    const bool dark = dark_;
    // The band is costly to outline and fill, and stays put while the chips are shown.
    paint::layer(painter, *scene.caches, shadowKey(trackLayerTag, from, to, scene.arcRadius, dark),
                 arc.controlPointRect().adjusted(-30, -30, 30, 30), scene.center,
                 [arc, dark](QPainter& p) {
                     const QPainterPath band = paint::outline(arc, 56);
                     paint::fill(p, band, dark ? paint::white(0.2, 0.6) : paint::white(1.0, 0.65));
                     paint::stroke(p, band, paint::white(1.0, dark ? 0.3 : 0.9), 0.8);
                 });
}

void GlassLook::drawArcSelection(QPainter& painter, const QRectF& rect,
                                 const RingScene& scene) const {
    const double radius = rect.width() / 2 + 6;
    const QPointF c = rect.center();
    const QPainterPath disc = paint::circle(c, radius);
    const QColor tint = paint::withAlpha(accent_, 0.3);
    paint::glow(
        painter, *scene.caches, paint::withAlpha(accent_, 0.7), 12, QPointF(),
        [&disc, &tint](QPainter& p) { paint::fill(p, disc, tint); },
        shadowKey(selectionShadowTag, radius, quint64(tint.rgba64())), c);
    paint::stroke(painter, disc, paint::white(1.0, 0.8), 1);
}

QPainterPath GlassLook::drawCardFrame(QPainter& painter, const QRectF& rect, bool selected,
                                      const RingScene& scene) const {
    QPainterPath outer;
    outer.addRoundedRect(rect.adjusted(-5, -5, 5, 5), 13, 13);
    const QColor shadow = selected ? paint::withAlpha(accent_, 0.65) : paint::white(0.0, 0.3);
    const QColor fill = dark_ ? paint::white(0.22, 0.85) : paint::white(1.0, 0.8);
    paint::glow(
        painter, *scene.caches, shadow, selected ? 22 : 8, QPointF(),
        [&outer, &fill](QPainter& p) { paint::fill(p, outer, fill); },
        shadowKey(cardShadowTag, rect.width(), rect.height(), quint64(fill.rgba64())),
        rect.topLeft());
    paint::stroke(painter, outer, paint::white(1.0, dark_ ? 0.4 : 0.9), 0.8);
    QPainterPath inner;
    inner.addRoundedRect(rect, 9, 9);
    // Shows where the thumbnail does not cover the card.
    paint::fill(painter, inner, paint::white(0.15));
    return inner;
}

void GlassLook::drawCardBorder(QPainter& painter, const QPainterPath& path, bool selected,
                               const RingScene& /*scene*/) const {
    paint::stroke(painter, path, paint::white(1.0, selected ? 0.95 : 0.25), selected ? 2 : 0.6);
}

QRectF GlassLook::selectionArea(QPointF center, const RingLayout& layout, int index) const {
    // The lens and its glow, kept in bitmaps of this size.
    const double radius = lensRadius(layout.iconSize);
    return paint::square(paint::at(center, layout.angle(index), layout.radius), 2 * radius + 60);
}

}  // namespace tandri
