// SPDX-License-Identifier: MIT
#include "triggers/hotkey.h"

#include <limits>

namespace tandri {

namespace {

bool fits32Bits(qint64 value) {
    return value >= 0 && value <= qint64(std::numeric_limits<quint32>::max());
}

}  // namespace

std::unique_ptr<HotKey> HotKey::make(Keyboard& keyboard, qint64 keyCode, qint64 modifiers,
                                     GrabRefusal* refusal) {
    // A stored number the system cannot take is treated like a combination it refuses, so the
    // caller falls back to one that works.
    if (!fits32Bits(keyCode) || !fits32Bits(modifiers)) {
        if (refusal)
            *refusal = GrabRefusal::NotOnKeyboard;
        return nullptr;
    }
    std::unique_ptr<HotKey> hotKey(new HotKey());
    HotKey* target = hotKey.get();
    // The grab lives inside the object, so the handler never outlives its target.
    HotKeyGrab grab =
        keyboard.grabHotKey(quint32(keyCode), quint32(modifiers),
                            [target](Keyboard::HotKeyEvent event) { target->handle(event); });
    if (!grab) {
        if (refusal)
            *refusal = grab.refusal;
        return nullptr;
    }
    hotKey->grab_ = std::move(grab.grab);
    return hotKey;
}

HotKey::~HotKey() = default;

void HotKey::handle(Keyboard::HotKeyEvent event) {
    switch (event) {
        case Keyboard::HotKeyEvent::Pressed: {
            if (isDown_)
                return;
            isDown_ = true;
            auto callback = onPress;
            if (callback)
                callback();
            return;
        }
        case Keyboard::HotKeyEvent::Released: {
            isDown_ = false;
            auto callback = onRelease;
            if (callback)
                callback();
            return;
        }
    }
}

}  // namespace tandri
