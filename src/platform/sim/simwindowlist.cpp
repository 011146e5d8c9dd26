// SPDX-License-Identifier: MIT
#include "platform/sim/simwindowlist.h"

namespace tandri::sim {

SimWindowList::SimWindowList(SimState& state) : state_(state) {}

std::optional<std::vector<ServerWindow>> SimWindowList::onScreenWindows() const {
    std::lock_guard lock(state_.mutex);
    std::vector<ServerWindow> result;
    for (const auto& app : state_.apps) {
        if (app.terminated || app.hidden)
            continue;
        for (const auto& window : app.windows) {
            if (!window.onScreen || window.minimized)
                continue;
            result.push_back({window.layer, app.pid, window.frame, window.alpha, window.id});
        }
    }
    return result;
}

bool SimWindowList::screenCaptureAllowed() const {
    std::lock_guard lock(state_.mutex);
    return state_.screenCapture;
}

}  // namespace tandri::sim
