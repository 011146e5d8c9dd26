// SPDX-License-Identifier: MIT
#include "paint/caches.h"

namespace tandri::paint {

Caches::Caches() : kept_(std::make_shared<KeptShapes>()) {
    beside_.reset(new Caches(kept_));
}

Caches::Caches(std::shared_ptr<KeptShapes> kept) : kept_(std::move(kept)) {}

Caches::~Caches() = default;

quint64 Caches::blurs() const {
    return shadows.blurs + (beside_ ? beside_->blurs() : 0);
}

quint64 Caches::layerRenders() const {
    return layers.renders + (beside_ ? beside_->layerRenders() : 0);
}

void Caches::clear() {
    shadows.clear();
    layers.kept.clear();
    pictures.clear();
    kept_->clear();
    if (beside_)
        beside_->clear();
}

void Caches::forgetPicture(qint64 cacheKey) {
    pictures.forget(cacheKey);
    if (beside_)
        beside_->forgetPicture(cacheKey);
}

}  // namespace tandri::paint
