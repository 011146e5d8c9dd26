// SPDX-License-Identifier: MIT
#include "platform/wayland/waylandpointerbuttons.h"

namespace tandri::wayland {

std::unique_ptr<Monitor> WaylandPointerButtons::filterOtherButtons(
    std::function<bool(const ButtonEvent&)>) {
    return nullptr;
}

std::unique_ptr<Monitor> WaylandPointerButtons::listenOtherButtons(
    std::function<void(const ButtonEvent&)>) {
    return nullptr;
}

}  // namespace tandri::wayland
