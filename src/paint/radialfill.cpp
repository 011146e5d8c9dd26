// SPDX-License-Identifier: MIT
#include "paint/radialfill.h"

#include <QHashFunctions>
#include <QRadialGradient>
#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include "paint/caches.h"
#include "paint/paths.h"
#include "paint/pixels.h"
#include "paint/renderthread.h"
#include "paint/target.h"
#include "paint/uncleared.h"

namespace tandri::paint {

using namespace pixel;

// A quarter of a radial gradient about a centre on a pixel's corner or middle: the other three
// quarters are its mirror images. Row j and column i hold the pixel whose centre lies
// (i + offsetX, j + offsetY) device pixels right of and away from the centre.
struct RadialQuarter {
    int side = 0;
    /// Row by row, only the columns between the circles (a ring's hole takes no memory).
    std::unique_ptr<QRgb[]> pixels;
    /// Per row, where column 0 would lie in `pixels`: row j's column i is at start[j] + i.
    std::vector<ptrdiff_t> start;
    /// Per row, the first and one past the last column that holds anything.
    std::vector<std::pair<int, int>> lit;

    /// Row j's column i, which must be one that is kept.
    const QRgb* at(int j, int i) const {
        return pixels.get() + (start[static_cast<size_t>(j)] + i);
    }
};

namespace {

// A radial gradient's pixel at (dx, dy) from its centre: its colour by distance, times how much
// of the pixel lies between the two circles.
struct Gradient {
    std::array<QRgb, 1024> table{};
    double ri = 0;
    double ro = 0;
    /// Steps of the table per pixel of distance.
    double perPixel = 0;

    QRgb at(double dx, double dy) const {
        const double d = std::sqrt(dx * dx + dy * dy);
        if (d >= ro + 0.75 || d <= ri - 0.75)
            return 0;
        const QRgb color =
            table[std::min(static_cast<size_t>(d * perPixel + 0.5), table.size() - 1)];
        const bool inside = d <= ro - 0.75 && d >= ri + 0.75;
        const uint a = inside ? 255 : level(between(dx, dy, d, ri, ro));
        return a == 255 ? color : byteMul(color, a);
    }
};

RadialQuarter computeQuarter(double offsetX, double offsetY, const Gradient& gradient) {
    RadialQuarter q;
    q.side = static_cast<int>(std::ceil(gradient.ro + 1));
    const auto side = static_cast<size_t>(q.side);
    // Only the columns that can reach between the circles.
    const double inner = std::max(gradient.ri - 1, 0.0);
    const double outer = gradient.ro + 1;
    std::vector<std::pair<int, int>> columns(side, {0, 0});
    q.start.assign(side, 0);
    ptrdiff_t total = 0;
    for (size_t j = 0; j < side; ++j) {
        const double dy = static_cast<double>(j) + offsetY;
        if (dy < outer) {
            const int from =
                inner > dy ? std::max(static_cast<int>(
                                          std::floor(std::sqrt(inner * inner - dy * dy) - offsetX)),
                                      0)
                           : 0;
            const int to = std::min(
                static_cast<int>(std::ceil(std::sqrt(outer * outer - dy * dy) - offsetX)) + 1,
                q.side);
            columns[j] = {from, std::max(from, to)};
        }
        q.start[j] = total - columns[j].first;
        total += columns[j].second - columns[j].first;
    }
    // Every pixel kept is written below.
    q.pixels =
        std::make_unique_for_overwrite<QRgb[]>(static_cast<size_t>(std::max<ptrdiff_t>(total, 1)));
    q.lit.assign(side, {0, 0});
    // Where a pixel lies wholly between the edges its colour depends on its distance alone.
    const double innerEdge = gradient.ri + 0.75;
    const double outerEdge = gradient.ro - 0.75;
    const double plainFrom = innerEdge * innerEdge;
    const double plainTo = outerEdge > 0 ? outerEdge * outerEdge : -1.0;
    const auto last = static_cast<int>(gradient.table.size()) - 1;
    renderThread::shareRows(0, q.side, 16, [&](int top, int stop) {
        for (int j = top; j < stop; ++j) {
            const auto [from, to] = columns[static_cast<size_t>(j)];
            QRgb* row = q.pixels.get() + (q.start[static_cast<size_t>(j)] + from);
            const double dy = j + offsetY;
            const double dy2 = dy * dy;
            // The columns surely between the edges, a pixel's margin on either side.
            int plainBegin = to;
            int plainEnd = to;
            if (plainTo > dy2) {
                const double near = plainFrom > dy2 ? std::sqrt(plainFrom - dy2) : 0.0;
                const double far = std::sqrt(plainTo - dy2);
                plainBegin = std::clamp(static_cast<int>(std::ceil(near - offsetX)) + 1, from, to);
                plainEnd =
                    std::clamp(static_cast<int>(std::floor(far - offsetX)) - 1, plainBegin, to);
            }
            for (int i = from; i < plainBegin; ++i) row[i - from] = gradient.at(i + offsetX, dy);
            int i = plainBegin;
#ifdef __SSE2__
            // Two square roots at a time, by the same arithmetic as Gradient::at.
            const __m128d ddy2 = _mm_set1_pd(dy2);
            const __m128d steps = _mm_set1_pd(gradient.perPixel);
            const __m128d half = _mm_set1_pd(0.5);
            for (; i + 2 <= plainEnd; i += 2) {
                const __m128d dx = _mm_set_pd(i + 1 + offsetX, i + offsetX);
                const __m128d d = _mm_sqrt_pd(_mm_add_pd(_mm_mul_pd(dx, dx), ddy2));
                const __m128i k = _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(d, steps), half));
                row[i - from] = gradient.table[std::min(_mm_cvtsi128_si32(k), last)];
                row[i + 1 - from] =
                    gradient.table[std::min(_mm_cvtsi128_si32(_mm_srli_si128(k, 4)), last)];
            }
#endif
            for (; i < to; ++i) row[i - from] = gradient.at(i + offsetX, dy);
            int first = from;
            while (first < to && row[first - from] == 0) ++first;
            int end = to;
            while (end > first && row[end - 1 - from] == 0) --end;
            q.lit[static_cast<size_t>(j)] = first < end ? std::pair{first, end} : std::pair{0, 0};
        }
    });
    return q;
}

void radialInto(const Target& target, KeptShapes& kept, const std::vector<QColor>& colors,
                const std::vector<double>& locations, double fromRadius, double toRadius) {
    const Uncleared::OnReturn cleared{*target.image};
    const double ri = fromRadius * target.scale;
    const double ro = toRadius * target.scale;
    if (!(ro > 0))
        return;
    // Premultiplied colours at 1024 steps from the centre to the outer circle, interpolated
    // between the stops and looked up as Qt's gradients do, so that the two agree.
    const auto gradientOf = [&] {
        Gradient gradient;
        gradient.ri = ri;
        gradient.ro = ro;
        std::array<QRgb, 1024>& table = gradient.table;
        gradient.perPixel = (table.size() - 1) / ro;
        const int steps = static_cast<int>(table.size());
        const size_t n = colors.size();
        std::vector<double> at(n);
        std::vector<std::array<double, 4>> premultiplied(n);
        for (size_t i = 0; i < n; ++i) {
            const double t = locations.empty() ? (n == 1 ? 0.0 : static_cast<double>(i) / (n - 1))
                                               : std::clamp(locations[i], 0.0, 1.0);
            at[i] = (fromRadius + t * (toRadius - fromRadius)) / toRadius;
            const QColor c = colors[i].toRgb();
            const double a = c.alphaF();
            premultiplied[i] = {c.redF() * a, c.greenF() * a, c.blueF() * a, a};
        }
        const double opacity = target.opacity / 255.0;
        size_t stop = 0;
        for (int k = 0; k < steps; ++k) {
            const double g = (k + 0.5) / steps;
            while (stop < n && at[stop] < g) ++stop;
            std::array<double, 4> c{};
            if (stop == 0) {
                c = premultiplied.front();
            } else if (stop == n) {
                c = premultiplied.back();
            } else {
                const double span = at[stop] - at[stop - 1];
                const double w = span > 0 ? (g - at[stop - 1]) / span : 1;
                for (int j = 0; j < 4; ++j)
                    c[j] = premultiplied[stop - 1][j] * (1 - w) + premultiplied[stop][j] * w;
            }
            const auto channel = [opacity](double v) {
                return static_cast<int>(std::clamp(v * opacity, 0.0, 1.0) * 255 + 0.5);
            };
            table[k] = qRgba(channel(c[0]), channel(c[1]), channel(c[2]), channel(c[3]));
        }
        return gradient;
    };
    QImage& image = *target.image;
    const QRect area = target.area & image.rect();
    const double reach = ro + 1;
    const QRect bounds(QPoint(static_cast<int>(std::floor(target.cx - reach)),
                              static_cast<int>(std::floor(target.cy - reach))),
                       QPoint(static_cast<int>(std::ceil(target.cx + reach)),
                              static_cast<int>(std::ceil(target.cy + reach))));
    const QRect drawn = area & bounds;
    if (drawn.isEmpty())
        return;
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    // Every row of `drawn` is visited, each cleared first if the bitmap is still uncleared.
    const auto rowsOf = [&](const auto& draw) {
        const Uncleared::Rows fresh(image, drawn.top(), drawn.bottom());
        const auto row = [&](int y) {
            fresh.row(y);
            draw(y);
        };
        if (static_cast<qint64>(drawn.width()) * drawn.height() < 150'000) {
            for (int y = drawn.top(); y <= drawn.bottom(); ++y) row(y);
            return;
        }
        renderThread::shareRows(drawn.top(), drawn.bottom() + 1, 16, [&row](int from, int to) {
            for (int y = from; y < to; ++y) row(y);
        });
    };
    // Larger than any screen: computed where it shows rather than kept.
    if (ro > 2048) {
        const Gradient gradient = gradientOf();
        rowsOf([&](int y) {
            auto* line = reinterpret_cast<QRgb*>(bits + y * stride);
            for (int x = drawn.left(); x <= drawn.right(); ++x)
                put(line[x], gradient.at(x + 0.5 - target.cx, y + 0.5 - target.cy));
        });
        return;
    }

    // The centre goes to the nearest pixel corner or middle, a quarter of a pixel at most, which
    // no soft gradient shows: the four quarters are then mirror images, one is computed and
    // kept, and drawing it again in any piece of any frame only copies.
    const double cx = std::round(target.cx * 2) / 2;
    const double cy = std::round(target.cy * 2) / 2;
    const bool cornerX = cx == std::floor(cx);
    const bool cornerY = cy == std::floor(cy);
    // Kept by what makes it, so that copying a kept one costs no table.
    quint64 key = qHashMulti(0, cornerX, cornerY, ri, ro, fromRadius, toRadius, target.opacity,
                             colors.size(), locations.size());
    for (const QColor& color : colors) key = qHashMulti(key, quint64(color.rgba64()));
    for (const double location : locations) key = qHashMulti(key, location);
    const std::shared_ptr<const RadialQuarter> quarter = kept.quarter(key, [&] {
        return computeQuarter(cornerX ? 0.5 : 0.0, cornerY ? 0.5 : 0.0, gradientOf());
    });
    // Column `right + i` and row `down + j` read the quarter's column i and row j; to the left
    // and above, its mirror images, which on a corner start right next to the centre and on a
    // middle share the middle column or row.
    const int right = static_cast<int>(std::floor(cx));
    const int down = static_cast<int>(std::floor(cy));
    const int left = cornerX ? right - 1 : right;
    const int up = cornerY ? down - 1 : down;
    const int side = quarter->side;
    rowsOf([&](int y) {
        const int j = y >= down ? y - down : up - y;
        if (j >= side)
            return;
        const auto [first, end] = quarter->lit[static_cast<size_t>(j)];
        if (first >= end)
            return;
        auto* line = reinterpret_cast<QRgb*>(bits + y * stride);
        const int rightStart = std::max(drawn.left(), right + first);
        const int rightEnd = std::min(drawn.right() + 1, right + end);
        if (rightStart < rightEnd)
            putRun(line + rightStart, quarter->at(j, rightStart - right), rightEnd - rightStart,
                   false);
        // Leftwards from the mirror of the first lit column, the middle column drawn once.
        const int leftStart = std::min({drawn.right(), left - first, right - 1});
        const int leftEnd = std::max(drawn.left(), left - end + 1);
        if (leftStart >= leftEnd) {
            // Columns leftEnd..leftStart read the quarter from left − leftEnd down.
            putRun(line + leftEnd, quarter->at(j, left - leftEnd), leftStart - leftEnd + 1, true);
        }
    });
}

}  // namespace

void radial(QPainter& painter, Caches& caches, const std::vector<QColor>& colors,
            const std::vector<double>& locations, QPointF center, double fromRadius,
            double toRadius) {
    const double from = std::max(fromRadius, 0.0);
    if (colors.empty() || (!locations.empty() && locations.size() != colors.size()) ||
        !(toRadius > from)) {
        return;
    }
    // Qt rasterises a large gradient span by span on every frame; computed once and copied
    // after, it costs about what copying a picture does.
    if (const auto target = Target::of(painter, center)) {
        radialInto(*target, caches.kept(), colors, locations, from, toRadius);
        return;
    }
    // Stops map onto the stretch between the two circles; nothing is drawn inside the inner
    // one or beyond the outer one.
    Uncleared::settle(painter);
    QRadialGradient gradient(center, toRadius);
    const double start = from / toRadius;
    const size_t n = colors.size();
    for (size_t i = 0; i < n; ++i) {
        const double t = locations.empty() ? (n == 1 ? 0.0 : static_cast<double>(i) / (n - 1))
                                           : std::clamp(locations[i], 0.0, 1.0);
        gradient.setColorAt(start + t * (1 - start), colors[i]);
    }
    painter.fillPath(from > 0 ? annulus(center, from, toRadius) : circle(center, toRadius),
                     gradient);
}

}  // namespace tandri::paint
