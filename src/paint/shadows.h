// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QHashFunctions>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <functional>
#include <unordered_map>

#include "paint/blur.h"
#include "paint/lrucache.h"

namespace tandri::paint {

class Caches;

/// Blurred shadows kept by what casts them, and what blurring them reuses.
struct ShadowCache {
    struct Key {
        quint64 body = 0;
        quint64 color = 0;
        double blur = 0;
        // The linear part of the device transform: scale, flip and rotation change the picture.
        double m11 = 0, m12 = 0, m21 = 0, m22 = 0;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        size_t operator()(const Key& k) const {
            return qHashMulti(0, k.body, k.color, k.blur, k.m11, k.m12, k.m21, k.m22);
        }
    };
    /// A blurred, tinted shadow. Rects are in device pixels relative to the anchor's device
    /// position, before the shadow's offset.
    struct Shadow {
        QImage image;
        /// Pixels of `image` per device pixel (shadows with a large blur are kept smaller).
        double scale = 1;
        /// Where `image` lies.
        QRectF rect;
        /// The whole shadow: the body's bounds grown by the blur.
        QRectF shadow;
        /// The part of `rect` that holds correct pixels (the rest lay beyond the visible area).
        QRectF covered;
    };

    LruCache<Key, Shadow, KeyHash> kept{128, 24 << 20};
    /// The shape keys of recent images, by their cache keys.
    std::unordered_map<qint64, quint64> shapeKeys;
    /// For shadows cast at the outermost level; those cast within a shadow's body blur into
    /// buffers of their own.
    BlurBuffers buffers;
    int depth = 0;
    /// How many shadows have been blurred (kept ones are not blurred again).
    quint64 blurs = 0;

    void clear() {
        kept.clear();
        shapeKeys.clear();
    }
};

/// Runs `body` with a blurred shadow of `color` behind what it draws, offset by `offset` (y up).
/// `cacheKey`, when not 0, names what `body` draws relative to `anchor` so that the blurred
/// shadow can be reused on later frames instead of blurred again.
void glow(QPainter& painter, Caches& caches, const QColor& color, double blur, QPointF offset,
          const std::function<void(QPainter&)>& body, quint64 cacheKey = 0, QPointF anchor = {});
/// A key for the shape of `image` (its size and alpha channel): pictures of one shape share it,
/// so that a shadow, which depends on the shape alone, is blurred once for all of them.
quint64 shapeKey(Caches& caches, const QImage& image);

}  // namespace tandri::paint
