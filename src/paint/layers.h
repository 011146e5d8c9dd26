// SPDX-License-Identifier: MIT
#pragma once

#include <QHashFunctions>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QRectF>
#include <functional>
#include <vector>

#include "paint/lrucache.h"

namespace tandri::paint {

class Caches;

/// Whole drawings kept as bitmaps; some are large, so their number and bytes are bounded.
struct LayerCache {
    struct Key {
        quint64 body = 0;
        // The linear part of the device transform: scale, flip and rotation change the bitmap.
        double m11 = 0, m12 = 0, m21 = 0, m22 = 0;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        size_t operator()(const Key& k) const {
            return qHashMulti(0, k.body, k.m11, k.m12, k.m21, k.m22);
        }
    };
    struct Layer {
        QImage image;
        /// The image's top left in device pixels, relative to the rounded anchor.
        QPoint origin;
        /// The parts of the image that hold anything.
        std::vector<QRect> inked;
    };

    LruCache<Key, Layer, KeyHash> kept{16, 32 << 20};
    /// How many bitmaps have been rendered.
    quint64 renders = 0;
};

/// Draws what `body` draws, rendered once into a bitmap at the painter's resolution and reused
/// on later calls with the same `cacheKey` (not 0), for large drawings that repeat from frame to
/// frame. `bounds` must hold all of it; `anchor` is the point it is fixed to. The painter's
/// opacity applies to the whole bitmap at once.
void layer(QPainter& painter, Caches& caches, quint64 cacheKey, const QRectF& bounds,
           QPointF anchor, const std::function<void(QPainter&)>& body);

}  // namespace tandri::paint
