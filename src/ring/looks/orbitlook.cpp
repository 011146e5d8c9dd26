// SPDX-License-Identifier: MIT
#include "ring/looks/orbitlook.h"

#include <QHash>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "paint/colors.h"
#include "paint/paths.h"
#include "paint/pictures.h"
#include "paint/radialfill.h"
#include "paint/rings.h"
#include "paint/shadows.h"
#include "paint/text.h"
#include "ring/looks/lookparts.h"

namespace tandri {

namespace {

// Tags for what this look caches, so that it never collides with what another look caches.
constexpr quint64 selectionTag = 0x0b17'0003;
constexpr quint64 iconShadowTag = 0x0b17'0004;
constexpr quint64 sunTag = 0x0b17'0006;

// Cache keys must not be 0, which means "do not cache".
template <typename... T>
quint64 keyOf(const T&... parts) {
    return static_cast<quint64>(qHashMulti(0, parts...)) | 1;
}

}  // namespace

QColor OrbitLook::cyan() {
    return QColor(79, 209, 255);
}

QColor OrbitLook::navy() {
    return QColor(14, 20, 40);
}

QColor OrbitLook::deepBlue() {
    return QColor(11, 21, 48);
}

OrbitLook::Star OrbitLook::star(int k, double outerRadius) {
    const double distance = (outerRadius + 10) * ((k * 53) % 100) / 100.0;
    const double angle = k * 2.39;
    return {distance * QPointF(std::cos(angle), std::sin(angle)), k % 7 == 0 ? 1.1 : 0.6};
}

OrbitLook::OrbitLook(bool dark) : dark_(dark) {}

LookBackdrop OrbitLook::backdrop() const {
    return {LookBackdrop::Shape::Veil, BlurMaterial::Popover};
}

QColor OrbitLook::accent() const {
    return cyan();
}

RingLook::IconScale OrbitLook::iconScale() const {
    return {0.86, 1.2};
}

QColor OrbitLook::runningColor() const {
    return dark_ ? paint::white(0.9, 0.9) : paint::white(0.25, 0.85);
}

ColumnColors OrbitLook::column() const {
    return {paint::withAlpha(navy(), 0.95), cyan(), paint::white(1.0), QColor(5, 32, 44),
            paint::white(1.0, 0.2)};
}

void OrbitLook::drawBody(QPainter& painter, const RingScene& scene) const {
    const QPointF c = scene.center;
    const double outer = scene.layout.outerRadius();
    const double r = scene.layout.radius;
    // The sky, the dashed orbits and the sun are computed pixel by pixel straight into each
    // piece drawn. Kept as a bitmap they made later pieces cheaper, but every new ring size
    // then cleared, filled, scanned and copied a bitmap of about a million pixels first.
    drawStill(painter, *scene.caches, c, outer, r);

    if (scene.selectedApp) {
        const double a = scene.layout.angle(*scene.selectedApp);
        const double half = 0.9 * scene.layout.step();
        paint::glow(
            painter, *scene.caches, cyan(), 10, {},
            [&](QPainter& p) { paint::circleLine(p, c, r, 2.4, cyan(), a - half, a + half); },
            keyOf(selectionTag, r, scene.layout.count, *scene.selectedApp), c);
    }
}

void OrbitLook::drawStill(QPainter& painter, paint::Caches& caches, QPointF c, double outer,
                          double r) const {
    if (dark_) {
        paint::radial(painter, caches,
                      {paint::withAlpha(deepBlue(), 0.85), paint::withAlpha(deepBlue(), 0.55),
                       paint::withAlpha(deepBlue(), 0)},
                      {0, 0.75, 1}, c, 0, outer + 30);
        for (int k = 0; k < starCount; ++k) {
            const Star s = star(k, outer);
            paint::ring(painter, c + s.offset, 0, s.radius, paint::white(1.0, 0.5));
        }
    }

    const double g = orbitGrey();
    paint::circleLine(painter, c, r / 2, 0.8, paint::white(g, 0.18), 0, 0, 1, 5);
    paint::circleLine(painter, c, r, 1, paint::white(g, 0.35), 0, 0, 2, 6);

    paint::glow(
        painter, caches, QColor(255, 181, 71), 22, {},
        [&](QPainter& p) { paint::fill(p, paint::circle(c, 9), QColor(255, 200, 103)); },
        keyOf(sunTag, 0), c);
    paint::glow(
        painter, caches, QColor(255, 227, 163), 8, {},
        [&](QPainter& p) { paint::fill(p, paint::circle(c, 6), QColor(255, 240, 200)); },
        keyOf(sunTag, 1), c);
}

void OrbitLook::drawIcon(QPainter& painter, const RingApp& app, const QRectF& rect, bool selected,
                         const RingScene& scene) const {
    if (app.icon.isNull())
        return;
    // While the ring opens the icons grow from frame to frame; keeping the shadows of those
    // passing sizes would only push the lasting ones out of the cache.
    const double side =
        scene.layout.iconSize * (selected ? iconScale().selected : iconScale().normal);
    const quint64 key =
        std::abs(rect.width() - side) < 0.01
            ? keyOf(iconShadowTag, selected, paint::shapeKey(*scene.caches, app.icon), rect.width(),
                    rect.height())
            : 0;
    paint::glow(
        painter, *scene.caches, selected ? cyan() : paint::white(0.0, 0.5), selected ? 16 : 6, {},
        [&](QPainter& p) { paint::image(p, *scene.caches, app.icon, rect); }, key, rect.center());
}

void OrbitLook::drawRunning(QPainter& painter, int index, bool front,
                            const RingScene& scene) const {
    const double d = 0.62 * scene.layout.iconSize;
    const double diagonal = std::numbers::sqrt2 / 2;
    const QPointF moon = scene.iconCenter(index) + QPointF(d * diagonal, d * diagonal);
    paint::ring(painter, moon, 0, front ? 2.6 : 1.9, runningColor());
}

void OrbitLook::drawBadge(QPainter& painter, const QString& text, QPointF point,
                          const RingScene& /*scene*/) const {
    const QPainterPath disc = paint::circle(point, 8.5);
    paint::fill(painter, disc, dark_ ? QColor(20, 32, 63) : paint::white(1.0));
    paint::stroke(painter, disc, cyan(), 1.2);
    paint::text(painter, text, QRectF(point.x() - 8.5, point.y() - 6.5, 17, 13), 10, QFont::Bold,
                dark_ ? cyan() : QColor(10, 92, 138), Qt::AlignCenter);
}

void OrbitLook::drawMore(QPainter& painter, int count, const QRectF& rect,
                         const RingScene& /*scene*/) const {
    QPainterPath oval;
    oval.addEllipse(rect.adjusted(rect.width() * 0.12, rect.height() * 0.12, -rect.width() * 0.12,
                                  -rect.height() * 0.12));
    paint::fill(painter, oval, paint::withAlpha(navy(), 0.9));
    paint::stroke(painter, oval, cyan(), 1.2, {2, 3});
    paint::text(painter, QStringLiteral("+%1").arg(count), rect, 0.3 * rect.height(), QFont::Bold,
                paint::white(1.0), Qt::AlignCenter);
}

void OrbitLook::drawOverlay(QPainter& /*painter*/, const RingScene& /*scene*/) const {}

void OrbitLook::drawCenter(QPainter& painter, const RingScene& scene) const {
    // The sun is the emblem; the name goes below it, a window card just under the middle.
    const bool card = scene.windowTitle.has_value();
    const double hole = scene.layout.holeRadius();
    const QColor fill = dark_ ? paint::withAlpha(deepBlue(), 0.85) : paint::white(0.1, 0.8);
    LookParts::label(
        painter, scene, scene.center - QPointF(0, card ? 6 : 26), hole * (card ? 1.85 : 1.7),
        paint::white(1.0), paint::white(1.0, 0.6), std::nullopt,
        [&fill](QPainter& p, const QRectF& rect) { paint::fill(p, paint::pill(rect), fill); });
}

void OrbitLook::drawArcTrack(QPainter& painter, double from, double to, bool /*items*/,
                             const RingScene& scene) const {
    const double g = orbitGrey();
    paint::circleLine(painter, scene.center, scene.arcRadius, 0.8, paint::white(g, 0.25), 0, 0, 2,
                      6);
    if (to > from) {
        paint::circleLine(painter, scene.center, scene.arcRadius, 1, paint::white(g, 0.35), from,
                          to, 2, 6);
    }
}

void OrbitLook::drawArcSelection(QPainter& painter, const QRectF& rect,
                                 const RingScene& scene) const {
    paint::radial(painter, *scene.caches,
                  {paint::withAlpha(cyan(), 0.55), paint::withAlpha(cyan(), 0)}, {0, 1},
                  rect.center(), 0, rect.width());
}

QPainterPath OrbitLook::drawCardFrame(QPainter& painter, const QRectF& rect, bool selected,
                                      const RingScene& scene) const {
    if (selected)
        return LookParts::plainCard(painter, *scene.caches, rect, navy(), cyan(), 20, 0);
    return LookParts::plainCard(painter, *scene.caches, rect, navy(), paint::white(0.0, 0.45), 6,
                                0);
}

void OrbitLook::drawCardBorder(QPainter& painter, const QPainterPath& path, bool selected,
                               const RingScene& /*scene*/) const {
    if (selected)
        paint::stroke(painter, path, cyan(), 2.2);
    else
        paint::stroke(painter, path, paint::white(1.0, 0.3), 0.8);
}

QRectF OrbitLook::selectionArea(QPointF center, const RingLayout& layout, int index) const {
    const double a = layout.angle(index);
    const double half = 0.9 * layout.step();
    // The line's half width and its glow of 10.
    return paint::arcArea(center, layout.radius, a - half, a + half, 1.2 + 1.5 * 10 + 2);
}

}  // namespace tandri
