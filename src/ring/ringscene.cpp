// SPDX-License-Identifier: MIT
#include "ring/ringscene.h"

#include <cmath>

namespace tandri {

QPointF RingScene::iconCenter(int i) const {
    const double a = layout.angle(i);
    return center + layout.radius * QPointF(std::cos(a), std::sin(a));
}

}  // namespace tandri
