// SPDX-License-Identifier: MIT
#include "actions/appexpose.h"

#include <memory>

#include "platform/clock.h"
#include "platform/platform.h"
#include "platform/system.h"
#include "platform/workspace.h"

namespace tandri::AppExpose {

bool isAvailable(const System& system) {
    return system.hasWindowOverview();
}

void show(Platform& platform, qint32 pid) {
    platform.workspace.activate(pid);
    Platform* p = &platform;
    // The timer keeps itself until it fires; firing lets go of it.
    auto pending = std::make_shared<std::unique_ptr<Timer>>();
    *pending = platform.clock.schedule(overviewDelay, [p, pending] {
        const std::unique_ptr<Timer> done = std::move(*pending);
        if (isAvailable(p->system))
            p->system.showWindowOverview();
    });
}

}  // namespace tandri::AppExpose
