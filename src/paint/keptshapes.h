// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>
#include <memory>
#include <mutex>

#include "paint/lrucache.h"

namespace tandri::paint {

struct RadialQuarter;
struct ArcRuns;

/// Round shapes computed once and kept by what makes them: the same sky or arc comes back with
/// every piece of every frame, and a new ring size or a moved centre makes new ones. Shared by
/// the caches of threads that draw at the same time; a kept shape itself is never changed, so
/// only the lists are guarded.
class KeptShapes {
public:
    /// The kept quarter of a radial gradient for `key`, or the one `make` computes, kept.
    template <typename Make>
    std::shared_ptr<const RadialQuarter> quarter(quint64 key, Make make) {
        return recall(quarters_, key, make);
    }
    /// The kept stepped arc for `key`, or the one `make` computes, kept.
    template <typename Make>
    std::shared_ptr<const ArcRuns> arc(quint64 key, Make make) {
        return recall(arcs_, key, make);
    }
    void clear() {
        const std::lock_guard lock(guard_);
        quarters_.clear();
        arcs_.clear();
    }

private:
    template <typename Shape>
    using Kept = LruCache<quint64, std::shared_ptr<const Shape>>;

    template <typename Shape, typename Make>
    std::shared_ptr<const Shape> recall(Kept<Shape>& kept, quint64 key, Make make) {
        {
            const std::lock_guard lock(guard_);
            if (const auto* found = kept.find(key))
                return *found;
        }
        // Computed unguarded: the other thread may draw meanwhile.
        auto shape = std::make_shared<const Shape>(make());
        const std::lock_guard lock(guard_);
        return kept.insert(key, std::move(shape));
    }

    std::mutex guard_;
    Kept<RadialQuarter> quarters_{4};
    Kept<ArcRuns> arcs_{4};
};

}  // namespace tandri::paint
