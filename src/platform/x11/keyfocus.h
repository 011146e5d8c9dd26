// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

#include "platform/overlay.h"

namespace tandri::x11 {

/// The window of this program that key presses are for. While a hot key is held, X sends every
/// key to the hot key's grab and none to the focused window; the keyboard hands them on to the
/// window named here, so that the ring answers Escape and Return while it is held open as it
/// does once it stays open. Main thread.
class KeyFocus {
public:
    using Sink = std::function<void(const KeyEvent&)>;

    /// `owner` receives the keys until it releases them or another window takes them.
    void take(const void* owner, Sink sink);
    /// Does nothing unless `owner` has them.
    void release(const void* owner);
    /// Hands `event` to the window that has the keys; false when none has them.
    bool deliver(const KeyEvent& event) const;

private:
    const void* owner_ = nullptr;
    Sink sink_;
};

}  // namespace tandri::x11
