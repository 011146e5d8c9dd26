// SPDX-License-Identifier: MIT
#include "paint/pictures.h"

#include <algorithm>
#include <cmath>

#include "paint/caches.h"
#include "paint/paths.h"
#include "paint/uncleared.h"

namespace tandri::paint {

namespace {

// `image` scaled smoothly to `size` pixels, from the cache or made for it; null when it is not
// worth keeping (yet).
const QImage* scaledCopy(PictureCache& cache, const QImage& image, QSize size) {
    if (size == image.size() || size.isEmpty() || size.width() > 1024 || size.height() > 1024)
        return nullptr;
    const PictureCache::Key key{image.cacheKey(), size.width(), size.height()};
    if (const QImage* found = cache.scaled.find(key))
        return found;
    if (cache.seen.size() >= 4 * PictureCache::maxEntries)
        cache.seen.clear();
    if (cache.seen.insert(key).second)
        return nullptr;
    QImage scaled(size, QImage::Format_ARGB32_Premultiplied);
    scaled.fill(Qt::transparent);
    {
        QPainter painter(&scaled);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(QRect(QPoint(), size), image);
    }
    const qint64 bytes = scaled.sizeInBytes();
    return &cache.scaled.insert(key, std::move(scaled), bytes);
}

}  // namespace

void image(QPainter& painter, Caches& caches, const QImage& image, const QRectF& rect,
           double alpha) {
    if (image.isNull() || rect.isEmpty() || alpha <= 0)
        return;
    Uncleared::settle(painter);
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
            const QImage* scaled = scaledCopy(caches.pictures, image, snapped.size().toSize());
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

void blitInStrips(QPainter& painter, QPoint at, const QImage& image, const QRect& source) {
    constexpr int strip = 95;
    for (int y = 0; y < source.height(); y += strip) {
        painter.drawImage(at + QPoint(0, y), image,
                          QRect(source.x(), source.y() + y, source.width(),
                                std::min(strip, source.height() - y)));
    }
}

}  // namespace tandri::paint
