// SPDX-License-Identifier: MIT
#include "paint/blur.h"

#include <algorithm>
#include <cmath>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tandri::paint {

namespace {

// One box blur of radius r down the columns of a w × h coverage, each output (sum · m + 2¹⁵) >> 16
// with m = 2¹⁶ / (2r + 1). The running sums fit 16 bits (r stays far below 128), so eight columns
// go at a time; the same rule one by one keeps the last few columns identical.
void boxVertical(const quint8* src, quint8* dst, int w, int h, int r, quint16* sums) {
    const quint32 mul = 65536 / (2 * r + 1);
    const auto add = [w, sums](const quint8* row, bool subtract) {
        int x = 0;
#ifdef __SSE2__
        const __m128i zero = _mm_setzero_si128();
        for (; x + 8 <= w; x += 8) {
            auto* at = reinterpret_cast<__m128i*>(sums + x);
            const __m128i v =
                _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + x)), zero);
            _mm_storeu_si128(at, subtract ? _mm_sub_epi16(_mm_loadu_si128(at), v)
                                          : _mm_add_epi16(_mm_loadu_si128(at), v));
        }
#endif
        for (; x < w; ++x)
            sums[x] = static_cast<quint16>(subtract ? sums[x] - row[x] : sums[x] + row[x]);
    };
    std::fill(sums, sums + w, quint16(0));
    for (int i = 0; i <= r && i < h; ++i) add(src + static_cast<size_t>(i) * w, false);
    for (int y = 0; y < h; ++y) {
        quint8* d = dst + static_cast<size_t>(y) * w;
        int x = 0;
#ifdef __SSE2__
        const __m128i m = _mm_set1_epi16(static_cast<short>(mul));
        for (; x + 8 <= w; x += 8) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + x));
            // The product's high half, plus one where its low half reaches one half.
            const __m128i out =
                _mm_add_epi16(_mm_mulhi_epu16(v, m), _mm_srli_epi16(_mm_mullo_epi16(v, m), 15));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(d + x), _mm_packus_epi16(out, out));
        }
#endif
        for (; x < w; ++x) d[x] = static_cast<quint8>((sums[x] * mul + 32768) >> 16);
        if (y + r + 1 < h)
            add(src + static_cast<size_t>(y + r + 1) * w, false);
        if (y - r >= 0)
            add(src + static_cast<size_t>(y - r) * w, true);
    }
}

// The w × h bytes of `src` as h × w: row x of `dst` is column x of `src`.
void transpose(const quint8* src, quint8* dst, int w, int h) {
    for (int y = 0; y < h; ++y) {
        const quint8* row = src + static_cast<size_t>(y) * w;
        for (int x = 0; x < w; ++x) dst[static_cast<size_t>(x) * h + y] = row[x];
    }
}
// A shadow's colour at each coverage v (0 to 255): its premultiplied channels c each become
// (c · v + 127) / 255, as painting the colour at that alpha does.
class Tint {
public:
    explicit Tint(const QColor& color) {
        const QRgb c = qPremultiply(color.rgba());
        a_ = static_cast<quint16>(qAlpha(c));
        r_ = static_cast<quint16>(qRed(c));
        g_ = static_cast<quint16>(qGreen(c));
        b_ = static_cast<quint16>(qBlue(c));
    }
    QRgb at(quint32 v) const {
        return qRgba(scaled(r_, v), scaled(g_, v), scaled(b_, v), scaled(a_, v));
    }
#ifdef __SSE2__
    // Eight coverages (16-bit lanes) to eight pixels at `out`.
    void eight(__m128i v, QRgb* out) const {
        const auto channel = [v](quint16 c) {
            // (x + 127) / 255 for x up to 255², without dividing.
            const __m128i x = _mm_add_epi16(
                _mm_mullo_epi16(v, _mm_set1_epi16(static_cast<short>(c))), _mm_set1_epi16(128));
            const __m128i div = _mm_srli_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), 8);
            return _mm_packus_epi16(div, div);
        };
        const __m128i bg = _mm_unpacklo_epi8(channel(b_), channel(g_));
        const __m128i ra = _mm_unpacklo_epi8(channel(r_), channel(a_));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi16(bg, ra));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4), _mm_unpackhi_epi16(bg, ra));
    }
#endif

private:
    static int scaled(quint16 c, quint32 v) {
        return static_cast<int>((c * v + 127) / 255);
    }
    quint16 a_ = 0;
    quint16 r_ = 0;
    quint16 g_ = 0;
    quint16 b_ = 0;
};

}  // namespace

// Three box blurs in a row approximate a Gaussian; the widths follow the usual recipe for
// matching its variance.
std::array<int, 3> boxRadii(double sigma) {
    if (sigma < 0.5)
        return {0, 0, 0};
    const double ideal = std::sqrt(12 * sigma * sigma / 3 + 1);
    int lower = static_cast<int>(std::floor(ideal));
    if (lower % 2 == 0)
        --lower;
    const int upper = lower + 2;
    const double m =
        (12 * sigma * sigma - 3.0 * lower * lower - 12.0 * lower - 9) / (-4.0 * lower - 4);
    const int smaller = static_cast<int>(std::lround(m));
    std::array<int, 3> radii{};
    // The running sums of a box hold 16 bits: 255 · (2r + 1) at most.
    for (int i = 0; i < 3; ++i) radii[i] = std::min(((i < smaller ? lower : upper) - 1) / 2, 127);
    return radii;
}

const quint8* blurredAlpha(const uchar* bits, qsizetype stride, int w, int h,
                           const std::array<int, 3>& radii, BlurBuffers& buffers) {
    const size_t n = static_cast<size_t>(w) * h;
    if (buffers.a.size() < n)
        buffers.a.resize(n);
    if (buffers.b.size() < n)
        buffers.b.resize(n);
    if (buffers.sums.size() < static_cast<size_t>(std::max(w, h)))
        buffers.sums.resize(static_cast<size_t>(std::max(w, h)));
    // Across first, on the coverage turned on its side so that rows blur as columns do.
    quint8* a = buffers.a.data();
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(bits + y * stride);
        for (int x = 0; x < w; ++x)
            a[static_cast<size_t>(x) * h + y] = static_cast<quint8>(qAlpha(line[x]));
    }
    quint8* src = a;
    quint8* dst = buffers.b.data();
    for (int r : radii) {
        if (r > 0) {
            boxVertical(src, dst, h, w, r, buffers.sums.data());
            std::swap(src, dst);
        }
    }
    transpose(src, dst, h, w);
    std::swap(src, dst);
    for (int r : radii) {
        if (r > 0) {
            boxVertical(src, dst, w, h, r, buffers.sums.data());
            std::swap(src, dst);
        }
    }
    return src;
}

void tint(const quint8* coverage, int w, int h, const QColor& color, QImage& out) {
    const Tint tint(color);
    uchar* const bits = out.bits();
    const qsizetype stride = out.bytesPerLine();
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(bits + y * stride);
        const quint8* in = coverage + static_cast<size_t>(y) * w;
        int x = 0;
#ifdef __SSE2__
        for (; x + 8 <= w; x += 8) {
            const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + x));
            tint.eight(_mm_unpacklo_epi8(v, _mm_setzero_si128()), line + x);
        }
#endif
        for (; x < w; ++x) line[x] = tint.at(in[x]);
    }
}

void enlargeTinted(const quint8* coverage, int w, int h, int factor, const QColor& color,
                   BlurBuffers& buffers, QImage& out) {
    // 8 bits of weight are plenty for a shadow. A first frame makes several shadows of a hundred
    // thousand pixels or more, so the rows are computed eight pixels at a time.
    const Tint tint(color);
    const int width = w * factor;
    const int height = h * factor;
    struct Tap {
        int first = 0;
        int second = 0;
        quint32 weight = 0;  // of the second, out of 256
    };
    const auto taps = [factor](int n, int size) {
        std::vector<Tap> result(static_cast<size_t>(n * factor));
        for (int i = 0; i < n * factor; ++i) {
            const double u = (i + 0.5) / factor - 0.5;
            const int first = std::clamp(static_cast<int>(std::floor(u)), 0, size - 1);
            const double f = std::clamp(u - first, 0.0, 1.0);
            result[i] = {first, std::min(first + 1, size - 1),
                         static_cast<quint32>(std::lround(f * 256))};
        }
        return result;
    };
    const std::vector<Tap> across = taps(w, w);
    const std::vector<Tap> down = taps(h, h);
    // Across first, at 16 bits: coverage times 256.
    buffers.rows.resize(static_cast<size_t>(width) * h);
    for (int y = 0; y < h; ++y) {
        const quint8* in = coverage + static_cast<size_t>(y) * w;
        quint16* row = buffers.rows.data() + static_cast<size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            const Tap& t = across[x];
            row[x] = static_cast<quint16>(in[t.first] * (256 - t.weight) + in[t.second] * t.weight);
        }
    }
    // Then down, each term's fraction dropped before the sum is rounded to a level: the same
    // rule eight at a time and one by one.
    uchar* const bits = out.bits();
    const qsizetype stride = out.bytesPerLine();
    for (int y = 0; y < height; ++y) {
        const Tap& t = down[y];
        const quint16* a = buffers.rows.data() + static_cast<size_t>(t.first) * width;
        const quint16* b = buffers.rows.data() + static_cast<size_t>(t.second) * width;
        auto* line = reinterpret_cast<QRgb*>(bits + y * stride);
        const quint32 wa = (256 - t.weight) << 8;
        const quint32 wb = t.weight << 8;
        int x = 0;
#ifdef __SSE2__
        // 16-bit lanes hold a weight of 255 · 256 at most; a whole weight takes one row as is.
        const __m128i ma = _mm_set1_epi16(static_cast<short>(wa));
        const __m128i mb = _mm_set1_epi16(static_cast<short>(wb));
        const __m128i half = _mm_set1_epi16(128);
        for (; x + 8 <= width; x += 8) {
            const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x));
            const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x));
            const __m128i sum =
                t.weight == 0     ? va
                : t.weight == 256 ? vb
                                  : _mm_add_epi16(_mm_mulhi_epu16(va, ma), _mm_mulhi_epu16(vb, mb));
            tint.eight(_mm_srli_epi16(_mm_add_epi16(sum, half), 8), line + x);
        }
#endif
        for (; x < width; ++x) {
            const quint32 sum = ((a[x] * wa) >> 16) + ((b[x] * wb) >> 16);
            line[x] = tint.at((sum + 128) >> 8);
        }
    }
}

QImage& atLeast(QImage& image, int w, int h) {
    if (image.width() < w || image.height() < h) {
        image = QImage(std::max(w, image.width()), std::max(h, image.height()),
                       QImage::Format_ARGB32_Premultiplied);
    }
    return image;
}

}  // namespace tandri::paint
