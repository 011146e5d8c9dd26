// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusConnection>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>

#include "platform/common/liveness.h"
#include "platform/keyboard.h"

namespace tandri::wayland {

class PortalShortcut;

/// The keyboard beyond this program's surfaces on Wayland, where no client may grab a key for
/// the whole desktop: the compositor's own key binding runs `tandri --trigger down` and
/// `--trigger up`, and those reach the running program (`trigger`). A combination is "held" by
/// whoever asks for it, since the compositor's configuration, which this program does not write,
/// decides what the key does. Where the session's desktop portal offers global shortcuts
/// (`usePortal`), the shortcut grabbed is bound there too, and the portal's presses and releases
/// are heard as the binding's. Main thread.
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

    /// Binds each shortcut grabbed from now on through the desktop portal on `bus`, its key code
    /// turned into an XKB keysym by `keysymOf`; where the portal cannot, one line on stderr says
    /// why, and the compositor's binding stays the only way.
    void usePortal(QDBusConnection bus,
                   std::function<std::optional<quint32>(int keyCode)> keysymOf);
    /// Why the portal does not bind the trigger; empty while it binds, once it has bound, and
    /// where it is not used.
    QString portalProblem() const { return portalProblem_; }

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
    std::optional<QDBusConnection> portalBus_;
    std::function<std::optional<quint32>(int)> keysymOf_;
    std::unique_ptr<PortalShortcut> portal_;
    QString portalTrigger_;
    QString portalProblem_;
    bool portalAbsent_ = false;
    Liveness liveness_;
};

}  // namespace tandri::wayland
