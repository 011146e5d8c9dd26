// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>
#include <functional>
#include <memory>

#include "platform/keyboard.h"

namespace tandri {

/// One registration of a system-wide hot key with a press and a release callback. Holding the
/// keys runs `onPress` once, however often the system repeats the press. Destroying the object
/// gives the keys back. Main thread.
class HotKey {
public:
    /// Registers the combination; null when the system refuses it, with the reason in
    /// `refusal` when given. Numbers that do not fit the system's 32 bits name no key.
    static std::unique_ptr<HotKey> make(Keyboard& keyboard, qint64 keyCode, qint64 modifiers,
                                        GrabRefusal* refusal = nullptr);
    ~HotKey();
    HotKey(const HotKey&) = delete;
    HotKey& operator=(const HotKey&) = delete;

    /// Read when the event arrives, so they may be replaced at any time.
    std::function<void()> onPress;
    std::function<void()> onRelease;

    bool isDown() const { return isDown_; }
    void handle(Keyboard::HotKeyEvent event);

private:
    HotKey() = default;

    bool isDown_ = false;
    std::unique_ptr<KeyGrab> grab_;
};

}  // namespace tandri
