// SPDX-License-Identifier: MIT
#include "paint/steppedarc.h"

#include <QHashFunctions>
#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numbers>

#include "paint/caches.h"
#include "paint/paths.h"
#include "paint/pictures.h"
#include "paint/pixels.h"
#include "paint/renderthread.h"
#include "paint/target.h"
#include "paint/uncleared.h"

namespace tandri::paint {

using namespace pixel;

// A shape computed once, kept as runs of premultiplied pixels row by row, in device pixels
// relative to the pixel that holds its centre.
struct ArcRuns {
    struct Run {
        int y = 0;
        int x = 0;
        int length = 0;
        size_t offset = 0;  // into `pixels`
    };
    std::vector<Run> runs;
    std::vector<QRgb> pixels;
};

namespace {

// The glowing stepped line around the centre pixel's corner, `fx`, `fy` being where in that
// pixel the centre lies.
ArcRuns computeSteppedArc(const QRect& limit, double fx, double fy, double scale, double sx,
                          double sy, double radius, double width, QRgb source, double from,
                          double sweepAngle, const std::vector<double>& alphas,
                          const std::vector<double>& glowAlphas, double blur, bool exact) {
    ArcRuns result;
    const size_t steps = alphas.size();
    const double r = radius * scale;
    const double h = width / 2 * scale;
    const double sigma = std::max(blur / 2 * scale, 0.25);
    const double reach = h + 3 * sigma;
    const double total = sweepAngle * r;  // along the circle, in device pixels
    const double stepLength = total / static_cast<double>(steps);
    // Across the circle a step's glow is its band blurred; along it, a step's brightness blurred
    // into its neighbours'. The two blurs are one Gaussian's two directions, so the glow is
    // their product, each kept in a table.
    constexpr double perPixel = 8;
    std::vector<float> across(static_cast<size_t>(reach * perPixel) + 2);
    const double k = 1 / (sigma * std::numbers::sqrt2);
    for (size_t i = 0; i < across.size(); ++i) {
        const double t = static_cast<double>(i) / perPixel;
        across[i] = static_cast<float>(0.5 * (std::erf((t + h) * k) - std::erf((t - h) * k)));
    }
    const double beyond = 3 * sigma;  // how far the glow runs past the arc's ends
    std::vector<float> share(static_cast<size_t>(2 * beyond * perPixel) + 2);
    for (size_t i = 0; i < share.size(); ++i)
        share[i] = static_cast<float>(0.5 + 0.5 * std::erf((i / perPixel - beyond) * k));
    // How much of a Gaussian at u falls short of x.
    const auto before = [&](double x) {
        return x <= -beyond  ? 0.0
               : x >= beyond ? 1.0
                             : share[static_cast<size_t>((x + beyond) * perPixel + 0.5)];
    };
    std::vector<float> along(static_cast<size_t>(total + 2 * beyond) + 2);
    for (size_t i = 0; i < along.size(); ++i) {
        const double u = static_cast<double>(i) - beyond;
        const auto first = static_cast<ptrdiff_t>(std::floor((u - beyond) / stepLength));
        const auto last = static_cast<ptrdiff_t>(std::floor((u + beyond) / stepLength));
        double g = 0;
        for (ptrdiff_t j = std::max<ptrdiff_t>(first, 0);
             j <= std::min<ptrdiff_t>(last, static_cast<ptrdiff_t>(steps) - 1); ++j) {
            const double s = static_cast<double>(j) * stepLength;
            g += glowAlphas[j] * (before(s + stepLength - u) - before(s - u));
        }
        along[i] = static_cast<float>(g);
    }
    // Beyond where the brightest step's glow drops under half a level, nothing shows.
    const double brightest = *std::max_element(glowAlphas.begin(), glowAlphas.end());
    size_t lit = across.size();
    while (lit > 0 && across[lit - 1] * brightest * qAlpha(source) < 0.5) --lit;
    const double shown = std::max(static_cast<double>(lit) / perPixel, h + 1);
    constexpr double turn = 2 * std::numbers::pi;
    const double middle = from + sweepAngle / 2;
    // Where the pixel at (dx, dy) lies: how far beyond the circle, and at which angle from
    // the arc's middle (−π to π).
    const auto place = [&](double dx, double dy) {
        double rel = angle(sy * dy, sx * dx) - middle;
        if (rel > std::numbers::pi)
            rel -= turn;
        else if (rel < -std::numbers::pi)
            rel += turn;
        return std::pair{std::sqrt(dx * dx + dy * dy) - r, rel};
    };
    std::array<QRgb, 256> tone{};
    for (uint a = 0; a < tone.size(); ++a) tone[a] = byteMul(source, a);
    // Everything the pixels read, by value: written through a pointer, a pixel could otherwise
    // be any of them, and each would be read again for the next.
    const auto value =
        [
            =, across = across.data(), along = along.data(), alphas = alphas.data(),
            tone = tone.data(), lastStep = static_cast<int>(steps) - 1, half = sweepAngle / 2
        ](double dx, double dy, double beyondCircle, double rel) __attribute__((always_inline))
            ->QRgb {
        const double t = std::abs(beyondCircle);
        if (t >= shown)
            return 0;
        const double u = (rel + half) * r;
        if (u <= -beyond || u >= total + beyond)
            return 0;
        double line = 0;
        if (u >= 0 && u < total && t < h + 1) {
            const int step = std::min(static_cast<int>(u / stepLength), lastStep);
            line = alphas[step] * between(dx, dy, std::sqrt(dx * dx + dy * dy), r - h, r + h);
        }
        const double glow = across[static_cast<int>(t * perPixel + 0.5)] *
                            along[static_cast<int>(u + beyond + 0.5)];
        return tone[level(line + glow * (1 - line))];
    };
#ifdef __SSE2__
    // `count` pixels off the line from `s`, `q` stepping by `ds`, `dq`, two at a time by the very
    // arithmetic of `value` (and of its sums: each lane adds each step twice over). Returns how
    // many are done and leaves `s`, `q` at the next.
    const auto glowPairs =
        [
            =, across = across.data(), along = along.data(), tone = tone.data(),
            half = sweepAngle / 2
        ](QRgb * out, int count, double& s, double& q, double ds, double dq)
            __attribute__((always_inline)) {
        const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffff));
        const __m128d dsv = _mm_set1_pd(ds);
        const __m128d dqv = _mm_set1_pd(dq);
        const __m128d shownV = _mm_set1_pd(shown);
        const __m128d halfV = _mm_set1_pd(half);
        const __m128d rV = _mm_set1_pd(r);
        const __m128d low = _mm_set1_pd(-beyond);
        const __m128d high = _mm_set1_pd(total + beyond);
        const __m128d beyondV = _mm_set1_pd(beyond);
        const __m128d steps = _mm_set1_pd(perPixel);
        const __m128d rounding = _mm_set1_pd(0.5);
        const __m128d one = _mm_set1_pd(1.0);
        const __m128d levels = _mm_set1_pd(255.0);
        __m128d sv = _mm_set_pd(s + ds, s);
        __m128d qv = _mm_set_pd(q + dq, q);
        int k = 0;
        for (; k + 2 <= count; k += 2) {
            const __m128d t = _mm_and_pd(sv, magnitude);
            const __m128d u = _mm_mul_pd(_mm_add_pd(qv, halfV), rV);
            const int lit = _mm_movemask_pd(_mm_and_pd(
                _mm_cmplt_pd(t, shownV), _mm_and_pd(_mm_cmpgt_pd(u, low), _mm_cmplt_pd(u, high))));
            QRgb first = 0;
            QRgb second = 0;
            if (lit != 0) {
                const __m128i across2 =
                    _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(t, steps), rounding));
                const __m128i along2 =
                    _mm_cvttpd_epi32(_mm_add_pd(_mm_add_pd(u, beyondV), rounding));
                const float g0 = (lit & 1) != 0 ? across[_mm_cvtsi128_si32(across2)] *
                                                      along[_mm_cvtsi128_si32(along2)]
                                                : 0.0f;
                const float g1 = (lit & 2) != 0
                                     ? across[_mm_cvtsi128_si32(_mm_srli_si128(across2, 4))] *
                                           along[_mm_cvtsi128_si32(_mm_srli_si128(along2, 4))]
                                     : 0.0f;
                const __m128d glow = _mm_min_pd(_mm_cvtps_pd(_mm_set_ps(0, 0, g1, g0)), one);
                const __m128i level2 =
                    _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(glow, levels), rounding));
                first = (lit & 1) != 0 ? tone[_mm_cvtsi128_si32(level2)] : 0;
                second = (lit & 2) != 0 ? tone[_mm_cvtsi128_si32(_mm_srli_si128(level2, 4))] : 0;
            }
            out[k] = first;
            out[k + 1] = second;
            sv = _mm_add_pd(_mm_add_pd(sv, dsv), dsv);
            qv = _mm_add_pd(_mm_add_pd(qv, dqv), dqv);
        }
        s = _mm_cvtsd_f64(sv);
        q = _mm_cvtsd_f64(qv);
        return k;
    };
#endif
    // Row by row, the pixels within `shown` of the circle, near enough to the arc.
    const Target unit{nullptr, fx, fy, 1, sx, sy, 255, {}};
    const double ends = beyond / r;
    const QRect bounds = unit.arcBounds(r, from - ends, sweepAngle + 2 * ends, shown + 1) & limit;
    const double r1 = r + shown;
    const double r0 = std::max(r - shown, 0.0);
    // Far from the centre, distance and angle change so smoothly along a row that between
    // points every few pixels they are interpolated, sparing a square root and an arctangent
    // per pixel: both curve by at most 1 / distance, which over `knots` pixels strays by
    // knots² / (8 distance), here at most a fiftieth of a pixel.
    constexpr int knots = 8;
    const bool smooth = r - shown > knots * knots / (8 * 0.02);
    // Bands of rows may be computed on two threads, each into runs of its own.
    const auto emit = [&](ArcRuns& out, std::vector<QRgb>& row, int y, int first, int last,
                          double dy) {
        first = std::max(first, bounds.left());
        last = std::min(last, bounds.right());
        if (first > last)
            return;
        const int width = last - first + 1;
        row.resize(static_cast<size_t>(width));
        auto [s0, q0] = place(first + 0.5 - fx, dy);
        for (int x0 = first; x0 <= last; x0 += knots) {
            const int x1 = std::min(x0 + knots, last + 1);
            const auto [s1, q1] = place(x1 + 0.5 - fx, dy);
            QRgb* out = row.data() + (x0 - first);
            // The angle jumps where it wraps round behind the arc.
            if (smooth && std::abs(q1 - q0) < 0.5) {
                const double ds = (s1 - s0) / (x1 - x0);
                const double dq = (q1 - q0) / (x1 - x0);
                double s = s0;
                double q = q0;
                int x = x0;
#ifdef __SSE2__
                // Off the line all the way to the next point (|s| runs straight between them,
                // on one side of the circle): the glow alone, two pixels at a time.
                if (!exact && (s0 > 0) == (s1 > 0) &&
                    std::min(std::abs(s0), std::abs(s1)) > h + 1.001) {
                    const int done = glowPairs(out, x1 - x0, s, q, ds, dq);
                    x += done;
                    out += done;
                }
#endif
                for (; x < x1; ++x, s += ds, q += dq) *out++ = value(x + 0.5 - fx, dy, s, q);
            } else {
                for (int x = x0; x < x1; ++x) {
                    const auto [s, q] = place(x + 0.5 - fx, dy);
                    *out++ = value(x + 0.5 - fx, dy, s, q);
                }
            }
            s0 = s1;
            q0 = q1;
        }
        const auto lit = std::find_if(row.begin(), row.end(), [](QRgb p) { return p != 0; });
        if (lit == row.end())
            return;
        const auto end =
            std::find_if(row.rbegin(), row.rend(), [](QRgb p) { return p != 0; }).base();
        out.runs.push_back({y, first + static_cast<int>(lit - row.begin()),
                            static_cast<int>(end - lit), out.pixels.size()});
        out.pixels.insert(out.pixels.end(), lit, end);
    };
    constexpr int band = 16;
    std::vector<ArcRuns> banded(static_cast<size_t>(std::max(bounds.height(), 0) + band - 1) /
                                band);
    const auto rows = [&](int top, int stop) {
        ArcRuns& out = banded[static_cast<size_t>((top - bounds.top()) / band)];
        std::vector<QRgb> row;
        for (int y = top; y < stop; ++y) {
            const double dy = y + 0.5 - fy;
            if (dy * dy >= r1 * r1)
                continue;
            const double outer = std::sqrt(r1 * r1 - dy * dy);
            const int left = static_cast<int>(std::floor(fx - outer - 0.5));
            const int right = static_cast<int>(std::ceil(fx + outer - 0.5));
            if (r0 * r0 > dy * dy) {
                const double hole = std::sqrt(r0 * r0 - dy * dy);
                const int end = static_cast<int>(std::ceil(fx - hole - 0.5));
                emit(out, row, y, left, end, dy);
                emit(out, row, y, std::max(static_cast<int>(std::floor(fx + hole - 0.5)), end + 1),
                     right, dy);
            } else {
                emit(out, row, y, left, right, dy);
            }
        }
    };
    renderThread::shareRows(bounds.top(), bounds.bottom() + 1, band, rows);
    for (ArcRuns& some : banded) {
        const size_t offset = result.pixels.size();
        for (ArcRuns::Run& run : some.runs) run.offset += offset;
        result.runs.insert(result.runs.end(), some.runs.begin(), some.runs.end());
        result.pixels.insert(result.pixels.end(), some.pixels.begin(), some.pixels.end());
    }
    return result;
}

void steppedArcInto(const Target& target, Caches& caches, double radius, double width,
                    const QColor& color, double from, double sweepAngle,
                    const std::vector<double>& alphas, const std::vector<double>& glowAlphas,
                    double blur) {
    // Kept runs are laid over what is there: the bitmap must be cleared first.
    Uncleared::clear(*target.image);
    const size_t steps = alphas.size();
    const QRgb source = qPremultiply(color.rgba());
    if (steps == 0 || glowAlphas.size() != steps || !(sweepAngle > 0) || qAlpha(source) == 0 ||
        target.opacity == 0) {
        return;
    }
    const double ox = std::floor(target.cx);
    const double oy = std::floor(target.cy);
    const double fx = target.cx - ox;
    const double fy = target.cy - oy;
    // A circle far beyond any screen is left alone rather than computed pixel by pixel.
    const double r = radius * target.scale;
    if (r * sweepAngle > 1 << 20)
        return;
    // Nor is what lies far beyond the bitmap; nearer, the whole shape is kept for later pieces.
    const double reach = width / 2 * target.scale + 1.5 * std::max(blur, 0.5) * target.scale + 2;
    const QRect limit = Target{nullptr, fx, fy, 1, target.sx, target.sy, 255, {}}.arcBounds(
                            r, from - reach / r, sweepAngle + 2 * reach / r, reach) &
                        target.image->rect()
                            .translated(-static_cast<int>(ox), -static_cast<int>(oy))
                            .adjusted(-1024, -1024, 1024, 1024);
    if (limit.isEmpty())
        return;
    quint64 key = qHashMulti(0, fx, fy, target.scale, target.sx, target.sy, radius, width, source,
                             from, sweepAngle, blur);
    key = qHashMulti(key, limit.x(), limit.y(), limit.width(), limit.height());
    for (size_t i = 0; i < steps; ++i) key = qHashMulti(key, alphas[i], glowAlphas[i]);
    const std::shared_ptr<const ArcRuns> runs = caches.kept().arc(key, [&] {
        return computeSteppedArc(limit, fx, fy, target.scale, target.sx, target.sy, radius, width,
                                 source, from, sweepAngle, alphas, glowAlphas, blur,
                                 caches.arcsOnePixelAtATime);
    });
    QImage& image = *target.image;
    const QRect area = target.area & image.rect();
    const int dx = static_cast<int>(ox);
    const int dy = static_cast<int>(oy);
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    const std::vector<ArcRuns::Run>& all = runs->runs;
    for (size_t i = 0; i < all.size(); ++i) {
        const ArcRuns::Run& run = all[i];
        // A run is a few dozen pixels of a row far from the last one; the frame was cleared
        // long ago, so without asking ahead each run waits for memory.
        if (constexpr size_t ahead = 8; i + ahead < all.size()) {
            const ArcRuns::Run& next = all[i + ahead];
            const int y = next.y + dy;
            if (y >= area.top() && y <= area.bottom()) {
                const int x = std::clamp(next.x + dx, area.left(), area.right());
                prefetch(bits + y * stride + 4 * x, next.length);
            }
        }
        const int y = run.y + dy;
        if (y < area.top() || y > area.bottom())
            continue;
        const int first = std::max(run.x + dx, area.left());
        const int end = std::min(run.x + dx + run.length, area.right() + 1);
        if (first >= end)
            continue;
        auto* line = reinterpret_cast<QRgb*>(bits + y * stride);
        const QRgb* from = runs->pixels.data() + run.offset + (first - run.x - dx);
        if (target.opacity == 255) {
            putRun(line + first, from, end - first, false);
        } else {
            for (int x = first; x < end; ++x, ++from) put(line[x], byteMul(*from, target.opacity));
        }
    }
}

}  // namespace

void steppedArc(QPainter& painter, Caches& caches, QPointF center, double radius, double width,
                const QColor& color, double from, double to, const std::vector<double>& alphas,
                const std::vector<double>& glowAlphas, double blur) {
    if (width <= 0 || radius <= 0 || !(to > from) || alphas.empty() ||
        glowAlphas.size() != alphas.size() || color.alpha() == 0 || !painter.isActive()) {
        return;
    }
    if (const auto target = Target::of(painter, center)) {
        steppedArcInto(*target, caches, radius, width, color, from, to - from, alphas, glowAlphas,
                       blur);
        return;
    }
    // Elsewhere (a clip, a turned or uneven scale) it is computed upright at the painter's
    // scale and placed as a picture.
    const QTransform device = painter.deviceTransform();
    const double scale = std::max(std::sqrt(std::abs(device.determinant())), 1e-3);
    const double reach = width / 2 + 1.5 * std::max(blur, 0.0) + 1;
    const QRectF area = arcArea(center, radius, from - reach / radius, to + reach / radius, reach);
    const QSize pixels(static_cast<int>(std::ceil(area.width() * scale)),
                       static_cast<int>(std::ceil(area.height() * scale)));
    if (pixels.isEmpty() || static_cast<qint64>(pixels.width()) * pixels.height() > (64 << 20))
        return;
    QImage picture(pixels, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    // The picture's top row is the area's top edge, its largest y.
    const double top = area.y() + area.height();
    const Target upright{&picture,
                         (center.x() - area.x()) * scale,
                         (top - center.y()) * scale,
                         scale,
                         1,
                         -1,
                         255,
                         picture.rect()};
    steppedArcInto(upright, caches, radius, width, color, from, to - from, alphas, glowAlphas,
                   blur);
    const QSizeF size(pixels.width() / scale, pixels.height() / scale);
    image(painter, caches, picture, QRectF(QPointF(area.x(), top - size.height()), size));
}

}  // namespace tandri::paint
