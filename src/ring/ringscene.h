// SPDX-License-Identifier: MIT
#pragma once

#include <QPointF>
#include <QString>
#include <optional>
#include <span>

#include "catalogue/ringapp.h"
#include "paint/caches.h"
#include "ring/ringlayout.h"

namespace tandri {

/// Everything a look needs to draw one frame, in view coordinates (y up). Rebuilt for every
/// render pass; it refers to the view's entries rather than copying them.
struct RingScene {
    QPointF center;
    RingLayout layout;
    bool dark = true;
    std::span<const RingApp> apps;
    /// Always a valid index into `apps`, or none.
    std::optional<int> selectedApp;
    std::optional<qint32> frontmostPID;
    /// The title of the aimed window chip, if any.
    std::optional<QString> windowTitle;
    double arcRadius = 0;
    /// Where the drawing primitives keep what they draw again; never null while a look draws.
    paint::Caches* caches = nullptr;

    /// The aimed entry's name.
    std::optional<QString> selectedName() const {
        if (!selectedApp || *selectedApp < 0 || *selectedApp >= static_cast<int>(apps.size())) {
            return std::nullopt;
        }
        return apps[*selectedApp].name;
    }
    /// Where entry i's icon centre lies.
    QPointF iconCenter(int i) const;
};

}  // namespace tandri
