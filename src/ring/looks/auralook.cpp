// SPDX-License-Identifier: MIT
#include "ring/looks/auralook.h"

#include <QConicalGradient>
#include <QHash>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "paint/colors.h"
#include "paint/paths.h"
#include "paint/pictures.h"
#include "paint/radialfill.h"
#include "paint/rings.h"
#include "paint/shadows.h"
#include "paint/steppedarc.h"
#include "paint/text.h"
#include "ring/looks/lookparts.h"

namespace tandri {

namespace {

// Tags for what this look caches, so that it never collides with what another look caches.
constexpr quint64 goldGlowTag = 0xa0a0'0002;
constexpr quint64 dotShadowTag = 0xa0a0'0004;
constexpr quint64 iconShadowTag = 0xa0a0'0005;
constexpr quint64 labelShadowTag = 0xa0a0'0006;

// Cache keys must not be 0, which means "do not cache".
template <typename... T>
quint64 keyOf(const T&... parts) {
    return static_cast<quint64>(qHashMulti(0, parts...)) | 1;
}

// A segment casting at less than this leaves less than half a level of 255 after the blur.
constexpr double leastCast = 0.02;

// One piece of a segmented line on a circle: where it runs, its width, the alpha of its stroke
// and the alpha of the shadow colour under it.
struct Segment {
    double from = 0;
    double to = 0;
    double width = 0;
    double alpha = 0;
    double shadowAlpha = 0;
};

// Stroked on its own, a segment of `length` overlaps the next by `overlap` and has round caps, so
// it covers more than its share of the line: the width a band of `length` needs to cover as much.
double castingWidth(double length, double overlap, double width) {
    return ((length + overlap) * width + std::numbers::pi / 4 * width * width) / length;
}

// Consecutive segments as one shape: their bands joined by radial steps where the width changes,
// with round ends. Stroked one by one, translucent pieces would overlap where they meet (their
// round caps, or the small overlap that hides seams between separate strokes) and string
// brighter beads along the line; one shape has no seams to hide.
QPainterPath bandShape(QPointF center, double radius, const std::vector<Segment>& segments) {
    QPainterPath path;
    if (segments.empty())
        return path;
    constexpr double degrees = 180 / std::numbers::pi;
    // Qt's arc angles run clockwise in y-up coordinates.
    const auto arcTo = [&path](QPointF around, double r, double from, double sweep) {
        path.arcTo(QRectF(around.x() - r, around.y() - r, 2 * r, 2 * r), -from * degrees,
                   -sweep * degrees);
    };
    const Segment& first = segments.front();
    const Segment& last = segments.back();
    path.moveTo(paint::at(center, first.from, radius - first.width / 2));
    // The round start: half a disc bulging backward along the circle.
    arcTo(paint::at(center, first.from, radius), first.width / 2, first.from + std::numbers::pi,
          std::numbers::pi);
    for (const Segment& s : segments) {
        path.lineTo(paint::at(center, s.from, radius + s.width / 2));
        arcTo(center, radius + s.width / 2, s.from, s.to - s.from);
    }
    arcTo(paint::at(center, last.to, radius), last.width / 2, last.to, std::numbers::pi);
    for (auto it = segments.rbegin(); it != segments.rend(); ++it) {
        const auto& s = *it;
        path.lineTo(paint::at(center, s.to, radius - s.width / 2));
        arcTo(center, radius - s.width / 2, s.to, s.from - s.to);
    }
    path.closeSubpath();
    return path;
}

// Fills the band of the segments, each piece at the alpha `alphaOf` gives it, with one angular
// gradient whose stops change at the seams.
template <typename AlphaOf>
void fillBand(QPainter& painter, QPointF center, const QPainterPath& shape, const QColor& color,
              const std::vector<Segment>& segments, AlphaOf alphaOf) {
    if (segments.empty())
        return;
    constexpr double turn = 2 * std::numbers::pi;
    // The gradient's position grows clockwise from its start angle (in y-up coordinates);
    // starting a little past the last segment keeps the round end inside the first stop.
    const double start = segments.back().to + 0.2;
    QConicalGradient gradient(center, -start * 180 / std::numbers::pi);
    const auto position = [start](double angle) {
        return std::clamp((start - angle) / turn, 0.0, 1.0);
    };
    constexpr double seam = 1e-5;
    for (const Segment& s : segments) {
        const QColor tone = paint::withAlpha(color, alphaOf(s));
        gradient.setColorAt(position(s.to) + seam, tone);
        gradient.setColorAt(position(s.from) - seam, tone);
    }
    painter.fillPath(shape, gradient);
}

// Draws segments that each lie on a shadow of their own, with one blur for all of them where
// blurring segment by segment would cost one blur per segment and frame.
// - A shadow is as strong as its colour's alpha times the alpha of what casts it, so a glow in
//   the opaque colour cast by a segment painted at the product of its two alphas is the shadow
//   it would cast on its own.
// - On its own a segment is stroked with round caps and overlaps the next by `overlap`, so its
//   shadow covers more than its share of the band; the blur (far wider than a segment) keeps
//   only how much light there is, not where in the segment it came from. The band that casts
//   the glow is therefore widened segment by segment to carry that much.
// The band itself is then painted once at its own alphas, without seams. What remains different
// from blurring one by one is that no neighbour's shadow lies on top of a segment, which is how a
// glow under a line should look anyway.
void segmentedGlow(QPainter& painter, paint::Caches& caches, QPointF center, double radius,
                   const QColor& color, double blur, const std::vector<Segment>& segments,
                   double overlap, quint64 key, QPointF anchor) {
    if (segments.empty())
        return;
    // Segments casting less than `leastCast` are left out: that keeps the blurred area (and its
    // cost) small. The brightness of both glows rises toward the middle, so the segments that cast
    // still lie side by side.
    std::vector<Segment> casting;
    for (Segment s : segments) {
        const double length = radius * (s.to - s.from);
        if (length <= 0 || s.alpha * s.shadowAlpha < leastCast)
            continue;
        s.width = castingWidth(length, radius * overlap, s.width);
        casting.push_back(s);
    }
    if (!casting.empty()) {
        paint::glow(
            painter, caches, paint::withAlpha(color, 1), blur, {},
            [&](QPainter& p) {
                // Only the shadow is wanted from this body; on the frame itself the band is painted
                // below.
                if (&p == &painter)
                    return;
                fillBand(p, center, bandShape(center, radius, casting), color, casting,
                         [](const Segment& s) { return s.alpha * s.shadowAlpha; });
            },
            key, anchor);
    }
    fillBand(painter, center, bandShape(center, radius, segments), color, segments,
             [](const Segment& s) { return s.alpha; });
}

// How far the pale ring's glow reaches on either side of its circle: three times the spread of
// a blur of 12 (half the blur) beyond the ring's half width.
constexpr double ringReach = 3 * 6 + 1.1 + 1;

// Coverage of a band of half width `half` at distance d from its middle, with edges as soft as
// antialiasing makes them (one pixel at two pixels per point).
double coverage(double d, double half) {
    return std::clamp((half - std::abs(d)) / 0.5 + 0.5, 0.0, 1.0);
}

// Share of a Gaussian of spread `sigma` that falls within half width `half` of the middle, seen
// from distance d: the profile a blur leaves of a band.
double blurredCoverage(double d, double half, double sigma) {
    const double k = 1 / (sigma * std::numbers::sqrt2);
    return 0.5 * (std::erf((d + half) * k) - std::erf((d - half) * k));
}

// The pale ring on the circle of radius r. Three steps make it: a faint black band of width 7;
// then, under a shadow of light at alpha 0.9 and blur 12, the circle stroked with light at alpha
// 0.8 and width 2.2. All three run round the circle, so across it they make one profile, filled
// here as a radial gradient: blurring a circle this large costs milliseconds, its profile a few
// stops. The glow is the shadow as paint::glow casts it, a Gaussian of spread blur / 2 over the
// stroke's coverage; the circle's curvature changes that by well under a percent.
void drawPaleRing(QPainter& painter, paint::Caches& caches, QPointF c, double r,
                  const QColor& light) {
    const double lr = light.redF();
    const double lg = light.greenF();
    const double lb = light.blueF();
    std::vector<QColor> colors;
    std::vector<double> locations;
    constexpr double step = 0.25;
    for (double d = -ringReach; d <= ringReach + 1e-9; d += step) {
        // Premultiplied, back to front; the black band adds alpha but no colour.
        double a = 0.22 * coverage(d, 3.5);
        const double glow = 0.9 * 0.8 * blurredCoverage(d, 1.1, 6);
        double k = glow;  // how much of the light is in the pixel so far
        a = glow + a * (1 - glow);
        const double line = 0.8 * coverage(d, 1.1);
        k = line + k * (1 - line);
        a = line + a * (1 - line);
        colors.push_back(
            a > 0 ? QColor::fromRgbF(static_cast<float>(lr * k / a), static_cast<float>(lg * k / a),
                                     static_cast<float>(lb * k / a), static_cast<float>(a))
                  : QColor(0, 0, 0, 0));
        locations.push_back((d + ringReach) / (2 * ringReach));
    }
    paint::radial(painter, caches, colors, locations, c, r - ringReach, r + ringReach);
}

}  // namespace

QColor AuraLook::light() {
    return QColor::fromRgbF(1.0f, 0.93f, 0.78f);
}

QColor AuraLook::gold() {
    return QColor::fromRgbF(1.0f, 0.8f, 0.42f);
}

double AuraLook::glowWeight(int k) {
    if (k < 0 || k >= glowSegments)
        return 0;
    const double length = 2 * glowHalfSpan / glowSegments;
    const double middle = -glowHalfSpan + length * (k + 0.5);
    const double m = middle / 0.495;
    return std::exp(-m * m);
}

double AuraLook::trackFadeOf(int k, double from, double to) {
    if (k < 0 || k >= trackSegments)
        return 0;
    const double start = from - trackFade;
    const double end = to + trackFade;
    const double length = (end - start) / trackSegments;
    const double a0 = start + length * k;
    const double a1 = a0 + length;
    return std::clamp(std::min((a0 - start) / trackFade, (end - a1) / trackFade), 0.0, 1.0);
}

AuraLook::AuraLook(RingBackground background) : background_(background) {}

LookBackdrop AuraLook::backdrop() const {
    return LookBackdrop::chosen(background_);
}

QColor AuraLook::accent() const {
    return gold();
}

RingLook::IconScale AuraLook::iconScale() const {
    return {0.9, 1.22};
}

QColor AuraLook::runningColor() const {
    return paint::withAlpha(light(), 0.6);
}

ColumnColors AuraLook::column() const {
    return {paint::white(0.13, 0.94), gold(), paint::white(1.0), paint::white(0.06),
            paint::white(1.0, 0.12)};
}

void AuraLook::drawBody(QPainter& painter, const RingScene& scene) const {
    const QPointF c = scene.center;
    const double r = scene.layout.radius;
    // Computed straight into the frame: kept as a bitmap it cost more to build on the first
    // frame than it saved later, now that moving round the ring redraws only part of it.
    drawPaleRing(painter, *scene.caches, c, r, light());

    if (!scene.selectedApp)
        return;
    const double a = scene.layout.angle(*scene.selectedApp);
    const double length = 2 * glowHalfSpan / glowSegments;
    std::vector<Segment> segments;
    segments.reserve(glowSegments);
    for (int k = 0; k < glowSegments; ++k) {
        const double t0 = -glowHalfSpan + length * k;
        const double w = glowWeight(k);
        segments.push_back({a + t0, a + t0 + length, 2.2 + 3.5 * w, w, w});
    }
    segmentedGlow(painter, *scene.caches, c, r, gold(), 18, segments, 0.004,
                  keyOf(goldGlowTag, r, scene.layout.count, *scene.selectedApp), c);
    paint::radial(painter, *scene.caches,
                  {paint::withAlpha(gold(), 0.55), paint::withAlpha(gold(), 0)}, {0, 1},
                  paint::at(c, a, r), 0, 1.05 * scene.layout.iconSize);
}

void AuraLook::drawIcon(QPainter& painter, const RingApp& app, const QRectF& rect, bool selected,
                        const RingScene& scene) const {
    if (app.icon.isNull())
        return;
    // While the ring opens the icons grow from frame to frame; keeping the shadows of those
    // passing sizes would only push the lasting ones out of the cache.
    const double side =
        scene.layout.iconSize * (selected ? iconScale().selected : iconScale().normal);
    const quint64 key = std::abs(rect.width() - side) < 0.01
                            ? keyOf(iconShadowTag, paint::shapeKey(*scene.caches, app.icon),
                                    rect.width(), rect.height())
                            : 0;
    paint::glow(
        painter, *scene.caches, paint::white(0.0, 0.45), 8, {},
        [&](QPainter& p) { paint::image(p, *scene.caches, app.icon, rect); }, key, rect.center());
}

void AuraLook::drawRunning(QPainter& painter, int index, bool front, const RingScene& scene) const {
    const QPointF dot = paint::at(scene.center, scene.layout.angle(index),
                                  scene.layout.radius - scene.layout.iconSize / 2 - 4);
    paint::ring(painter, dot, 0, front ? 2.4 : 1.7, paint::withAlpha(light(), front ? 0.95 : 0.5));
}

void AuraLook::drawBadge(QPainter& painter, const QString& text, QPointF point,
                         const RingScene& /*scene*/) const {
    const QPainterPath disc = paint::circle(point, 8.5);
    paint::fill(painter, disc, paint::white(0.08, 0.9));
    paint::stroke(painter, disc, paint::withAlpha(light(), 0.9), 1.2);
    paint::text(painter, text, QRectF(point.x() - 8.5, point.y() - 6.5, 17, 13), 10, QFont::Bold,
                light(), Qt::AlignCenter);
}

void AuraLook::drawMore(QPainter& painter, int count, const QRectF& rect,
                        const RingScene& /*scene*/) const {
    QPainterPath oval;
    oval.addEllipse(rect.adjusted(rect.width() * 0.08, rect.height() * 0.08, -rect.width() * 0.08,
                                  -rect.height() * 0.08));
    paint::fill(painter, oval, paint::white(0.08, 0.9));
    paint::stroke(painter, oval, paint::withAlpha(light(), 0.9), 1.5);
    paint::text(painter, QStringLiteral("+%1").arg(count), rect, 0.32 * rect.height(), QFont::Bold,
                light(), Qt::AlignCenter);
}

void AuraLook::drawOverlay(QPainter& /*painter*/, const RingScene& /*scene*/) const {}

void AuraLook::drawCenter(QPainter& painter, const RingScene& scene) const {
    const QPointF c = scene.center;
    paint::glow(
        painter, *scene.caches, light(), 6, {},
        [&](QPainter& p) { paint::fill(p, paint::circle(c, 3), light()); }, keyOf(dotShadowTag), c);
    const bool card = scene.windowTitle.has_value();
    const double hole = scene.layout.holeRadius();
    LookParts::label(painter, scene, card ? c : c - QPointF(0, 26), hole * (card ? 1.9 : 1.7),
                     paint::white(1.0), paint::white(1.0, 0.6), std::nullopt,
                     [&scene](QPainter& p, const QRectF& rect) {
                         paint::glow(
                             p, *scene.caches, paint::white(0.0, 0.35), 10, {},
                             [&rect](QPainter& q) {
                                 paint::fill(q, paint::pill(rect), paint::white(0.08, 0.82));
                             },
                             keyOf(labelShadowTag, rect.width(), rect.height()), rect.center());
                     });
}

void AuraLook::drawArcTrack(QPainter& painter, double from, double to, bool /*items*/,
                            const RingScene& scene) const {
    const double start = from - trackFade;
    const double end = to + trackFade;
    const double radius = scene.arcRadius;
    constexpr double width = 1.6;
    // Each segment's glow is as strong as it would be stroked on its own (segmentedGlow).
    const double length = radius * (end - start) / trackSegments;
    const double widened = length > 0 ? castingWidth(length, radius * 0.003, width) / width : 1;
    std::vector<double> alphas(trackSegments);
    std::vector<double> glowAlphas(trackSegments);
    for (int k = 0; k < trackSegments; ++k) {
        const double fade = trackFadeOf(k, from, to);
        alphas[k] = 0.45 * fade;
        glowAlphas[k] = 0.45 * fade * 0.5 * fade * widened;
    }
    paint::steppedArc(painter, *scene.caches, scene.center, radius, width, light(), start, end,
                      alphas, glowAlphas, 8);
}

void AuraLook::drawArcSelection(QPainter& painter, const QRectF& rect,
                                const RingScene& scene) const {
    paint::radial(painter, *scene.caches,
                  {paint::withAlpha(gold(), 0.6), paint::withAlpha(gold(), 0)}, {0, 1},
                  rect.center(), 0, rect.width());
}

QPainterPath AuraLook::drawCardFrame(QPainter& painter, const QRectF& rect, bool selected,
                                     const RingScene& scene) const {
    if (selected)
        return LookParts::plainCard(painter, *scene.caches, rect, paint::white(0.16),
                                    paint::withAlpha(gold(), 0.85), 22, 0);
    return LookParts::plainCard(painter, *scene.caches, rect, paint::white(0.16),
                                paint::white(0.0, 0.35), 8, -2);
}

void AuraLook::drawCardBorder(QPainter& painter, const QPainterPath& path, bool selected,
                              const RingScene& /*scene*/) const {
    if (selected) {
        QPainterPath frame;
        frame.addRoundedRect(path.boundingRect().adjusted(-1.5, -1.5, 1.5, 1.5), 9.5, 9.5);
        paint::stroke(painter, frame, light(), 2.5);
    } else {
        paint::stroke(painter, path, paint::white(1.0, 0.28), 1);
    }
}

QRectF AuraLook::selectionArea(QPointF center, const RingLayout& layout, int index) const {
    const double a = layout.angle(index);
    // Only the brighter middle of the line casts its glow of 18 (segmentedGlow).
    const double length = 2 * glowHalfSpan / glowSegments;
    double cast = 0;
    for (int k = 0; k < glowSegments; ++k) {
        if (glowWeight(k) * glowWeight(k) >= leastCast)
            cast = std::max({cast, std::abs(-glowHalfSpan + length * k),
                             std::abs(-glowHalfSpan + length * (k + 1))});
    }
    // The widest segment, widened a little to carry its shadow, and the light under the icon.
    const QRectF line =
        paint::arcArea(center, layout.radius, a - glowHalfSpan, a + glowHalfSpan, 5);
    const QRectF glow =
        paint::arcArea(center, layout.radius, a - cast, a + cast, 3.5 + 1.5 * 18 + 2);
    const QRectF light =
        paint::square(paint::at(center, a, layout.radius), 2.1 * layout.iconSize + 2);
    return line.united(glow).united(light);
}

}  // namespace tandri
