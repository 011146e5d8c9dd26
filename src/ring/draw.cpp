#include "ring/draw.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHashFunctions>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainterPathStroker>
#include <QRadialGradient>
#include <QScreen>
#include <QTextLayout>
#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <mutex>
#include <numbers>
#include <unordered_map>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "ring/pixelshapes.h"
#include "paint/renderthread.h"
#include "ring/ringscene.h"

namespace tandri::Draw {

namespace {

constexpr double degreesPerRadian = 180 / std::numbers::pi;

// ---- Measuring what a drawing covers ------------------------------------------------------

// A paint engine that draws nothing and only collects the device-space bounds of what is
// painted, so that a shadow is blurred over the body's extent rather than the whole frame.
class BoundsEngine final : public QPaintEngine {
public:
    BoundsEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}

    bool begin(QPaintDevice*) override {
        bounds_ = QRectF();
        return true;
    }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& state) override {
        const auto dirty = state.state();
        if (dirty & DirtyTransform)
            transform_ = state.transform();
        if (dirty & DirtyPen)
            pen_ = state.pen();
    }

    void drawPath(const QPainterPath& path) override { addShape(path.controlPointRect()); }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode) override {
        if (count <= 0)
            return;
        double x0 = points[0].x(), x1 = x0, y0 = points[0].y(), y1 = y0;
        for (int i = 1; i < count; ++i) {
            x0 = std::min(x0, points[i].x());
            x1 = std::max(x1, points[i].x());
            y0 = std::min(y0, points[i].y());
            y1 = std::max(y1, points[i].y());
        }
        addShape(QRectF(x0, y0, x1 - x0, y1 - y0));
    }
    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override {
        QPolygonF polygon;
        polygon.reserve(count);
        for (int i = 0; i < count; ++i) polygon.append(points[i]);
        drawPolygon(polygon.constData(), count, mode);
    }
    void drawPixmap(const QRectF& r, const QPixmap&, const QRectF&) override { add(r, 1); }
    void drawImage(const QRectF& r, const QImage&, const QRectF&,
                   Qt::ImageConversionFlags) override {
        add(r, 1);
    }
    void drawTiledPixmap(const QRectF& r, const QPixmap&, const QPointF&) override { add(r, 1); }
    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        // Generous: glyphs may overhang their advance (italics, antialiasing).
        const double h = item.ascent() + item.descent();
        add(QRectF(p.x() - h / 2, p.y() - item.ascent() - h / 4, item.width() + h, h * 1.5), 1);
    }

    QRectF bounds() const { return bounds_; }

private:
    void addShape(const QRectF& r) {
        if (pen_.style() == Qt::NoPen) {
            add(r, 1);
        } else if (pen_.isCosmetic()) {
            add(r, std::max(pen_.widthF(), 1.0) / 2 + 1);
        } else {
            // Half the width reaches past the path; miters and square caps reach further.
            const double reach =
                pen_.joinStyle() == Qt::MiterJoin || pen_.joinStyle() == Qt::SvgMiterJoin
                    ? std::max(pen_.miterLimit(), 1.5)
                    : 0.75;
            const double m = pen_.widthF() * reach;
            add(r.adjusted(-m, -m, m, m), 1);
        }
    }
    void add(const QRectF& r, double deviceMargin) {
        const QRectF d = transform_.mapRect(r).adjusted(-deviceMargin, -deviceMargin, deviceMargin,
                                                        deviceMargin);
        bounds_ = bounds_.isNull() ? d : bounds_.united(d);
    }

    QTransform transform_;
    QPen pen_;
    QRectF bounds_;
};

class BoundsDevice final : public QPaintDevice {
public:
    explicit BoundsDevice(const QPaintDevice* like)
        : dpiX_(like ? like->logicalDpiX() : 96), dpiY_(like ? like->logicalDpiY() : 96) {}
    ~BoundsDevice() override = default;

    QPaintEngine* paintEngine() const override { return &engine_; }
    QRectF bounds() const { return engine_.bounds(); }

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
            case PdmWidth:
            case PdmHeight:
                return 1 << 24;
            case PdmWidthMM:
                return (1 << 24) / dpiX_ * 254 / 10;
            case PdmHeightMM:
                return (1 << 24) / dpiY_ * 254 / 10;
            case PdmNumColors:
                return INT_MAX;
            case PdmDepth:
                return 32;
            case PdmDpiX:
            case PdmPhysicalDpiX:
                return dpiX_;
            case PdmDpiY:
            case PdmPhysicalDpiY:
                return dpiY_;
            case PdmDevicePixelRatio:
                return 1;
            case PdmDevicePixelRatioScaled:
                return static_cast<int>(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    int dpiX_;
    int dpiY_;
    mutable BoundsEngine engine_;
};

// Carries over what a body may rely on without setting it itself.
void copyState(const QPainter& from, QPainter& to) {
    to.setRenderHints(from.renderHints());
    to.setFont(from.font());
    to.setPen(from.pen());
    to.setBrush(from.brush());
}

// ---- Blurring -----------------------------------------------------------------------------

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

// Buffers reused from frame to frame; one set per nesting level of `glow` bodies.
struct Scratch {
    QImage body;
    QImage tinted;
    std::vector<quint8> a;
    std::vector<quint8> b;
    std::vector<quint16> sums;
    std::vector<quint16> rows;
};

// An image at least w × h, reallocated only when it grows.
QImage& atLeast(QImage& image, int w, int h) {
    if (image.width() < w || image.height() < h) {
        image = QImage(std::max(w, image.width()), std::max(h, image.height()),
                       QImage::Format_ARGB32_Premultiplied);
    }
    return image;
}

// Renders `body` through `world` into the top-left w × h of the scratch image and leaves its
// blurred coverage in the returned buffer.
const quint8* blurredCoverage(Scratch& scratch, const QPainter& like, const QTransform& world,
                              int w, int h, const std::array<int, 3>& radii,
                              const std::function<void(QPainter&)>& body) {
    QImage& image = atLeast(scratch.body, w, h);
    // Text in the body must come out at the size it has on the real device.
    if (const QPaintDevice* device = like.device()) {
        const int dpmX = qRound(device->logicalDpiX() / 0.0254);
        const int dpmY = qRound(device->logicalDpiY() / 0.0254);
        if (image.dotsPerMeterX() != dpmX)
            image.setDotsPerMeterX(dpmX);
        if (image.dotsPerMeterY() != dpmY)
            image.setDotsPerMeterY(dpmY);
    }
    for (int y = 0; y < h; ++y) std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)), w, 0u);
    {
        QPainter painter(&image);
        copyState(like, painter);
        painter.setClipRect(QRect(0, 0, w, h));
        painter.setWorldTransform(world);
        body(painter);
    }
    const size_t n = static_cast<size_t>(w) * h;
    if (scratch.a.size() < n)
        scratch.a.resize(n);
    if (scratch.b.size() < n)
        scratch.b.resize(n);
    if (scratch.sums.size() < static_cast<size_t>(std::max(w, h)))
        scratch.sums.resize(static_cast<size_t>(std::max(w, h)));
    // Across first, on the coverage turned on its side so that rows blur as columns do.
    quint8* a = scratch.a.data();
    for (int y = 0; y < h; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x)
            a[static_cast<size_t>(x) * h + y] = static_cast<quint8>(qAlpha(line[x]));
    }
    quint8* src = a;
    quint8* dst = scratch.b.data();
    for (int r : radii) {
        if (r > 0) {
            boxVertical(src, dst, h, w, r, scratch.sums.data());
            std::swap(src, dst);
        }
    }
    transpose(src, dst, h, w);
    std::swap(src, dst);
    for (int r : radii) {
        if (r > 0) {
            boxVertical(src, dst, w, h, r, scratch.sums.data());
            std::swap(src, dst);
        }
    }
    return src;
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

// The w × h coverage tinted into the top-left of `out`.
void tint(const quint8* coverage, int w, int h, const Tint& tint, QImage& out) {
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

// The w × h coverage enlarged `factor` times and tinted into `out`, interpolated linearly
// between pixel centres as a smooth scaling does; 8 bits of weight are plenty for a shadow. A
// first frame makes several shadows of a hundred thousand pixels or more, so the rows are
// computed eight pixels at a time.
void enlargeTinted(const quint8* coverage, int w, int h, int factor, const Tint& tint,
                   Scratch& scratch, QImage& out) {
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
    scratch.rows.resize(static_cast<size_t>(width) * h);
    for (int y = 0; y < h; ++y) {
        const quint8* in = coverage + static_cast<size_t>(y) * w;
        quint16* row = scratch.rows.data() + static_cast<size_t>(y) * width;
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
        const quint16* a = scratch.rows.data() + static_cast<size_t>(t.first) * width;
        const quint16* b = scratch.rows.data() + static_cast<size_t>(t.second) * width;
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

// ---- The shadow cache ---------------------------------------------------------------------

struct GlowKey {
    quint64 body = 0;
    quint64 color = 0;
    double blur = 0;
    // The linear part of the device transform: scale, flip and rotation change the picture.
    double m11 = 0, m12 = 0, m21 = 0, m22 = 0;
    bool operator==(const GlowKey&) const = default;
};

struct GlowKeyHash {
    size_t operator()(const GlowKey& k) const {
        return qHashMulti(0, k.body, k.color, k.blur, k.m11, k.m12, k.m21, k.m22);
    }
};

// A blurred, tinted shadow. Rects are in device pixels relative to the anchor's device
// position, before the shadow's offset.
struct GlowEntry {
    QImage image;
    /// Pixels of `image` per device pixel (shadows with a large blur are kept smaller).
    double scale = 1;
    /// Where `image` lies.
    QRectF rect;
    /// The whole shadow: the body's bounds grown by the blur.
    QRectF shadow;
    /// The part of `rect` that holds correct pixels (the rest lay beyond the visible area).
    QRectF covered;
    quint64 lastUse = 0;
};

// Bitmaps kept by key, bounded in number and bytes; the least recently used go first.
// Entries carry `image` and `lastUse`.
template <typename Key, typename Entry, typename Hash>
struct BoundedImages {
    BoundedImages(size_t capacity, qint64 maxBytes) : capacity(capacity), maxBytes(maxBytes) {}

    std::unordered_map<Key, Entry, Hash> entries;
    const size_t capacity;
    const qint64 maxBytes;
    qint64 bytes = 0;
    quint64 clock = 0;

    Entry& insert(const Key& key, Entry entry) {
        if (const auto old = entries.find(key); old != entries.end()) {
            bytes -= old->second.image.sizeInBytes();
            entries.erase(old);
        }
        const qint64 size = entry.image.sizeInBytes();
        while (!entries.empty() && (entries.size() >= capacity || bytes + size > maxBytes)) {
            const auto oldest = std::min_element(
                entries.begin(), entries.end(),
                [](const auto& x, const auto& y) { return x.second.lastUse < y.second.lastUse; });
            bytes -= oldest->second.image.sizeInBytes();
            entries.erase(oldest);
        }
        bytes += size;
        return entries.emplace(key, std::move(entry)).first->second;
    }
    void clear() {
        entries.clear();
        bytes = 0;
    }
};

struct GlowCache : BoundedImages<GlowKey, GlowEntry, GlowKeyHash> {
    GlowCache() : BoundedImages(128, 24 << 20) {}
    quint64 blurs = 0;
};

// Whole drawings kept as bitmaps; some are large, so their number and bytes are bounded.
struct LayerKey {
    quint64 body = 0;
    double m11 = 0, m12 = 0, m21 = 0, m22 = 0;
    bool operator==(const LayerKey&) const = default;
};

struct LayerEntry {
    LayerKey key;
    QImage image;
    /// The image's top left in device pixels, relative to the rounded anchor.
    QPoint origin;
    quint64 lastUse = 0;
    /// The parts of the image that hold anything.
    std::vector<QRect> inked;
};

constexpr size_t layerCacheCapacity = 16;
constexpr qint64 layerCacheBytes = 32 << 20;

struct LayerCache {
    std::vector<LayerEntry> entries;
    quint64 clock = 0;
    quint64 renders = 0;
};

// The painter's device in device pixels.
QRectF devicePixels(const QPaintDevice* device) {
    if (!device)
        return {};
    const int type = device->devType();
    const double k =
        type == QInternal::Image || type == QInternal::Pixmap ? 1.0 : device->devicePixelRatioF();
    return {0, 0, device->width() * k, device->height() * k};
}

// Pictures drawn again and again at one size other than their own (icons, thumbnails), kept at
// that size: a copy costs a fraction of scaling them afresh on every frame.
struct ScaledKey {
    qint64 image = 0;
    int width = 0;
    int height = 0;
    bool operator==(const ScaledKey&) const = default;
};

struct ScaledKeyHash {
    size_t operator()(const ScaledKey& k) const {
        return qHashMulti(0, k.image, k.width, k.height);
    }
};

struct ScaledEntry {
    QImage image;
    quint64 lastUse = 0;
};

struct ScaledCache : BoundedImages<ScaledKey, ScaledEntry, ScaledKeyHash> {
    static constexpr size_t maxEntries = 160;
    ScaledCache() : BoundedImages(maxEntries, 16 << 20) {}
    /// Sizes asked for once: only a second request makes a copy, so that a picture that grows
    /// from frame to frame is not copied at every passing size.
    std::unordered_map<ScaledKey, quint64, ScaledKeyHash> seen;

    void clear() {
        BoundedImages::clear();
        seen.clear();
    }
};

// What the primitives keep between calls. The frame's thread has a set of its own, and work done
// beside a frame on another thread (`AsideCaches`) has another, so that neither ever locks.
struct CacheSet {
    GlowCache glow;
    LayerCache layer;
    ScaledCache scaled;
    /// The shape keys of recent images, by their cache keys.
    std::unordered_map<qint64, quint64> shapeKeys;
    Scratch scratch;
    /// Shadows cast within shadows' bodies blur into scratch of their own.
    int glowDepth = 0;

    void clear() {
        shapeKeys.clear();
        scaled.clear();
        glow.clear();
        layer.entries.clear();
    }
};

CacheSet& frameCaches() {
    static CacheSet set;
    return set;
}

struct AsideSet {
    std::mutex inUse;
    CacheSet set;
};

AsideSet& asideSet() {
    static AsideSet aside;
    return aside;
}

thread_local CacheSet* asideOnThisThread = nullptr;

CacheSet& caches() {
    return asideOnThisThread ? *asideOnThisThread : frameCaches();
}

GlowCache& glowCache() {
    return caches().glow;
}

LayerCache& layerCache() {
    return caches().layer;
}

ScaledCache& scaledCache() {
    return caches().scaled;
}

std::unordered_map<qint64, quint64>& shapeKeys() {
    return caches().shapeKeys;
}

Scratch& scratchFor(int depth, std::optional<Scratch>& local) {
    if (depth == 0)
        return caches().scratch;
    local.emplace();
    return *local;
}

// `image` scaled smoothly to `size` pixels, from the cache or made for it; null when it is not
// worth keeping (yet).
const QImage* scaledCopy(const QImage& image, QSize size) {
    if (size == image.size() || size.isEmpty() || size.width() > 1024 || size.height() > 1024)
        return nullptr;
    ScaledCache& cache = scaledCache();
    ++cache.clock;
    const ScaledKey key{image.cacheKey(), size.width(), size.height()};
    if (const auto found = cache.entries.find(key); found != cache.entries.end()) {
        found->second.lastUse = cache.clock;
        return &found->second.image;
    }
    if (cache.seen.size() >= 4 * ScaledCache::maxEntries)
        cache.seen.clear();
    if (cache.seen.emplace(key, cache.clock).second)
        return nullptr;
    QImage scaled(size, QImage::Format_ARGB32_Premultiplied);
    scaled.fill(Qt::transparent);
    {
        QPainter painter(&scaled);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(QRect(QPoint(), size), image);
    }
    return &cache.insert(key, ScaledEntry{std::move(scaled), cache.clock}).image;
}

// Qt hands a blit of more than 95 rows to its thread pool; waking the pool costs more than it
// saves for the small bitmaps drawn here, so they go in strips that stay on this thread.
void blitInStrips(QPainter& painter, QPoint at, const QImage& image, const QRect& source) {
    constexpr int strip = 95;
    for (int y = 0; y < source.height(); y += strip) {
        painter.drawImage(at + QPoint(0, y), image,
                          QRect(source.x(), source.y() + y, source.width(),
                                std::min(strip, source.height() - y)));
    }
}

// The parts of a premultiplied bitmap that hold anything: for each band of rows, the runs of
// columns with ink, split where a wide gap lies between them.
std::vector<QRect> inkedParts(const QImage& image) {
    constexpr int band = 32;
    constexpr int gap = 64;
    const int width = image.width();
    const int height = image.height();
    if (width <= 0 || height <= 0)
        return {};
    std::vector<std::vector<QRect>> banded(static_cast<size_t>((height + band - 1) / band));
    const auto scan = [&](int top, int end) {
        // Any bit of any pixel of the band's column: one OR a pixel, no compare.
        std::vector<quint32> ink(static_cast<size_t>(width));
        for (int y = top; y < end; ++y) {
            const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
            quint32* column = ink.data();
            for (int x = 0; x < width; ++x) column[x] |= line[x];
        }
        std::vector<QRect>& parts = banded[static_cast<size_t>(top / band)];
        int x = 0;
        while (x < width) {
            while (x < width && !ink[x]) ++x;
            if (x == width)
                break;
            int last = x;
            for (int next = x + 1; next < width && next - last <= gap; ++next) {
                if (ink[next])
                    last = next;
            }
            parts.emplace_back(x, top, last - x + 1, end - top);
            x = last + 1;
        }
    };
    if (static_cast<qint64>(width) * height < 250'000) {
        for (int top = 0; top < height; top += band) scan(top, std::min(top + band, height));
    } else {
        renderThread::shareRows(0, height, band, scan);
    }
    std::vector<QRect> parts;
    for (const auto& some : banded) parts.insert(parts.end(), some.begin(), some.end());
    return parts;
}

void drawShadow(QPainter& painter, const QTransform& device, const GlowEntry& entry, QPointF at) {
    if (entry.image.isNull())
        return;
    const QTransform world = painter.worldTransform();
    painter.setWorldTransform(device.inverted() * world);
    // Whole device pixels: a blit stays a blit, and scaling stays on Qt's fast path.
    const QPoint origin = (entry.rect.topLeft() + at).toPoint();
    const int w = qRound(entry.rect.width());
    const int h = qRound(entry.rect.height());
    if (entry.scale == 1) {
        blitInStrips(painter, origin, entry.image, QRect(0, 0, w, h));
    } else {
        const bool smooth = painter.testRenderHint(QPainter::SmoothPixmapTransform);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(QRectF(origin, QSizeF(w, h)), entry.image,
                          QRectF(0, 0, w * entry.scale, h * entry.scale));
        painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    }
    painter.setWorldTransform(world);
}

void castShadow(QPainter& painter, const QColor& color, double blur, QPointF offset,
                const std::function<void(QPainter&)>& body, quint64 cacheKey, QPointF anchor) {
    const QTransform device = painter.deviceTransform();
    if (!device.isInvertible())
        return;
    const double scale =
        std::sqrt(std::abs(device.m11() * device.m22() - device.m12() * device.m21()));
    const double sigma = std::max(blur, 0.0) / 2 * scale;
    // Blurs wider than a few pixels are computed on a smaller copy: a soft shadow has no detail
    // to lose, and the first frame of a ring blurs one per icon.
    double reduce = 1;
    while (sigma * reduce > 3 && reduce > 0.125) reduce /= 2;
    const std::array<int, 3> radii = boxRadii(sigma * reduce);
    const double reach = (radii[0] + radii[1] + radii[2] + 1) / reduce;

    QRectF visible = devicePixels(painter.device());
    if (painter.hasClipping())
        visible &= device.mapRect(painter.clipBoundingRect());
    if (visible.isEmpty())
        return;
    const QPointF anchorPx = device.map(anchor);
    const QPointF offsetPx = device.map(offset) - device.map(QPointF());
    const QRectF seen = visible.translated(-anchorPx - offsetPx);

    GlowCache& cache = glowCache();
    ++cache.clock;
    const GlowKey key{cacheKey,     color.rgba64(), blur,        device.m11(),
                      device.m12(), device.m21(),   device.m22()};
    if (cacheKey != 0) {
        const auto found = cache.entries.find(key);
        if (found != cache.entries.end()) {
            GlowEntry& entry = found->second;
            const QRectF needed = entry.shadow & seen;
            if (needed.isEmpty() || entry.covered.contains(needed)) {
                entry.lastUse = cache.clock;
                if (!needed.isEmpty())
                    drawShadow(painter, device, entry, anchorPx + offsetPx);
                return;
            }
        }
    }

    GlowEntry fresh;
    if (const QRectF bodyPx = covered(painter, device, body); !bodyPx.isEmpty())
        fresh.shadow = bodyPx.adjusted(-reach, -reach, reach, reach).translated(-anchorPx);
    QRectF target = fresh.shadow & seen;
    // A cached shadow is kept whole when that is affordable, so that it serves later frames
    // whose visible area differs.
    if (cacheKey != 0 &&
        fresh.shadow.width() * fresh.shadow.height() <= 4 * visible.width() * visible.height()) {
        target = fresh.shadow;
    }
    if (!target.isEmpty()) {
        // Render what can blur into the target, in the reduced pixel grid.
        const QRectF area =
            (target.adjusted(-reach, -reach, reach, reach) & fresh.shadow).translated(anchorPx);
        const int x0 = static_cast<int>(std::floor(area.left() * reduce));
        const int y0 = static_cast<int>(std::floor(area.top() * reduce));
        const int w = static_cast<int>(std::ceil(area.right() * reduce)) - x0;
        const int h = static_cast<int>(std::ceil(area.bottom() * reduce)) - y0;
        if (w > 0 && h > 0 && static_cast<qint64>(w) * h <= 16'000'000) {
            std::optional<Scratch> local;
            int& glowDepth = caches().glowDepth;
            Scratch& scratch = scratchFor(glowDepth, local);
            ++glowDepth;
            const QTransform world = device * QTransform::fromScale(reduce, reduce) *
                                     QTransform::fromTranslate(-x0, -y0);
            const quint8* coverage = blurredCoverage(scratch, painter, world, w, h, radii, body);
            --glowDepth;
            ++cache.blurs;
            fresh.scale = reduce;
            if (cacheKey != 0) {
                // A small shadow is kept at full size: a blit costs a fraction of scaling up.
                const int factor = static_cast<int>(std::lround(1 / reduce));
                if (factor > 1 && static_cast<qint64>(w) * h * factor * factor <= 256 * 1024) {
                    const int fullW = w * factor;
                    const int fullH = h * factor;
                    fresh.image = QImage(fullW, fullH, QImage::Format_ARGB32_Premultiplied);
                    enlargeTinted(coverage, w, h, factor, Tint(color), scratch, fresh.image);
                    fresh.scale = 1;
                } else {
                    fresh.image = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
                    tint(coverage, w, h, Tint(color), fresh.image);
                }
            } else {
                tint(coverage, w, h, Tint(color), atLeast(scratch.tinted, w, h));
                fresh.image = scratch.tinted;  // shared, not copied
            }
            fresh.rect =
                QRectF(x0 / reduce, y0 / reduce, w / reduce, h / reduce).translated(-anchorPx);
            fresh.covered = target;
            drawShadow(painter, device, fresh, anchorPx + offsetPx);
        }
    }
    if (cacheKey != 0) {
        fresh.lastUse = cache.clock;
        cache.insert(key, std::move(fresh));
    }
}

// The transform that draws y-down content upright into a y-up rect whose top edge is `top`.
void unflip(QPainter& painter, double left, double top) {
    painter.translate(left, top);
    painter.scale(1, -1);
}

// Qt cuts a glyph's device position to 1/64 pixel toward zero, so text placed left of or above a
// bitmap's first pixel lands a fraction apart from the same text placed further in: where the
// edge of a piece of the frame cuts through a line, its glyphs would not match the frame drawn
// whole. Such text is drawn into a copy of what lies under it, moved in by whole pixels, and
// copied back. `reach` holds all that `body` touches and every glyph's origin, in device pixels.
void drawInsideOrigin(QPainter& painter, const QRectF& reach,
                      const std::function<void(QPainter&)>& body) {
    QPaintDevice* device = painter.device();
    const QRect area = reach.toAlignedRect();
    auto* image =
        device && device->devType() == QInternal::Image ? static_cast<QImage*>(device) : nullptr;
    if (!image || image->format() != QImage::Format_ARGB32_Premultiplied || painter.hasClipping() ||
        (area.left() >= 0 && area.top() >= 0) ||
        static_cast<qint64>(area.width()) * area.height() > 4'000'000) {
        body(painter);
        return;
    }
    const QRect under = area & image->rect();
    if (under.isEmpty())
        return;
    QImage copy(area.size(), QImage::Format_ARGB32_Premultiplied);
    copy.fill(Qt::transparent);
    copy.setDevicePixelRatio(image->devicePixelRatio());
    copy.setDotsPerMeterX(image->dotsPerMeterX());
    copy.setDotsPerMeterY(image->dotsPerMeterY());
    const QPoint shift = -area.topLeft();
    const auto rows = [&](QImage& to, QPoint toShift, const QImage& from, QPoint fromShift) {
        const size_t bytes = static_cast<size_t>(under.width()) * 4;
        for (int y = under.top(); y <= under.bottom(); ++y) {
            std::memcpy(to.scanLine(y + toShift.y()) + 4 * (under.left() + toShift.x()),
                        from.constScanLine(y + fromShift.y()) + 4 * (under.left() + fromShift.x()),
                        bytes);
        }
    };
    rows(copy, shift, *image, {});
    {
        QPainter moved(&copy);
        copyState(painter, moved);
        moved.setOpacity(painter.opacity());
        moved.setCompositionMode(painter.compositionMode());
        const double ratio = image->devicePixelRatio();
        moved.setWorldTransform(painter.worldTransform() *
                                QTransform::fromTranslate(shift.x() / ratio, shift.y() / ratio));
        body(moved);
    }
    rows(*image, {}, copy, shift);
}

int screenDpiY() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? qRound(screen->logicalDotsPerInchY()) : 96;
}

}  // namespace

// ---- Geometry -----------------------------------------------------------------------------

QPointF at(QPointF center, double angle, double radius) {
    return center + radius * QPointF(std::cos(angle), std::sin(angle));
}

QPainterPath circle(QPointF center, double radius) {
    QPainterPath path;
    path.addEllipse(center, radius, radius);
    return path;
}

QPainterPath annulus(QPointF center, double inner, double outer) {
    QPainterPath path = circle(center, outer);
    if (inner > 0)
        path.addPath(circle(center, inner).toReversed());
    return path;
}

QPainterPath arc(QPointF center, double radius, double from, double to) {
    constexpr double turn = 2 * std::numbers::pi;
    double sweep = to - from;
    // Counter-clockwise to an earlier angle goes the long way round.
    if (sweep < 0)
        sweep = std::fmod(sweep, turn) + turn;
    sweep = std::min(sweep, turn);
    // Qt's arc angles grow clockwise in y-up coordinates. The path starts where Qt's own arc
    // starts: from a point computed otherwise, however near, Qt joins it with a tiny line, and a
    // wide stroke's join there pokes out beyond the cap.
    const QRectF box(center.x() - radius, center.y() - radius, 2 * radius, 2 * radius);
    QPainterPath path;
    path.arcMoveTo(box, -from * degreesPerRadian);
    path.arcTo(box, -from * degreesPerRadian, -sweep * degreesPerRadian);
    return path;
}

QRectF arcArea(QPointF center, double radius, double from, double to, double reach) {
    // The curve's control points lie on or just outside the circle: a little more than needed.
    const QRectF bounds = arc(center, radius, from, to).controlPointRect();
    return bounds.adjusted(-reach, -reach, reach, reach);
}

QRectF square(QPointF center, double side) {
    return {center.x() - side / 2, center.y() - side / 2, side, side};
}

QPainterPath line(QPointF from, QPointF to) {
    QPainterPath path;
    path.moveTo(from);
    path.lineTo(to);
    return path;
}

QPainterPath pill(const QRectF& rect) {
    const double radius = std::min(rect.height() / 2, 14.0);
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

QPainterPath outline(const QPainterPath& path, double width) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    // The raw stroke overlaps itself at joins and caps, which shows when it is stroked in turn.
    return stroker.createStroke(path).simplified();
}

// ---- Colours and painting -----------------------------------------------------------------

QColor hex(quint32 rgb, double alpha) {
    return QColor::fromRgbF(((rgb >> 16) & 0xff) / 255.0f, ((rgb >> 8) & 0xff) / 255.0f,
                            (rgb & 0xff) / 255.0f, static_cast<float>(alpha));
}

QColor white(double w, double alpha) {
    const auto level = static_cast<float>(w);
    return QColor::fromRgbF(level, level, level, static_cast<float>(alpha));
}

QColor withAlpha(const QColor& color, double alpha) {
    QColor result = color;
    result.setAlphaF(static_cast<float>(std::clamp(alpha, 0.0, 1.0)));
    return result;
}

void fill(QPainter& painter, const QPainterPath& path, const QColor& color) {
    PixelShapes::settle(painter);
    painter.fillPath(path, color);
}

void stroke(QPainter& painter, const QPainterPath& path, const QColor& color, double width,
            const std::vector<double>& dash) {
    if (width <= 0 || path.isEmpty())
        return;
    PixelShapes::settle(painter);
    // Round joins too: nothing stroked reaches further than half the width from its path.
    QPen pen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    if (!dash.empty()) {
        // Qt measures dashes in pen widths; an odd list repeats to make whole on/off pairs.
        QList<qreal> pattern;
        const int n = static_cast<int>(dash.size()) * (dash.size() % 2 == 1 ? 2 : 1);
        pattern.reserve(n);
        for (int i = 0; i < n; ++i)
            pattern.append(std::max(dash[static_cast<size_t>(i) % dash.size()] / width, 1e-3));
        pen.setDashPattern(pattern);
    }
    painter.strokePath(path, pen);
}

void glow(QPainter& painter, const QColor& color, double blur, QPointF offset,
          const std::function<void(QPainter&)>& body, quint64 cacheKey, QPointF anchor) {
    if (!body)
        return;
    PixelShapes::settle(painter);
    if (painter.isActive() && color.alpha() > 0 && painter.opacity() > 0)
        castShadow(painter, color, blur, offset, body, cacheKey, anchor);
    painter.save();
    body(painter);
    painter.restore();
}

void layer(QPainter& painter, quint64 cacheKey, const QRectF& bounds, QPointF anchor,
           const std::function<void(QPainter&)>& body) {
    if (!body)
        return;
    PixelShapes::settle(painter);
    const QTransform device = painter.deviceTransform();
    if (cacheKey == 0 || !painter.isActive() || !device.isInvertible()) {
        painter.save();
        body(painter);
        painter.restore();
        return;
    }
    const QPointF anchorPx = device.map(anchor);
    const QPoint at(qRound(anchorPx.x()), qRound(anchorPx.y()));
    const LayerKey key{cacheKey, device.m11(), device.m12(), device.m21(), device.m22()};
    LayerCache& cache = layerCache();
    ++cache.clock;
    auto entry = std::find_if(cache.entries.begin(), cache.entries.end(),
                              [&key](const LayerEntry& e) { return e.key == key; });
    if (entry == cache.entries.end()) {
        const QRect area = device.mapRect(bounds).toAlignedRect().adjusted(-1, -1, 1, 1);
        if (area.isEmpty() || static_cast<qint64>(area.width()) * area.height() > 16'000'000) {
            painter.save();
            body(painter);
            painter.restore();
            return;
        }
        LayerEntry fresh{key,
                         QImage(area.size(), QImage::Format_ARGB32_Premultiplied),
                         area.topLeft() - at,
                         0,
                         {}};
        fresh.image.fill(Qt::transparent);
        if (const QPaintDevice* target = painter.device()) {
            fresh.image.setDotsPerMeterX(qRound(target->logicalDpiX() / 0.0254));
            fresh.image.setDotsPerMeterY(qRound(target->logicalDpiY() / 0.0254));
        }
        {
            QPainter offscreen(&fresh.image);
            copyState(painter, offscreen);
            offscreen.setWorldTransform(device *
                                        QTransform::fromTranslate(-area.left(), -area.top()));
            body(offscreen);
        }
        ++cache.renders;
        qint64 bytes = fresh.image.sizeInBytes();
        for (const LayerEntry& e : cache.entries) bytes += e.image.sizeInBytes();
        while (!cache.entries.empty() &&
               (cache.entries.size() >= layerCacheCapacity || bytes > layerCacheBytes)) {
            const auto oldest = std::min_element(
                cache.entries.begin(), cache.entries.end(),
                [](const LayerEntry& a, const LayerEntry& b) { return a.lastUse < b.lastUse; });
            bytes -= oldest->image.sizeInBytes();
            cache.entries.erase(oldest);
        }
        fresh.inked = inkedParts(fresh.image);
        cache.entries.push_back(std::move(fresh));
        entry = cache.entries.end() - 1;
    }
    entry->lastUse = cache.clock;
    const QTransform world = painter.worldTransform();
    painter.setWorldTransform(device.inverted() * world);
    // A layer is mostly empty (a ring, an arc): only its inked parts are copied every frame.
    for (const QRect& part : entry->inked)
        painter.drawImage(at + entry->origin + part.topLeft(), entry->image, part);
    painter.setWorldTransform(world);
}

QRectF covered(const QPainter& like, const QTransform& transform,
               const std::function<void(QPainter&)>& body) {
    BoundsDevice measure(like.device());
    QPainter measuring(&measure);
    copyState(like, measuring);
    measuring.setWorldTransform(transform);
    body(measuring);
    measuring.end();
    return measure.bounds();
}

quint64 shapeKey(const QImage& image) {
    if (image.isNull())
        return 0;
    auto& known = shapeKeys();
    if (const auto found = known.find(image.cacheKey()); found != known.end())
        return found->second;
    const QImage argb = image.hasAlphaChannel()
                            ? image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                            : QImage();
    quint64 key = qHashMulti(0x5a4e'0001, image.width(), image.height());
    if (!argb.isNull()) {
        // A ring's first frame hashes every icon: the alpha bytes are mixed four pixels at a
        // time, which costs a fraction of a general-purpose hash and still tells shapes apart.
        const int width = argb.width();
        const int height = argb.height();
        const qsizetype stride = argb.bytesPerLine();
        const uchar* bits = argb.constBits();
        constexpr quint64 prime = 0x9e37'79b9'7f4a'7c15ULL;
        for (int y = 0; y < height; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(bits + y * stride);
            int x = 0;
            for (; x + 4 <= width; x += 4) {
                const quint64 four = (quint64(line[x] >> 24) << 24) |
                                     (quint64(line[x + 1] >> 24) << 16) |
                                     (quint64(line[x + 2] >> 24) << 8) | quint64(line[x + 3] >> 24);
                key = (key ^ four) * prime;
                key ^= key >> 29;
            }
            for (; x < width; ++x) {
                key = (key ^ (line[x] >> 24)) * prime;
                key ^= key >> 29;
            }
            key = (key ^ quint64(y)) * prime;  // rows of other widths never line up
        }
    }
    // Images come and go with the entries; the memo only needs to outlive a ring's frames.
    if (known.size() >= 512)
        known.clear();
    known.emplace(image.cacheKey(), key);
    return key;
}

quint64 glowBlurCount() {
    AsideSet& aside = asideSet();
    const std::lock_guard lock(aside.inUse);
    return frameCaches().glow.blurs + aside.set.glow.blurs;
}

quint64 layerRenderCount() {
    AsideSet& aside = asideSet();
    const std::lock_guard lock(aside.inUse);
    return frameCaches().layer.renders + aside.set.layer.renders;
}

void clearCaches() {
    frameCaches().clear();
    AsideSet& aside = asideSet();
    {
        const std::lock_guard lock(aside.inUse);
        aside.set.clear();
    }
    PixelShapes::forgetKeptShapes();
}

AsideCaches::AsideCaches() {
    AsideSet& aside = asideSet();
    aside.inUse.lock();
    asideOnThisThread = &aside.set;
}

AsideCaches::~AsideCaches() {
    asideOnThisThread = nullptr;
    asideSet().inUse.unlock();
}

void ring(QPainter& painter, QPointF center, double inner, double outer, const QColor& color) {
    if (!(outer > inner) || outer <= 0 || color.alpha() == 0)
        return;
    if (const auto target = PixelShapes::target(painter, center)) {
        PixelShapes::ring(*target, inner, outer, color);
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
    if (const auto target = PixelShapes::target(painter, center)) {
        PixelShapes::circleLine(*target, radius, width, color, from, sweep, std::max(on, 0.0),
                                std::max(off, 0.0));
        return;
    }
    const QPainterPath path =
        sweep >= turn && on <= 0 ? circle(center, radius) : arc(center, radius, from, from + sweep);
    stroke(painter, path, color, width,
           on > 0 ? std::vector<double>{on, std::max(off, 0.0)} : std::vector<double>{});
}

void steppedArc(QPainter& painter, QPointF center, double radius, double width, const QColor& color,
                double from, double to, const std::vector<double>& alphas,
                const std::vector<double>& glowAlphas, double blur) {
    if (width <= 0 || radius <= 0 || !(to > from) || alphas.empty() ||
        glowAlphas.size() != alphas.size() || color.alpha() == 0 || !painter.isActive()) {
        return;
    }
    if (const auto target = PixelShapes::target(painter, center)) {
        PixelShapes::steppedArc(*target, radius, width, color, from, to - from, alphas, glowAlphas,
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
    const PixelShapes::Target upright{&picture,
                                      (center.x() - area.x()) * scale,
                                      (top - center.y()) * scale,
                                      scale,
                                      1,
                                      -1,
                                      255,
                                      picture.rect()};
    PixelShapes::steppedArc(upright, radius, width, color, from, to - from, alphas, glowAlphas,
                            blur);
    const QSizeF size(pixels.width() / scale, pixels.height() / scale);
    image(painter, picture, QRectF(QPointF(area.x(), top - size.height()), size));
}

void radial(QPainter& painter, const std::vector<QColor>& colors,
            const std::vector<double>& locations, QPointF center, double fromRadius,
            double toRadius) {
    const double from = std::max(fromRadius, 0.0);
    if (colors.empty() || (!locations.empty() && locations.size() != colors.size()) ||
        !(toRadius > from)) {
        return;
    }
    // Qt rasterises a large gradient span by span on every frame; computed once and copied
    // after, it costs about what copying a picture does.
    if (const auto target = PixelShapes::target(painter, center)) {
        PixelShapes::radial(*target, colors, locations, from, toRadius);
        return;
    }
    // Stops map onto the stretch between the two circles; nothing is drawn inside the inner
    // one or beyond the outer one.
    PixelShapes::settle(painter);
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

void image(QPainter& painter, const QImage& image, const QRectF& rect, double alpha) {
    if (image.isNull() || rect.isEmpty() || alpha <= 0)
        return;
    PixelShapes::settle(painter);
    const QTransform world = painter.worldTransform();
    const double opacity = painter.opacity();
    const bool smooth = painter.testRenderHint(QPainter::SmoothPixmapTransform);
    painter.setOpacity(opacity * std::min(alpha, 1.0));
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    const QTransform device = painter.deviceTransform();
    if (device.type() <= QTransform::TxScale && device.m22() < 0) {
        // Upright means top row at the device's top. Whole device pixels keep Qt on its fast
        // scaling path, three times quicker than at fractional positions.
        const QRectF d = device.mapRect(rect);
        const QRectF snapped(QPointF(std::round(d.left()), std::round(d.top())),
                             QPointF(std::round(d.right()), std::round(d.bottom())));
        painter.setWorldTransform(device.inverted() * world);
        if (!snapped.isEmpty()) {
            const QImage* scaled = scaledCopy(image, snapped.size().toSize());
            if (!scaled && snapped.size().toSize() == image.size())
                scaled = &image;
            if (scaled)
                blitInStrips(painter, snapped.topLeft().toPoint(), *scaled, scaled->rect());
            else
                painter.drawImage(snapped, image);
        }
    } else {
        unflip(painter, rect.x(), rect.y() + rect.height());
        painter.drawImage(QRectF(0, 0, rect.width(), rect.height()), image);
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    painter.setOpacity(opacity);
    painter.setWorldTransform(world);
}

// ---- Text ---------------------------------------------------------------------------------

QFont font(double size, QFont::Weight weight, const QPaintDevice* device) {
    QFont result = resized(QGuiApplication::font(), size, device);
    result.setWeight(weight);
    return result;
}

QFont resized(const QFont& font, double size, const QPaintDevice* device) {
    // A view point is one unit of the view, so the font's points are scaled from the device's
    // dots per inch rather than taken as 1/72 inch.
    const int dpi = device ? device->logicalDpiY() : screenDpiY();
    QFont result = font;
    result.setPointSizeF(std::max(size, 0.5) * 72.0 / std::max(dpi, 1));
    return result;
}

QStringList fitText(const QString& text, double width, const QFont& font, int lines,
                    const QPaintDevice* device) {
    QStringList result;
    if (text.isEmpty() || lines < 1 || width <= 0)
        return result;
    const QFontMetricsF metrics = device ? QFontMetricsF(font, device) : QFontMetricsF(font);
    if (lines == 1) {
        QString single = text;
        single.replace(QLatin1Char('\n'), QLatin1Char(' '));
        result.append(metrics.elidedText(single, Qt::ElideRight, width));
        return result;
    }
    QString wrapped = text;
    wrapped.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(wrapped, font, const_cast<QPaintDevice*>(device));
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (int i = 0; i < lines; ++i) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        const int start = line.textStart();
        const int end = start + line.textLength();
        const bool more = std::any_of(wrapped.cbegin() + end, wrapped.cend(),
                                      [](QChar c) { return !c.isSpace(); });
        if (i == lines - 1 && more) {
            QString rest = wrapped.mid(start);
            rest.replace(QChar::LineSeparator, QLatin1Char(' '));
            result.append(metrics.elidedText(rest.trimmed(), Qt::ElideRight, width));
        } else {
            QString part = wrapped.mid(start, end - start);
            part.remove(QChar::LineSeparator);
            result.append(part.trimmed());
        }
        if (!more)
            break;
    }
    layout.endLayout();
    return result;
}

void text(QPainter& painter, const QString& text, const QRectF& rect, double size,
          QFont::Weight weight, const QColor& color, Qt::Alignment alignment, int lines,
          const std::optional<QFont>& font) {
    if (text.isEmpty() || rect.width() <= 0 || lines < 1)
        return;
    PixelShapes::settle(painter);
    const QPaintDevice* device = painter.device();
    const QFont chosen = font ? *font : Draw::font(size, weight, device);
    const QFontMetricsF metrics = device ? QFontMetricsF(chosen, device) : QFontMetricsF(chosen);
    const QStringList fitted = fitText(text, rect.width(), chosen, lines, device);
    if (fitted.isEmpty())
        return;
    const double glyphs = metrics.ascent() + metrics.descent();
    const double lineHeight = std::ceil(glyphs + std::max(metrics.leading(), 0.0));
    const double height = std::min(lineHeight * lines, lineHeight * fitted.size());
    const double top = rect.center().y() + height / 2;  // y up: the top is the larger y

    const auto draw = [&](QPainter& p) {
        const QTransform world = p.worldTransform();
        const QFont oldFont = p.font();
        const QPen oldPen = p.pen();
        unflip(p, rect.x(), top);
        p.setFont(chosen);
        p.setPen(color);
        const double baseline = (lineHeight - glyphs) / 2 + metrics.ascent();
        for (qsizetype i = 0; i < fitted.size(); ++i) {
            const QString& line = fitted[i];
            const double advance = metrics.horizontalAdvance(line);
            double x = 0;
            if (alignment & (Qt::AlignRight | Qt::AlignTrailing))
                x = rect.width() - advance;
            else if (alignment & Qt::AlignHCenter)
                x = (rect.width() - advance) / 2;
            p.drawText(QPointF(x, baseline + i * lineHeight), line);
        }
        p.setPen(oldPen);
        p.setFont(oldFont);
        p.setWorldTransform(world);
    };
    // The lines, with a line's height to spare for glyphs that overhang their advance.
    const QRectF block(rect.x(), top - height, rect.width(), height);
    drawInsideOrigin(painter,
                     painter.deviceTransform().mapRect(
                         block.adjusted(-lineHeight, -lineHeight, lineHeight, lineHeight)),
                     draw);
}

void label(QPainter& painter, const RingScene& scene, QPointF point, double maxWidth,
           const QColor& color, const QColor& secondary, const std::optional<QFont>& font,
           const std::function<void(QPainter&, const QRectF&)>& background) {
    const std::optional<QString> name = scene.selectedName();
    if (!name)
        return;
    const QPaintDevice* device = painter.device();
    if (scene.windowTitle) {
        const QRectF card(point.x() - maxWidth / 2, point.y() - 30, maxWidth, 60);
        if (background)
            background(painter, card);
        const std::optional<QFont> nameFont =
            font ? std::optional<QFont>(resized(*font, 10, device)) : std::nullopt;
        text(painter, *name,
             QRectF(card.x() + 10, card.y() + card.height() - 22, card.width() - 20, 14), 10,
             QFont::Medium, secondary, Qt::AlignHCenter, 1, nameFont);
        text(painter, *scene.windowTitle,
             QRectF(card.x() + 10, card.y() + 6, card.width() - 20, 32), 12, QFont::DemiBold, color,
             Qt::AlignHCenter, 2, font);
        return;
    }
    const QFont chosen = font ? *font : Draw::font(12, QFont::DemiBold, device);
    const QFontMetricsF metrics = device ? QFontMetricsF(chosen, device) : QFontMetricsF(chosen);
    const double width = std::min(metrics.horizontalAdvance(*name) + 28, maxWidth);
    const QRectF card(point.x() - width / 2, point.y() - 13, width, 26);
    if (background)
        background(painter, card);
    text(painter, *name, card.adjusted(12, 0, -12, 0), 12, QFont::DemiBold, color, Qt::AlignHCenter,
         1, chosen);
}

QPainterPath plainCard(QPainter& painter, const QRectF& rect, const QColor& fill,
                       const QColor& shadow, double blur, double offsetY) {
    QPainterPath path;
    path.addRoundedRect(rect, 8, 8);
    const quint64 key =
        qHashMulti(0x9c4e0001ULL, rect.width(), rect.height(), quint64(fill.rgba64())) | 1;
    glow(
        painter, shadow, blur, QPointF(0, offsetY),
        [&path, &fill](QPainter& p) { p.fillPath(path, fill); }, key, rect.topLeft());
    return path;
}

}  // namespace tandri::Draw
