// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>
#include <functional>
#include <memory>

#include "platform/overlay.h"
#include "platform/screens.h"

namespace tandri {

/// One system-wide key combination held by this program; destroying it gives the keys back.
class KeyGrab {
public:
    virtual ~KeyGrab() = default;
};

/// Why the system would not give a combination.
enum class GrabRefusal {
    /// Another program holds it, or this one does already.
    Taken,
    /// No key of the keyboard's layout types it, or it names a modifier the system lacks.
    NotOnKeyboard,
    /// The display server refused it for another reason.
    ServerError,
};

/// A combination claimed, or why it could not be.
struct HotKeyGrab {
    std::unique_ptr<KeyGrab> grab;
    /// Meaningless when there is a grab.
    GrabRefusal refusal = GrabRefusal::Taken;
    explicit operator bool() const { return grab != nullptr; }
};

/// The keyboard beyond the ring's own window. Main thread; events arrive on the main thread.
class Keyboard {
public:
    enum class HotKeyEvent { Pressed, Released };

    virtual ~Keyboard() = default;
    /// Claims a combination for the whole system: a key code and a modifier mask in the hot-key
    /// encoding (command 256, shift 512, option 2048, control 4096). `handler` sees each press
    /// and release; a held key may repeat its press. Without a grab when another program holds
    /// the combination or the system cannot grab it, saying which.
    [[nodiscard]] virtual HotKeyGrab grabHotKey(quint32 keyCode, quint32 modifiers,
                                                std::function<void(HotKeyEvent)> handler) = 0;
    /// Shows `handler` every key press sent to this program's own windows before they handle it;
    /// a press for which it returns true goes no further. Null when the system offers no such
    /// monitor.
    [[nodiscard]] virtual std::unique_ptr<Monitor> monitorOwnKeyDowns(
        std::function<bool(const KeyEvent&)> handler) = 0;
};

}  // namespace tandri
