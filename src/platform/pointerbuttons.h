// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <memory>

#include "platform/screens.h"

namespace tandri {

/// A press, release or drag of a mouse button other than the primary and secondary ones.
struct ButtonEvent {
    enum class Type { Down, Up, Dragged };
    /// The middle button.
    static constexpr int middle = 2;

    Type type = Type::Down;
    /// 0 is the primary button, 1 the secondary, 2 the middle one, 3 and up the others.
    int button = middle;
};

/// System-wide access to the other mouse buttons. Main thread; events arrive on the main thread.
class PointerButtons {
public:
    virtual ~PointerButtons() = default;
    /// Installs a filter that sees every other-button event before any application; an event
    /// for which `handler` returns true is removed and reaches no application. Null when the
    /// system refuses (it needs the accessibility permission).
    [[nodiscard]] virtual std::unique_ptr<Monitor> filterOtherButtons(
        std::function<bool(const ButtonEvent&)> handler) = 0;
    /// Installs a passive listener for other-button presses and releases anywhere, this
    /// program's windows included; it cannot stop them. Null when the system offers none.
    [[nodiscard]] virtual std::unique_ptr<Monitor> listenOtherButtons(
        std::function<void(const ButtonEvent&)> handler) = 0;
};

}  // namespace tandri
