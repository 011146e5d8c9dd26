// SPDX-License-Identifier: MIT
#include "platform/wayland/waylandwindowlist.h"

#include "platform/wayland/waylandscreencapture.h"

namespace tandri::wayland {

std::optional<std::vector<ServerWindow>> WaylandWindowList::onScreenWindows() const {
    const auto shown = capture_.shown();
    if (!shown)
        return std::nullopt;
    std::vector<ServerWindow> windows;
    for (const auto& window : *shown) {
        windows.push_back(
            {qint64(0), qint64(window.toplevel.pid), window.frame, 1.0, window.toplevel.id});
    }
    return windows;
}

bool WaylandWindowList::screenCaptureAllowed() const {
    return capture_.hasPermission();
}

}  // namespace tandri::wayland
