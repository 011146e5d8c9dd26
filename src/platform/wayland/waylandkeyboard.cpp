// SPDX-License-Identifier: MIT
#include "platform/wayland/waylandkeyboard.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <xkbcommon/xkbcommon.h>

#include "platform/wayland/portalshortcut.h"

namespace tandri::wayland {

class WaylandKeyboard::Grab : public KeyGrab {
public:
    Grab(WaylandKeyboard& keyboard, quint64 id)
        : keyboard_(keyboard), id_(id), alive_(keyboard.liveness_.watch()) {}
    ~Grab() override {
        if (alive_)
            keyboard_.handlers_.erase(id_);
    }

private:
    WaylandKeyboard& keyboard_;
    quint64 id_;
    Liveness::Watch alive_;
};

WaylandKeyboard::WaylandKeyboard() = default;

WaylandKeyboard::~WaylandKeyboard() = default;

HotKeyGrab WaylandKeyboard::grabHotKey(quint32 keyCode, quint32 modifiers,
                                       std::function<void(HotKeyEvent)> handler) {
    const quint64 id = ++next_;
    handlers_.emplace(id, std::move(handler));
    if (portalBus_ && !portalAbsent_) {
        QString key;
        if (const auto keysym = keysymOf_(int(keyCode))) {
            char name[64] = {};
            if (xkb_keysym_get_name(*keysym, name, sizeof name) > 0)
                key = QString::fromLatin1(name);
        }
        // Without a name the portal is asked for no key in particular, and the user picks one.
        const QString wanted = PortalShortcut::notation(modifiers, key);
        // The same shortcut again keeps the portal's session, and a refusal is not asked again;
        // another shortcut is, while a portal without the interface is never asked again.
        if (!portal_ || wanted != portalTrigger_) {
            portalTrigger_ = wanted;
            portalProblem_.clear();
            portal_.reset();
            portal_ = std::make_unique<PortalShortcut>(
                *portalBus_, wanted,
                PortalShortcut::Handlers{
                    [this](bool down) {
                        const qint64 now = std::chrono::duration_cast<std::chrono::microseconds>(
                                               std::chrono::steady_clock::now().time_since_epoch())
                                               .count();
                        trigger(down ? HotKeyEvent::Pressed : HotKeyEvent::Released, now);
                    },
                    [this](const QString& why, bool absent) {
                        portalProblem_ = why;
                        portalAbsent_ = absent;
                        std::fprintf(stderr,
                                     "tandri: %s; the compositor's binding "
                                     "(tandri --trigger) is the only way to the ring\n",
                                     qUtf8Printable(why));
                    }});
        }
    }
    return HotKeyGrab{std::make_unique<Grab>(*this, id)};
}

std::unique_ptr<Monitor> WaylandKeyboard::monitorOwnKeyDowns(std::function<bool(const KeyEvent&)>) {
    return nullptr;
}

bool WaylandKeyboard::trigger(HotKeyEvent event, qint64 stamp) {
    if (handlers_.empty())
        return false;
    if (event == HotKeyEvent::Pressed) {
        if (held_)
            return true;
        // The two processes of a tap start nearly at once, and either may stamp first: a release
        // heard with nothing held, close to this press, was this press's.
        const bool paired = unpaired_ && std::abs(stamp - *unpaired_) < pairingMicroseconds;
        unpaired_.reset();
        if (stamp < lastRelease_ || paired) {
            deliver(HotKeyEvent::Pressed);
            deliver(HotKeyEvent::Released);
            return true;
        }
        held_ = true;
        deliver(HotKeyEvent::Pressed);
        return true;
    }
    lastRelease_ = std::max(lastRelease_, stamp);
    // Before its press, or with nothing held: the press, when it comes, is heard as a tap.
    if (held_) {
        held_ = false;
        deliver(HotKeyEvent::Released);
    } else {
        unpaired_ = stamp;
    }
    return true;
}

void WaylandKeyboard::usePortal(QDBusConnection bus,
                                std::function<std::optional<quint32>(int keyCode)> keysymOf) {
    portalBus_ = std::move(bus);
    keysymOf_ = std::move(keysymOf);
}

void WaylandKeyboard::deliver(HotKeyEvent event) {
    // A handler may release its grab, and so change the map, while it runs.
    const auto handlers = handlers_;
    for (const auto& [id, handler] : handlers) {
        if (handler)
            handler(event);
    }
}

}  // namespace tandri::wayland
