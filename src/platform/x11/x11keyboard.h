// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

#include "platform/keyboard.h"
#include "platform/x11/keyfocus.h"
#include "platform/x11/x11connection.h"

namespace tandri::x11 {

/// Hot keys as passive key grabs on the root window, and the key presses of this program's own
/// windows from Qt. Keys typed while a hot key is held go to the window that `focus` names. The
/// connection and `focus` outlive the keyboard and everything it hands out. Main thread.
class X11Keyboard : public Keyboard {
public:
    X11Keyboard(X11Connection& connection, const KeyFocus& focus);
    ~X11Keyboard() override;

    [[nodiscard]] HotKeyGrab grabHotKey(quint32 keyCode, quint32 modifiers,
                                        std::function<void(HotKeyEvent)> handler) override;
    [[nodiscard]] std::unique_ptr<Monitor> monitorOwnKeyDowns(
        std::function<bool(const KeyEvent&)> handler) override;

    /// Gives up the keyboard that a held hot key has taken, so that a window of this program (a
    /// pop-up menu) can take it; the hot key's handler sees the release then, since the key's
    /// own release will go to that window.
    void yieldHeldGrab();

private:
    struct GrabState;
    struct Held;
    class YieldedKey;
    class Grab;
    class OwnKeyMonitor;

    /// The modifier bits of the lock keys (Caps, Num and Scroll Lock), which a grab ignores.
    unsigned lockModifiers() const;

    X11Connection& connection_;
    const KeyFocus& focus_;
    std::shared_ptr<Held> held_;
    std::unique_ptr<YieldedKey> yielded_;
};

}  // namespace tandri::x11
