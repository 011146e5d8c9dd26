// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <optional>

#include "platform/pointerbuttons.h"
#include "platform/x11/x11connection.h"

namespace tandri::x11 {

/// The other mouse buttons: a passive grab of the middle button on the root window for the
/// filter, XInput2 raw button events for the listener. Only the middle button is filtered; the
/// back and forward buttons (8 and 9) reach applications untouched and only the listener sees
/// them. The connection outlives the buttons and everything they hand out. Main thread.
class X11PointerButtons : public PointerButtons {
public:
    explicit X11PointerButtons(X11Connection& connection);
    ~X11PointerButtons() override;

    /// The filter sees the middle button's presses, drags and releases. A press it lets through
    /// is replayed to the application under the pointer, whose drags and release then go there
    /// too, unseen by the filter. Null when another program grabs the middle button.
    [[nodiscard]] std::unique_ptr<Monitor> filterOtherButtons(
        std::function<bool(const ButtonEvent&)> handler) override;
    [[nodiscard]] std::unique_ptr<Monitor> listenOtherButtons(
        std::function<void(const ButtonEvent&)> handler) override;

    /// Our number of an X button: 1 → 0 (primary), 3 → 1 (secondary), 2 → 2 (middle), 8 → 3,
    /// 9 → 4 and so on; absent for the wheel's buttons 4 to 7 and for 0.
    static std::optional<int> buttonNumber(unsigned xButton);

private:
    struct Filters;
    class FilterToken;
    class ListenerToken;

    X11Connection& connection_;
    std::shared_ptr<Filters> filters_;
};

}  // namespace tandri::x11
