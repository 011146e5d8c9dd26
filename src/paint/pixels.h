// SPDX-License-Identifier: MIT
#pragma once

#include <QRgb>
#include <QtGlobal>
#include <algorithm>
#include <cmath>
#include <numbers>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// Premultiplied pixels and how much of a pixel a round edge covers, for shapes computed pixel by
// pixel straight into a bitmap. Every function is plain arithmetic on values and buffers.
namespace tandri::paint::pixel {

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

// A coverage from 0 to 1 as an alpha level.
inline uint level(double coverage) {
    return static_cast<uint>(std::min(coverage, 1.0) * 255 + 0.5);
}

// A premultiplied pixel over the destination, stored as it is where nothing lies under it.
inline void put(QRgb& pixel, QRgb color) {
    if (color != 0)
        pixel = pixel ? color + byteMul(pixel, 255 - qAlpha(color)) : color;
}

// `count` pixels of `source` over `line`, read forward or, with `backward`, from `source`
// down. Where nothing lies under four pixels yet (a piece's first shape), they are simply
// stored, four at a time.
inline void putRun(QRgb* line, const QRgb* source, int count, bool backward) {
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

}  // namespace tandri::paint::pixel
