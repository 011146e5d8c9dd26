// SPDX-License-Identifier: MIT
#include "paint/shadows.h"

#include <QPaintDevice>
#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "paint/caches.h"
#include "paint/coverage.h"
#include "paint/pictures.h"
#include "paint/uncleared.h"

namespace tandri::paint {

namespace {

using Shadow = ShadowCache::Shadow;

// The painter's device in device pixels.
QRectF devicePixels(const QPaintDevice* device) {
    if (!device)
        return {};
    const int type = device->devType();
    const double k =
        type == QInternal::Image || type == QInternal::Pixmap ? 1.0 : device->devicePixelRatioF();
    return {0, 0, device->width() * k, device->height() * k};
}

// Renders `body` through `world` into the top-left w × h of the buffers' image and leaves its
// blurred coverage in the returned buffer.
const quint8* blurredCoverage(BlurBuffers& buffers, const QPainter& like, const QTransform& world,
                              int w, int h, const std::array<int, 3>& radii,
                              const std::function<void(QPainter&)>& body) {
    QImage& image = atLeast(buffers.body, w, h);
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
    return blurredAlpha(image.constBits(), image.bytesPerLine(), w, h, radii, buffers);
}

void drawShadow(QPainter& painter, const QTransform& device, const Shadow& entry, QPointF at) {
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

void castShadow(QPainter& painter, ShadowCache& cache, const QColor& color, double blur,
                QPointF offset, const std::function<void(QPainter&)>& body, quint64 cacheKey,
                QPointF anchor) {
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

    const ShadowCache::Key key{cacheKey,     color.rgba64(), blur,        device.m11(),
                               device.m12(), device.m21(),   device.m22()};
    if (cacheKey != 0) {
        if (const Shadow* kept = cache.kept.find(key)) {
            const QRectF needed = kept->shadow & seen;
            if (needed.isEmpty() || kept->covered.contains(needed)) {
                if (!needed.isEmpty())
                    drawShadow(painter, device, *kept, anchorPx + offsetPx);
                return;
            }
        }
    }

    Shadow fresh;
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
            std::optional<BlurBuffers> local;
            BlurBuffers& buffers = cache.depth == 0 ? cache.buffers : local.emplace();
            ++cache.depth;
            const QTransform world = device * QTransform::fromScale(reduce, reduce) *
                                     QTransform::fromTranslate(-x0, -y0);
            const quint8* coverage = blurredCoverage(buffers, painter, world, w, h, radii, body);
            --cache.depth;
            ++cache.blurs;
            fresh.scale = reduce;
            if (cacheKey != 0) {
                // A small shadow is kept at full size: a blit costs a fraction of scaling up.
                const int factor = static_cast<int>(std::lround(1 / reduce));
                if (factor > 1 && static_cast<qint64>(w) * h * factor * factor <= 256 * 1024) {
                    const int fullW = w * factor;
                    const int fullH = h * factor;
                    fresh.image = QImage(fullW, fullH, QImage::Format_ARGB32_Premultiplied);
                    enlargeTinted(coverage, w, h, factor, color, buffers, fresh.image);
                    fresh.scale = 1;
                } else {
                    fresh.image = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
                    tint(coverage, w, h, color, fresh.image);
                }
            } else {
                tint(coverage, w, h, color, atLeast(buffers.tinted, w, h));
                fresh.image = buffers.tinted;  // shared, not copied
            }
            fresh.rect =
                QRectF(x0 / reduce, y0 / reduce, w / reduce, h / reduce).translated(-anchorPx);
            fresh.covered = target;
            drawShadow(painter, device, fresh, anchorPx + offsetPx);
        }
    }
    if (cacheKey != 0) {
        const qint64 bytes = fresh.image.sizeInBytes();
        cache.kept.insert(key, std::move(fresh), bytes);
    }
}

}  // namespace

void glow(QPainter& painter, Caches& caches, const QColor& color, double blur, QPointF offset,
          const std::function<void(QPainter&)>& body, quint64 cacheKey, QPointF anchor) {
    if (!body)
        return;
    Uncleared::settle(painter);
    if (painter.isActive() && color.alpha() > 0 && painter.opacity() > 0)
        castShadow(painter, caches.shadows, color, blur, offset, body, cacheKey, anchor);
    painter.save();
    body(painter);
    painter.restore();
}

quint64 shapeKey(Caches& caches, const QImage& image) {
    if (image.isNull())
        return 0;
    auto& known = caches.shadows.shapeKeys;
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

}  // namespace tandri::paint
