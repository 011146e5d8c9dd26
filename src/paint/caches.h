// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

#include "paint/keptshapes.h"
#include "paint/layers.h"
#include "paint/pictures.h"
#include "paint/shadows.h"

namespace tandri::paint {

/// What the drawing primitives keep from one call to the next: shadows, layers, pictures at the
/// sizes they are drawn at and the round shapes computed pixel by pixel. Whoever draws owns one
/// (the ring's view does) and hands it down to every primitive that keeps anything.
///
/// One thread draws with it at a time. Work drawn at the same time on another thread draws with
/// `beside()`: shadows, layers and pictures of its own, so that neither thread ever waits for the
/// other, and the round shapes shared, under a lock.
class Caches {
public:
    Caches();
    ~Caches();
    Caches(const Caches&) = delete;
    Caches& operator=(const Caches&) = delete;

    /// The caches for work drawn beside this one's thread. Only the caches made with `Caches()`
    /// have them.
    Caches& beside() { return *beside_; }
    /// How many shadows have been blurred, here and beside (kept ones are not blurred again).
    quint64 blurs() const;
    /// How many layer bitmaps have been rendered, here and beside.
    quint64 layerRenders() const;
    /// Forgets everything kept, here and beside (memory relief, tests).
    void clear();
    /// Forgets the copies of the picture with `cacheKey`, here and beside, for a picture that
    /// is let go of and will not be drawn again.
    void forgetPicture(qint64 cacheKey);
    KeptShapes& kept() { return *kept_; }

    ShadowCache shadows;
    LayerCache layers;
    PictureCache pictures;
    /// For tests: stepped arcs computed one pixel at a time everywhere, the reference for the
    /// pixels they compute two at a time.
    bool arcsOnePixelAtATime = false;

private:
    explicit Caches(std::shared_ptr<KeptShapes> kept);

    std::shared_ptr<KeptShapes> kept_;
    std::unique_ptr<Caches> beside_;
};

}  // namespace tandri::paint
