// SPDX-License-Identifier: MIT
#pragma once

#include <QPointF>
#include <cmath>
#include <optional>
#include <vector>

#include "catalogue/ringapp.h"
#include "ring/ringscene.h"
#include "support/ringentries.h"
#include "support/viewpicture.h"

namespace tandri::test {

/// A square picture with a ring in its middle for a look to draw into: `count` entries with
/// green icons, one of them perhaps aimed at.
class LookScene : public ViewPicture {
public:
    explicit LookScene(int count = 8, std::optional<int> selected = std::nullopt, bool dark = true,
                       double side = 400)
        : ViewPicture(side, side),
          apps(iconApps(count, QColor(40, 200, 40))),
          scene(sceneOf(apps, center(), selected, dark, &caches)) {}

    /// The point `distance` from the ring's centre toward `angle` (radians, counter-clockwise).
    QPointF polar(double angle, double distance) const {
        return scene.center + distance * QPointF(std::cos(angle), std::sin(angle));
    }
    /// The point `distance` from the ring's centre toward entry `index`.
    QPointF toward(int index, double distance) const {
        return polar(scene.layout.angle(index), distance);
    }

    std::vector<RingApp> apps;
    /// The scene's; scenes drawn as one view's frames share one.
    paint::Caches caches;
    RingScene scene;
};

}  // namespace tandri::test
