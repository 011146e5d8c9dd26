// SPDX-License-Identifier: MIT
#include "ring/looks/quiblook.h"

#include <QHash>

#include "paint/colors.h"
#include "paint/paths.h"
#include "paint/pictures.h"
#include "paint/rings.h"
#include "paint/shadows.h"
#include "paint/text.h"
#include "ring/looks/lookparts.h"

namespace tandri {

namespace {

// Tags for what this look caches, so that it never collides with what another look caches.
constexpr quint64 labelShadowTag = 0x9b1b'0001;

// Cache keys must not be 0, which means "do not cache".
template <typename... T>
quint64 keyOf(const T&... parts) {
    return static_cast<quint64>(qHashMulti(0, parts...)) | 1;
}

}  // namespace

QColor QuibLook::green() {
    return QColor::fromRgbF(0.55f, 0.8f, 0.27f);
}

QuibLook::QuibLook(RingBackground background) : background_(background) {}

LookBackdrop QuibLook::backdrop() const {
    return LookBackdrop::chosen(background_);
}

QColor QuibLook::accent() const {
    return green();
}

RingLook::IconScale QuibLook::iconScale() const {
    return {1.0, 1.18};
}

QColor QuibLook::runningColor() const {
    return paint::white(1.0, 0.6);
}

ColumnColors QuibLook::column() const {
    return {paint::white(0.13, 0.94), green(), paint::white(1.0), paint::white(0.06),
            paint::white(1.0, 0.12)};
}

void QuibLook::drawBody(QPainter& painter, const RingScene& scene) const {
    const QPointF c = scene.center;
    const double outer = scene.layout.outerRadius();
    const double hole = scene.layout.holeRadius();
    // Computed straight into the frame: at this size a bitmap kept between frames costs more to
    // fill, scan and copy on the first frame than drawing saves on later ones.
    paint::circleLine(painter, c, outer - 0.5, 1.5, paint::withAlpha(green(), 0.55));
    paint::ring(painter, c, 0, hole, paint::white(1.0, 0.1));
    if (scene.selectedApp) {
        const double a = scene.layout.angle(*scene.selectedApp);
        const double half = 0.55 * scene.layout.step() / 2;
        paint::circleLine(painter, c, outer - 3, 4, green(), a - half, a + half);
    }
}

void QuibLook::drawIcon(QPainter& painter, const RingApp& app, const QRectF& rect,
                        bool /*selected*/, const RingScene& scene) const {
    paint::image(painter, *scene.caches, app.icon, rect);
}

void QuibLook::drawRunning(QPainter& painter, int index, bool front, const RingScene& scene) const {
    const QPointF dot = paint::at(scene.center, scene.layout.angle(index),
                                  scene.layout.radius - scene.layout.iconSize / 2 - 4);
    paint::ring(painter, dot, 0, front ? 2.4 : 1.7, paint::white(1.0, front ? 0.95 : 0.5));
}

void QuibLook::drawBadge(QPainter& painter, const QString& text, QPointF point,
                         const RingScene& /*scene*/) const {
    paint::fill(painter, paint::circle(point, 10), paint::white(0.1));
    paint::fill(painter, paint::circle(point, 8.5), green());
    paint::text(painter, text, QRectF(point.x() - 8.5, point.y() - 6.5, 17, 13), 10, QFont::Bold,
                paint::white(0.08), Qt::AlignCenter);
}

void QuibLook::drawMore(QPainter& painter, int count, const QRectF& rect,
                        const RingScene& /*scene*/) const {
    QPainterPath oval;
    oval.addEllipse(rect.adjusted(rect.width() * 0.08, rect.height() * 0.08, -rect.width() * 0.08,
                                  -rect.height() * 0.08));
    paint::fill(painter, oval, paint::white(1.0, 0.16));
    paint::stroke(painter, oval, paint::white(1.0, 0.35), 1);
    paint::text(painter, QStringLiteral("+%1").arg(count), rect, 0.32 * rect.height(), QFont::Bold,
                paint::white(1.0), Qt::AlignCenter);
}

void QuibLook::drawOverlay(QPainter& /*painter*/, const RingScene& /*scene*/) const {}

void QuibLook::drawCenter(QPainter& painter, const RingScene& scene) const {
    if (!scene.selectedName()) {
        paint::fill(painter, paint::circle(scene.center, 3.5), paint::white(1.0, 0.9));
        return;
    }
    // Over the dark disc the name reads without a pill of its own.
    const bool pill = background_ != RingBackground::Disc;
    LookParts::label(painter, scene, scene.center, scene.layout.holeRadius() * 1.7 + 20,
                     paint::white(1.0), paint::white(1.0, 0.6), std::nullopt,
                     [pill, &scene](QPainter& p, const QRectF& card) {
                         if (!pill)
                             return;
                         paint::glow(
                             p, *scene.caches, paint::white(0.0, 0.35), 10, {},
                             [&card](QPainter& q) {
                                 paint::fill(q, paint::pill(card), paint::white(0.08, 0.82));
                             },
                             keyOf(labelShadowTag, card.width(), card.height()), card.center());
                     });
}

void QuibLook::drawArcTrack(QPainter& painter, double from, double to, bool items,
                            const RingScene& scene) const {
    if (!items)
        return;
    paint::stroke(painter, paint::arc(scene.center, scene.arcRadius, from, to),
                  paint::white(0.1, 0.88), 56);
}

void QuibLook::drawArcSelection(QPainter& painter, const QRectF& rect,
                                const RingScene& /*scene*/) const {
    paint::fill(painter, paint::circle(rect.center(), rect.width() / 2 + 5),
                paint::withAlpha(green(), 0.9));
}

QPainterPath QuibLook::drawCardFrame(QPainter& painter, const QRectF& rect, bool selected,
                                     const RingScene& scene) const {
    return LookParts::plainCard(painter, *scene.caches, rect, paint::white(0.16),
                                paint::white(0.0, selected ? 0.6 : 0.35), selected ? 20 : 8,
                                selected ? -6 : -2);
}

void QuibLook::drawCardBorder(QPainter& painter, const QPainterPath& path, bool selected,
                              const RingScene& /*scene*/) const {
    if (selected) {
        QPainterPath ring;
        ring.addRoundedRect(path.boundingRect().adjusted(-1.5, -1.5, 1.5, 1.5), 9.5, 9.5);
        paint::stroke(painter, ring, green(), 3);
    } else {
        paint::stroke(painter, path, paint::white(1.0, 0.28), 1);
    }
}

QRectF QuibLook::selectionArea(QPointF center, const RingLayout& layout, int index) const {
    const double a = layout.angle(index);
    const double half = 0.55 * layout.step() / 2;
    return paint::arcArea(center, layout.outerRadius() - 3, a - half, a + half, 4);
}

}  // namespace tandri
