// SPDX-License-Identifier: MIT
#include "platform/wayland/waylandwindowlist.h"

namespace tandri::wayland {

std::optional<std::vector<ServerWindow>> WaylandWindowList::onScreenWindows() const {
    return std::nullopt;
}

bool WaylandWindowList::screenCaptureAllowed() const {
    return false;
}

}  // namespace tandri::wayland
