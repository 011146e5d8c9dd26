// SPDX-License-Identifier: MIT
#include "paint/layers.h"

#include <algorithm>

#include "paint/caches.h"
#include "paint/coverage.h"
#include "paint/renderthread.h"
#include "paint/uncleared.h"

namespace tandri::paint {

namespace {

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

}  // namespace

void layer(QPainter& painter, Caches& caches, quint64 cacheKey, const QRectF& bounds,
           QPointF anchor, const std::function<void(QPainter&)>& body) {
    if (!body)
        return;
    Uncleared::settle(painter);
    const QTransform device = painter.deviceTransform();
    if (cacheKey == 0 || !painter.isActive() || !device.isInvertible()) {
        painter.save();
        body(painter);
        painter.restore();
        return;
    }
    const QPointF anchorPx = device.map(anchor);
    const QPoint at(qRound(anchorPx.x()), qRound(anchorPx.y()));
    const LayerCache::Key key{cacheKey, device.m11(), device.m12(), device.m21(), device.m22()};
    LayerCache& cache = caches.layers;
    const LayerCache::Layer* kept = cache.kept.find(key);
    if (!kept) {
        const QRect area = device.mapRect(bounds).toAlignedRect().adjusted(-1, -1, 1, 1);
        if (area.isEmpty() || static_cast<qint64>(area.width()) * area.height() > 16'000'000) {
            painter.save();
            body(painter);
            painter.restore();
            return;
        }
        LayerCache::Layer fresh{
            QImage(area.size(), QImage::Format_ARGB32_Premultiplied), area.topLeft() - at, {}};
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
        fresh.inked = inkedParts(fresh.image);
        const qint64 bytes = fresh.image.sizeInBytes();
        kept = &cache.kept.insert(key, std::move(fresh), bytes);
    }
    const QTransform world = painter.worldTransform();
    painter.setWorldTransform(device.inverted() * world);
    // A layer is mostly empty (a ring, an arc): only its inked parts are copied every frame.
    for (const QRect& part : kept->inked)
        painter.drawImage(at + kept->origin + part.topLeft(), kept->image, part);
    painter.setWorldTransform(world);
}

}  // namespace tandri::paint
