// SPDX-License-Identifier: MIT
#pragma once

#include <limits>
#include <map>
#include <optional>

#include "platform/common/liveness.h"
#include "platform/keyboard.h"

namespace tandri::wayland {

/// The keyboard beyond this program's surfaces on Wayland, where no client may grab a key for
/// the whole desktop: the compositor's own key binding runs `tandri --trigger down` and
/// `--trigger up`, and those reach the running program (`trigger`). A combination is "held" by
/// whoever asks for it, since the compositor's configuration, which this program does not write,
/// decides what the key does. Main thread.
class WaylandKeyboard : public Keyboard {
public:
    WaylandKeyboard();
    ~WaylandKeyboard() override;
    /// Hands the trigger's presses and releases to `handler` for as long as the grab lives.
    HotKeyGrab grabHotKey(quint32 keyCode, quint32 modifiers,
                          std::function<void(HotKeyEvent)> handler) override;
    /// None: Qt's windows on Wayland show no key press before they handle it.
    std::unique_ptr<Monitor> monitorOwnKeyDowns(
        std::function<bool(const KeyEvent&)> handler) override;

    /// The compositor's binding went down or up, as stamped (monotonic time) when its command
    /// started; false when no shortcut is held to hear it. Each binding runs a process of its
    /// own, so a quick tap's release may come first: a press older than a release already heard
    /// is that release's, and is heard as a press and a release at once. So is a press that comes
    /// after a release heard with nothing held, when their stamps lie within a second: the
    /// release's process started first and stamped first too.
    bool trigger(HotKeyEvent event, qint64 stamp);

private:
    class Grab;
    void deliver(HotKeyEvent event);

    std::map<quint64, std::function<void(HotKeyEvent)>> handlers_;
    bool held_ = false;
    qint64 lastRelease_ = std::numeric_limits<qint64>::min();
    // The stamp of a release heard before its press, until that press comes.
    std::optional<qint64> unpaired_;
    static constexpr qint64 pairingMicroseconds = 1000000;
    quint64 next_ = 0;
    Liveness liveness_;
};

}  // namespace tandri::wayland
