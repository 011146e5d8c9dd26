#pragma once

#include <memory>

#include "platform/keyboard.h"
#include "platform/x11/x11connection.h"

namespace tandri::x11 {

/// Hot keys as passive key grabs on the root window, and the key presses of this program's own
/// windows from Qt. The connection outlives the keyboard and everything it hands out. Main thread.
class X11Keyboard : public Keyboard {
public:
    explicit X11Keyboard(X11Connection& connection);
    ~X11Keyboard() override;

    [[nodiscard]] std::unique_ptr<KeyGrab> grabHotKey(
        quint32 keyCode, quint32 modifiers, std::function<void(HotKeyEvent)> handler) override;
    [[nodiscard]] std::unique_ptr<Monitor> monitorOwnKeyDowns(
        std::function<bool(const KeyEvent&)> handler) override;

private:
    struct Held;
    class Grab;
    class OwnKeyMonitor;

    /// The modifier bits of the lock keys (Caps, Num and Scroll Lock), which a grab ignores.
    unsigned lockModifiers() const;

    X11Connection& connection_;
    std::shared_ptr<Held> held_;
};

}  // namespace tandri::x11
