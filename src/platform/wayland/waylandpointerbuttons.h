// SPDX-License-Identifier: MIT
#pragma once

#include "platform/pointerbuttons.h"

namespace tandri::wayland {

/// The other mouse buttons on Wayland: a client hears buttons only over its own surfaces, so
/// neither a filter nor a listener for the whole desktop exists; the middle-button trigger
/// reports itself unavailable. Main thread.
class WaylandPointerButtons : public PointerButtons {
public:
    std::unique_ptr<Monitor> filterOtherButtons(
        std::function<bool(const ButtonEvent&)> handler) override;
    std::unique_ptr<Monitor> listenOtherButtons(
        std::function<void(const ButtonEvent&)> handler) override;
};

}  // namespace tandri::wayland
