// SPDX-License-Identifier: MIT
#include "paint/rings.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "paint/paths.h"
#include "paint/pixels.h"
#include "paint/renderthread.h"
#include "paint/target.h"
#include "paint/uncleared.h"

namespace tandri::paint {

namespace {

using namespace pixel;

// Visits every pixel whose centre lies within `reach` of the band between radii `inner` and
// `outer` (device pixels): `full(line, first, end, dy²)` for runs of pixels surely wholly inside
// (when `interior`), `edge(pixel, dx, dy, d)` for the others, with the pixel centre's offset from
// the centre and its distance.
template <typename Full, typename Edge>
void sweep(const Target& target, double inner, double outer, double reach, bool interior, Full full,
           Edge edge) {
    QImage& image = *target.image;
    const double r1 = outer + reach;
    const double r0 = std::max(inner - reach, 0.0);
    // Pixels whose whole square lies within the band, with room for rounding.
    const double f1 = outer - 0.75;
    const double f0 = inner + 0.75;
    const QRect area = target.area & image.rect();
    const int top = std::max(static_cast<int>(std::floor(target.cy - r1)), area.top());
    const int bottom = std::min(static_cast<int>(std::ceil(target.cy + r1)), area.bottom());
    const auto span = [](double c, double half) {
        return std::pair{static_cast<int>(std::floor(c - half - 0.5)),
                         static_cast<int>(std::ceil(c + half - 0.5))};
    };
    const Uncleared::Rows fresh(image, top, bottom);
    // Rows may be computed on two threads: the bitmap is detached once, here.
    uchar* const bits = area.isEmpty() ? nullptr : image.bits();
    const qsizetype stride = image.bytesPerLine();
    const auto row = [&](int y) {
        fresh.row(y);
        const double dy = y + 0.5 - target.cy;
        const double dy2 = dy * dy;
        if (dy2 >= r1 * r1)
            return;
        auto* line = reinterpret_cast<QRgb*>(bits + y * stride);
        const auto edges = [&](int from, int to) {
            for (int x = from; x <= to; ++x) {
                const double dx = x + 0.5 - target.cx;
                edge(line[x], dx, dy, std::sqrt(dx * dx + dy2));
            }
        };
        // Up to two wholly covered runs: the full disc's chord less the chord of its hole.
        std::array<std::pair<int, int>, 2> runs{{{1, 0}, {1, 0}}};
        if (interior && f1 > f0 && f1 * f1 > dy2) {
            const auto [l, r] = span(target.cx, std::sqrt(f1 * f1 - dy2));
            runs[0] = {l + 1, r - 1};
            if (f0 * f0 > dy2) {
                const auto [hl, hr] = span(target.cx, std::sqrt(f0 * f0 - dy2));
                runs = {{{l + 1, hl}, {hr, r - 1}}};
            }
        }
        // Pixels from..to, wholly covered runs as runs.
        const auto stretch = [&](int from, int to) {
            int x = from;
            for (const auto& [l, r] : runs) {
                const int a = std::max(l, x);
                const int b = std::min(r, to);
                if (a > b)
                    continue;
                edges(x, a - 1);
                full(line, a, b + 1, dy2);
                x = b + 1;
            }
            edges(x, to);
        };
        const auto [left, right] = span(target.cx, std::sqrt(r1 * r1 - dy2));
        const int l = std::max(left, area.left());
        const int r = std::min(right, area.right());
        if (r0 * r0 > dy2) {
            // Pixels nearer the centre than the band reaches are left alone.
            const auto [holeLeft, holeRight] = span(target.cx, std::sqrt(r0 * r0 - dy2));
            const int end = std::min(holeLeft + 1, r);
            stretch(l, end);
            // The hole may end left of the area: the right-hand run still starts inside it.
            stretch(std::max({holeRight - 1, end + 1, l}), r);
        } else {
            stretch(l, r);
        }
    };
    // Small shapes are not worth waking a second thread for. A pixel on an edge costs about
    // twenty inside: its coverage is computed, and its neighbours below are far in memory.
    const auto disc = [](double radius) {
        return std::numbers::pi * radius * radius;
    };
    const double inside = interior && f1 > f0 ? disc(f1) - disc(std::max(f0, 0.0)) : 0.0;
    const double cost = inside + 20 * (disc(r1) - disc(r0) - inside);
    if (cost < 100'000) {
        for (int y = top; y <= bottom; ++y) row(y);
        return;
    }
    renderThread::shareRows(top, bottom + 1, 16, [&row](int from, int to) {
        for (int y = from; y < to; ++y) row(y);
    });
}

void ringInto(const Target& target, double inner, double outer, const QColor& color) {
    const Uncleared::OnReturn cleared{*target.image};
    const QRgb source = byteMul(qPremultiply(color.rgba()), target.opacity);
    if (qAlpha(source) == 0)
        return;
    const double ri = std::max(inner, 0.0) * target.scale;
    const double ro = outer * target.scale;
    const auto edge = [source, ri, ro](QRgb& pixel, double dx, double dy, double d) {
        const uint a = level(between(dx, dy, d, ri, ro));
        if (a > 0)
            over(pixel, byteMul(source, a));
    };
    if (qAlpha(source) == 255) {
        sweep(
            target, ri, ro, 0.5, true,
            [source](QRgb* line, int first, int end, double) {
                std::fill(line + first, line + end, source);
            },
            edge);
    } else {
        const uint keep = 255 - qAlpha(source);
        sweep(
            target, ri, ro, 0.5, true,
            [source, keep](QRgb* line, int first, int end, double) {
                for (QRgb* p = line + first; p != line + end; ++p)
                    *p = *p ? source + byteMul(*p, keep) : source;
            },
            edge);
    }
}

void circleLineInto(const Target& target, double radius, double width, const QColor& color,
                    double from, double sweepAngle, double on, double off) {
    const Uncleared::OnReturn cleared{*target.image};
    const QRgb source = byteMul(qPremultiply(color.rgba()), target.opacity);
    if (qAlpha(source) == 0)
        return;
    constexpr double turn = 2 * std::numbers::pi;
    const double r = radius * target.scale;
    const double h = width / 2 * target.scale;
    const bool whole = sweepAngle >= turn;
    const double length = radius * std::min(sweepAngle, turn);  // in view units
    const double period = on + off;
    const bool dashed = on > 0 && period > 0;
    // The caps' centres, in device pixels relative to the centre.
    const QPointF start(target.sx * r * std::cos(from), target.sy * r * std::sin(from));
    const double end = from + sweepAngle;
    const QPointF finish(target.sx * r * std::cos(end), target.sy * r * std::sin(end));
    const auto capCoverage = [h](double dx, double dy) {
        return overlap(std::sqrt(dx * dx + dy * dy), -h, h);
    };
    const int dashes = dashed ? static_cast<int>(std::ceil(length / period)) : 0;
    const auto dashEnd = [on, period, length](int k) {
        return std::min(k * period + on, length);
    };
    // An arc holds the points within half its sweep of its middle direction.
    const double middle = from + sweepAngle / 2;
    const double middleX = target.sx * std::cos(middle);
    const double middleY = target.sy * std::sin(middle);
    const double halfCosine = std::cos(sweepAngle / 2);
    const auto edge = [&](QRgb& pixel, double dx, double dy, double d) {
        // Every part of the line, caps too, lies within h of the circle.
        if (std::abs(d - r) >= h + 0.5)
            return;
        double coverage = 0;
        if (whole && !dashed) {
            coverage = between(dx, dy, d, r - h, r + h);
        } else if (!dashed) {
            if (dx * middleX + dy * middleY >= d * halfCosine) {
                coverage = between(dx, dy, d, r - h, r + h);
            } else {
                coverage = std::max(capCoverage(dx - start.x(), dy - start.y()),
                                    capCoverage(dx - finish.x(), dy - finish.y()));
            }
        } else {
            double rel = angle(target.sy * dy, target.sx * dx) - from;
            rel -= std::floor(rel / turn) * turn;  // 0 ≤ rel < 2π
            {
                // How far along the circle the nearest dash is, 0 within one.
                const double along = rel * radius;
                double gap = 0;
                if (along < length) {
                    const int k = std::min(static_cast<int>(along / period), dashes - 1);
                    if (along > dashEnd(k)) {
                        gap = along - dashEnd(k);
                        if (k + 1 < dashes)
                            gap = std::min(gap, (k + 1) * period - along);
                        else if (whole)
                            gap = std::min(gap, length - along);
                    }
                } else {
                    gap = std::min(along - dashEnd(dashes - 1), turn * radius - along);
                }
                const double g = gap * target.scale;
                coverage = overlap(std::sqrt(g * g + (d - r) * (d - r)), -h, h);
            }
        }
        const uint a = level(coverage);
        if (a > 0)
            over(pixel, byteMul(source, a));
    };
    // An arc need not look beyond its own bounds.
    Target bounded = target;
    if (!whole)
        bounded.area &= target.arcBounds(r, from, sweepAngle, h + 2);
    sweep(
        bounded, r - h, r + h, 0.5 + (whole ? 0.0 : h), whole && !dashed,
        [source](QRgb* line, int first, int end, double) {
            for (QRgb* p = line + first; p != line + end; ++p) over(*p, source);
        },
        edge);
}

}  // namespace

void ring(QPainter& painter, QPointF center, double inner, double outer, const QColor& color) {
    if (!(outer > inner) || outer <= 0 || color.alpha() == 0)
        return;
    if (const auto target = Target::of(painter, center)) {
        ringInto(*target, inner, outer, color);
        return;
    }
    fill(painter, annulus(center, inner, outer), color);
}

void circleLine(QPainter& painter, QPointF center, double radius, double width, const QColor& color,
                double from, double to, double on, double off) {
    if (width <= 0 || radius <= 0 || color.alpha() == 0)
        return;
    constexpr double turn = 2 * std::numbers::pi;
    double sweep = to - from;
    // As `arc`: counter-clockwise to an earlier angle goes the long way round.
    if (sweep < 0)
        sweep = std::fmod(sweep, turn) + turn;
    if (from == to || sweep >= turn)
        sweep = turn;
    if (const auto target = Target::of(painter, center)) {
        circleLineInto(*target, radius, width, color, from, sweep, std::max(on, 0.0),
                       std::max(off, 0.0));
        return;
    }
    const QPainterPath path =
        sweep >= turn && on <= 0 ? circle(center, radius) : arc(center, radius, from, from + sweep);
    stroke(painter, path, color, width,
           on > 0 ? std::vector<double>{on, std::max(off, 0.0)} : std::vector<double>{});
}

}  // namespace tandri::paint
