#include "ring/pixelshapes.h"

#include <QHashFunctions>
#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <numbers>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "paint/renderthread.h"

namespace tandri::PixelShapes {

namespace {

std::atomic<bool> arcsOnePixelAtATime{false};

// The bitmap of this thread that still holds an earlier frame (Uncleared).
thread_local QImage* uncleared = nullptr;

void clearWhole(QImage& image) {
    if (uncleared == &image) {
        uncleared = nullptr;
        image.fill(Qt::transparent);
    }
}

// For a shape drawn into a bitmap that may still be uncleared: rows `top` to `bottom` are
// cleared one by one as the shape reaches them (`row`, which it calls for each of them before
// drawing into it, from any thread), the others at once, here.
class FreshRows {
public:
    FreshRows(QImage& image, int top, int bottom) {
        if (uncleared != &image)
            return;
        uncleared = nullptr;
        bits_ = image.bits();
        stride_ = image.bytesPerLine();
        for (int y = 0; y < image.height(); ++y) {
            if (y < top || y > bottom)
                std::memset(bits_ + y * stride_, 0, static_cast<size_t>(stride_));
        }
    }
    void row(int y) const {
        if (bits_)
            std::memset(bits_ + y * stride_, 0, static_cast<size_t>(stride_));
    }

private:
    uchar* bits_ = nullptr;
    qsizetype stride_ = 0;
};

// Clears the bitmap whole on leaving, if nothing took the clearing on: for shapes that return
// before drawing anything.
struct ClearedOnReturn {
    QImage& image;
    ~ClearedOnReturn() { clearWhole(image); }
};

// x × a / 255 for each of the four channels at once.
inline QRgb byteMul(QRgb x, uint a) {
    quint32 t = (x & 0xff00ff) * a;
    t = (t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8;
    t &= 0xff00ff;
    quint32 u = ((x >> 8) & 0xff00ff) * a;
    u = u + ((u >> 8) & 0xff00ff) + 0x800080;
    u &= 0xff00ff00;
    return u | t;
}

// A premultiplied pixel over the destination.
inline void over(QRgb& destination, QRgb source) {
    destination = source + byteMul(destination, 255 - qAlpha(source));
}

// How much of the pixel-wide stretch around d lies within [from, to].
inline double overlap(double d, double from, double to) {
    return std::max(std::min(to, d + 0.5) - std::max(from, d - 0.5), 0.0);
}

// atan2 to within 1e-5 radians (a hundredth of a pixel on the largest circle drawn here), at a
// fraction of its cost: a polynomial for the arctangent on [0, 1], then the octant.
inline double angle(double y, double x) {
    const double ax = std::abs(x);
    const double ay = std::abs(y);
    const double big = std::max(ax, ay);
    if (big == 0)
        return 0;
    const double a = std::min(ax, ay) / big;
    const double s = a * a;
    double r = ((-0.0464964749 * s + 0.15931422) * s - 0.327622764) * s * a + a;
    if (ay > ax)
        r = std::numbers::pi / 2 - r;
    if (x < 0)
        r = std::numbers::pi - r;
    return y < 0 ? -r : r;
}

// How much of a pixel lies on the inner side of an edge at signed distance t beyond its centre,
// for an edge whose normal has the components a ≥ b ≥ 0 (a² + b² = 1): exact for a straight
// edge, which a circle this large is across one pixel.
inline double below(double t, double a, double b) {
    const double u = t + (a + b) / 2;  // from the pixel's corner farthest inside
    if (u <= 0)
        return 0;
    if (u >= a + b)
        return 1;
    if (b < 1e-6)
        return std::min(u, 1.0);
    if (u <= b)
        return u * u / (2 * a * b);
    if (u <= a)
        return (u - b / 2) / a;
    const double v = a + b - u;
    return 1 - v * v / (2 * a * b);
}

// How much of the pixel at offset (dx, dy) and distance d from the centre lies between the
// circles of radii `inner` and `outer`.
inline double between(double dx, double dy, double d, double inner, double outer) {
    // A disc has no inner edge.
    const double from = inner > 0 ? inner : -outer;
    if (d < 1) {
        // At the very centre the edges are not straight across the pixel.
        return overlap(d, from, outer);
    }
    const double x = std::abs(dx) / d;
    const double y = std::abs(dy) / d;
    const double a = std::max(x, y);
    const double b = std::min(x, y);
    return below(outer - d, a, b) - (inner > 0 ? below(inner - d, a, b) : 0.0);
}

inline uint level(double coverage) {
    return static_cast<uint>(std::min(coverage, 1.0) * 255 + 0.5);
}

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
    const FreshRows fresh(image, top, bottom);
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

// The device pixels within `margin` of the arc of radius r (device pixels) from `from`
// counter-clockwise by `sweepAngle`.
QRect arcBounds(const Target& target, double r, double from, double sweepAngle, double margin) {
    constexpr double turn = 2 * std::numbers::pi;
    const QPointF start(target.sx * r * std::cos(from), target.sy * r * std::sin(from));
    const double end = from + sweepAngle;
    const QPointF finish(target.sx * r * std::cos(end), target.sy * r * std::sin(end));
    double x0 = std::min(start.x(), finish.x());
    double x1 = std::max(start.x(), finish.x());
    double y0 = std::min(start.y(), finish.y());
    double y1 = std::max(start.y(), finish.y());
    for (int quarter = 0; quarter < 4; ++quarter) {
        // The circle's extremes that the arc passes.
        const double a = quarter * turn / 4;
        double rel = a - from;
        rel -= std::floor(rel / turn) * turn;
        if (rel <= sweepAngle) {
            x0 = std::min(x0, target.sx * r * std::cos(a));
            x1 = std::max(x1, target.sx * r * std::cos(a));
            y0 = std::min(y0, target.sy * r * std::sin(a));
            y1 = std::max(y1, target.sy * r * std::sin(a));
        }
    }
    return QRect(QPoint(static_cast<int>(std::floor(target.cx + x0 - margin)),
                        static_cast<int>(std::floor(target.cy + y0 - margin))),
                 QPoint(static_cast<int>(std::ceil(target.cx + x1 + margin)),
                        static_cast<int>(std::ceil(target.cy + y1 + margin))));
}

}  // namespace

std::optional<Target> target(QPainter& painter, QPointF center) {
    if (!painter.isActive() || painter.hasClipping() ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver ||
        !painter.testRenderHint(QPainter::Antialiasing)) {
        return std::nullopt;
    }
    QPaintDevice* device = painter.device();
    if (!device || device->devType() != QInternal::Image)
        return std::nullopt;
    auto* image = static_cast<QImage*>(device);
    if (image->format() != QImage::Format_ARGB32_Premultiplied)
        return std::nullopt;
    const QTransform t = painter.deviceTransform();
    if (t.type() > QTransform::TxScale || std::abs(std::abs(t.m11()) - std::abs(t.m22())) > 1e-9 ||
        t.m11() == 0) {
        return std::nullopt;
    }
    const QPointF c = t.map(center);
    const double opacity = std::clamp(painter.opacity(), 0.0, 1.0);
    return Target{image,
                  c.x(),
                  c.y(),
                  std::abs(t.m11()),
                  t.m11() < 0 ? -1.0 : 1.0,
                  t.m22() < 0 ? -1.0 : 1.0,
                  static_cast<uint>(std::lround(opacity * 255)),
                  image->rect()};
}

void ring(const Target& target, double inner, double outer, const QColor& color) {
    const ClearedOnReturn cleared{*target.image};
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

void circleLine(const Target& target, double radius, double width, const QColor& color, double from,
                double sweepAngle, double on, double off) {
    const ClearedOnReturn cleared{*target.image};
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
        bounded.area &= arcBounds(target, r, from, sweepAngle, h + 2);
    sweep(
        bounded, r - h, r + h, 0.5 + (whole ? 0.0 : h), whole && !dashed,
        [source](QRgb* line, int first, int end, double) {
            for (QRgb* p = line + first; p != line + end; ++p) over(*p, source);
        },
        edge);
}

namespace {

// Shapes drawn lately, most recent first: the same sky or arc comes back with every piece of
// every frame, and a new ring size or a moved centre makes new ones.
template <typename Shape>
using Kept = std::vector<std::pair<quint64, std::shared_ptr<const Shape>>>;

// Work done beside a frame on another thread may draw kept shapes too; a kept shape itself is
// never changed, so only the lists need guarding.
std::mutex& keptGuard() {
    static std::mutex guard;
    return guard;
}

// The kept shape for `key`, or the one `make` computes, kept in its place.
template <typename Shape, typename Make>
std::shared_ptr<const Shape> recall(Kept<Shape>& kept, quint64 key, Make make) {
    {
        const std::lock_guard lock(keptGuard());
        const auto found = std::find_if(kept.begin(), kept.end(),
                                        [key](const auto& entry) { return entry.first == key; });
        if (found != kept.end()) {
            std::rotate(kept.begin(), found, found + 1);
            return kept.front().second;
        }
    }
    auto shape = std::make_shared<const Shape>(make());
    constexpr size_t keep = 4;
    const std::lock_guard lock(keptGuard());
    kept.insert(kept.begin(), {key, shape});
    if (kept.size() > keep)
        kept.pop_back();
    return shape;
}

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

// A quarter of a radial gradient about a centre on a pixel's corner or middle: the other three
// quarters are its mirror images. Row j and column i hold the pixel whose centre lies
// (i + offsetX, j + offsetY) device pixels right of and away from the centre.
struct Quarter {
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

Kept<Quarter>& keptQuarters() {
    static Kept<Quarter> kept;
    return kept;
}

Quarter computeQuarter(double offsetX, double offsetY, const Gradient& gradient) {
    Quarter q;
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

inline void put(QRgb& pixel, QRgb color) {
    if (color != 0)
        pixel = pixel ? color + byteMul(pixel, 255 - qAlpha(color)) : color;
}

// `count` pixels of `source` over `line`, read forward or, with `backward`, from `source`
// down. Where nothing lies under four pixels yet (a piece's first shape), they are simply
// stored, four at a time.
void putRun(QRgb* line, const QRgb* source, int count, bool backward) {
    int k = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    for (; k + 4 <= count; k += 4) {
        __m128i colors;
        if (backward) {
            colors = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source - k - 3));
            colors = _mm_shuffle_epi32(colors, _MM_SHUFFLE(0, 1, 2, 3));
        } else {
            colors = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + k));
        }
        auto* under = reinterpret_cast<__m128i*>(line + k);
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_loadu_si128(under), zero)) == 0xffff) {
            _mm_storeu_si128(under, colors);
            continue;
        }
        for (int i = k; i < k + 4; ++i) put(line[i], backward ? source[-i] : source[i]);
    }
#endif
    for (; k < count; ++k) put(line[k], backward ? source[-k] : source[k]);
}

// Asks for the memory of `count` pixels from `at` (at most a kilobyte of it) before it is
// needed.
inline void prefetch(const uchar* at, int count) {
#ifdef __SSE2__
    const int lines = std::min((count * 4 + 63) / 64 + 1, 16);
    for (int k = 0; k < lines; ++k)
        _mm_prefetch(reinterpret_cast<const char*>(at) + 64 * k, _MM_HINT_T0);
#else
    Q_UNUSED(at);
    Q_UNUSED(count);
#endif
}

}  // namespace

void radial(const Target& target, const std::vector<QColor>& colors,
            const std::vector<double>& locations, double fromRadius, double toRadius) {
    const ClearedOnReturn cleared{*target.image};
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
        const FreshRows fresh(image, drawn.top(), drawn.bottom());
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
    const std::shared_ptr<const Quarter> quarter = recall(keptQuarters(), key, [&] {
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

namespace {

// A shape computed once, kept as runs of premultiplied pixels row by row, in device pixels
// relative to the pixel that holds its centre.
struct Runs {
    struct Run {
        int y = 0;
        int x = 0;
        int length = 0;
        size_t offset = 0;  // into `pixels`
    };
    std::vector<Run> runs;
    std::vector<QRgb> pixels;
};

Kept<Runs>& keptRuns() {
    static Kept<Runs> kept;
    return kept;
}

// The glowing stepped line around the centre pixel's corner, `fx`, `fy` being where in that
// pixel the centre lies.
Runs computeSteppedArc(const QRect& limit, double fx, double fy, double scale, double sx, double sy,
                       double radius, double width, QRgb source, double from, double sweepAngle,
                       const std::vector<double>& alphas, const std::vector<double>& glowAlphas,
                       double blur) {
    Runs result;
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
    std::array<QRgb, 256> tone;
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
    const bool exact = arcsOnePixelAtATime.load(std::memory_order_relaxed);
    // Row by row, the pixels within `shown` of the circle, near enough to the arc.
    const Target unit{nullptr, fx, fy, 1, sx, sy, 255, {}};
    const double ends = beyond / r;
    const QRect bounds = arcBounds(unit, r, from - ends, sweepAngle + 2 * ends, shown + 1) & limit;
    const double r1 = r + shown;
    const double r0 = std::max(r - shown, 0.0);
    // Far from the centre, distance and angle change so smoothly along a row that between
    // points every few pixels they are interpolated, sparing a square root and an arctangent
    // per pixel: both curve by at most 1 / distance, which over `knots` pixels strays by
    // knots² / (8 distance), here at most a fiftieth of a pixel.
    constexpr int knots = 8;
    const bool smooth = r - shown > knots * knots / (8 * 0.02);
    // Bands of rows may be computed on two threads, each into runs of its own.
    const auto emit = [&](Runs& out, std::vector<QRgb>& row, int y, int first, int last,
                          double dy) {
        first = std::max(first, bounds.left());
        last = std::min(last, bounds.right());
        if (first > last)
            return;
        row.resize(static_cast<size_t>(last - first + 1));
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
    std::vector<Runs> banded(static_cast<size_t>(std::max(bounds.height(), 0) + band - 1) / band);
    const auto rows = [&](int top, int stop) {
        Runs& out = banded[static_cast<size_t>((top - bounds.top()) / band)];
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
    for (Runs& some : banded) {
        const size_t offset = result.pixels.size();
        for (Runs::Run& run : some.runs) run.offset += offset;
        result.runs.insert(result.runs.end(), some.runs.begin(), some.runs.end());
        result.pixels.insert(result.pixels.end(), some.pixels.begin(), some.pixels.end());
    }
    return result;
}

}  // namespace

void steppedArc(const Target& target, double radius, double width, const QColor& color, double from,
                double sweepAngle, const std::vector<double>& alphas,
                const std::vector<double>& glowAlphas, double blur) {
    // Kept runs are laid over what is there: the bitmap must be cleared first.
    clearWhole(*target.image);
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
    const QRect limit = arcBounds({nullptr, fx, fy, 1, target.sx, target.sy, 255, {}}, r,
                                  from - reach / r, sweepAngle + 2 * reach / r, reach) &
                        target.image->rect()
                            .translated(-static_cast<int>(ox), -static_cast<int>(oy))
                            .adjusted(-1024, -1024, 1024, 1024);
    if (limit.isEmpty())
        return;
    quint64 key = qHashMulti(0, fx, fy, target.scale, target.sx, target.sy, radius, width, source,
                             from, sweepAngle, blur);
    key = qHashMulti(key, limit.x(), limit.y(), limit.width(), limit.height());
    for (size_t i = 0; i < steps; ++i) key = qHashMulti(key, alphas[i], glowAlphas[i]);
    const std::shared_ptr<const Runs> runs = recall(keptRuns(), key, [&] {
        return computeSteppedArc(limit, fx, fy, target.scale, target.sx, target.sy, radius, width,
                                 source, from, sweepAngle, alphas, glowAlphas, blur);
    });
    QImage& image = *target.image;
    const QRect area = target.area & image.rect();
    const int dx = static_cast<int>(ox);
    const int dy = static_cast<int>(oy);
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    const std::vector<Runs::Run>& all = runs->runs;
    for (size_t i = 0; i < all.size(); ++i) {
        const Runs::Run& run = all[i];
        // A run is a few dozen pixels of a row far from the last one; the frame was cleared
        // long ago, so without asking ahead each run waits for memory.
        if (constexpr size_t ahead = 8; i + ahead < all.size()) {
            const Runs::Run& next = all[i + ahead];
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

Uncleared::Uncleared(QImage& image) : previous_(uncleared) {
    uncleared = &image;
}

Uncleared::~Uncleared() {
    if (uncleared)
        clearWhole(*uncleared);
    uncleared = previous_;
}

void settle(const QPainter& painter) {
    if (uncleared && painter.device() == uncleared)
        clearWhole(*uncleared);
}

void computeArcsOnePixelAtATime(bool one) {
    arcsOnePixelAtATime = one;
}

void forgetKeptShapes() {
    const std::lock_guard lock(keptGuard());
    keptRuns().clear();
    keptQuarters().clear();
}

}  // namespace tandri::PixelShapes
