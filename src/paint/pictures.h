// SPDX-License-Identifier: MIT
#pragma once

#include <QHashFunctions>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QRectF>
#include <unordered_set>

#include "paint/lrucache.h"

namespace tandri::paint {

class Caches;

/// Pictures drawn again and again at one size other than their own (icons, thumbnails), kept at
/// that size: a copy costs a fraction of scaling them afresh on every frame.
struct PictureCache {
    struct Key {
        qint64 image = 0;
        int width = 0;
        int height = 0;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        size_t operator()(const Key& k) const { return qHashMulti(0, k.image, k.width, k.height); }
    };
    static constexpr size_t maxEntries = 160;

    LruCache<Key, QImage, KeyHash> scaled{maxEntries, 16 << 20};
    /// Sizes asked for once: only a second request makes a copy, so that a picture that grows
    /// from frame to frame is not copied at every passing size.
    std::unordered_set<Key, KeyHash> seen;

    void clear() {
        scaled.clear();
        seen.clear();
    }
    /// Lets go of the copies of the image with `cacheKey`. An image that is gone never comes
    /// back under its key, and its copies would stay until newer ones pushed them out.
    void forget(qint64 cacheKey) {
        const auto ofImage = [cacheKey](const Key& key) {
            return key.image == cacheKey;
        };
        scaled.eraseIf(ofImage);
        std::erase_if(seen, ofImage);
    }
};

/// The whole image scaled into the rect at an alpha; nothing when the image is null.
void image(QPainter& painter, Caches& caches, const QImage& image, const QRectF& rect,
           double alpha = 1);
/// Draws the `source` part of `image` with its top left at device pixel `at`, the painter's
/// world transform being the inverse of its device's. Qt hands a blit of more than 95 rows to
/// its thread pool; waking the pool costs more than it saves for the small bitmaps drawn here,
/// so they go in strips that stay on this thread.
void blitInStrips(QPainter& painter, QPoint at, const QImage& image, const QRect& source);

}  // namespace tandri::paint
