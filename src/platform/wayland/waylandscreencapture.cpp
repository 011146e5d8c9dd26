// SPDX-License-Identifier: MIT
#include "platform/wayland/waylandscreencapture.h"

namespace tandri::wayland {

bool WaylandScreenCapture::hasPermission() const {
    return false;
}

void WaylandScreenCapture::requestPermission() {}

std::optional<std::vector<ShareableWindow>> WaylandScreenCapture::shareableWindows() const {
    return std::nullopt;
}

QImage WaylandScreenCapture::capture(quint32, QSize) {
    return {};
}

}  // namespace tandri::wayland
