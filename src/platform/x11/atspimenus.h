// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusConnection>
#include <QString>
#include <QStringList>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/accessibility.h"

namespace tandri::x11 {

/// Other applications' menu bars as they publish them on the desktop's accessibility bus
/// (AT-SPI over D-Bus): found by the process id of the app's bus connection, read a level at a
/// time with every request of a level in flight together, each answer awaited at most
/// `timeoutMs`. A menu item's element id is "<bus name> <object path>". Main thread.
class AtspiMenus {
public:
    /// A menu item's shortcut: its key as the menu shows it and its modifiers as
    /// AXMenuItem::cmdModifiers counts them (Control is the command modifier).
    struct KeyBinding {
        QString key;
        qint64 modifiers = 0;
        bool operator==(const KeyBinding&) const = default;
    };

    explicit AtspiMenus(int timeoutMs = 200);
    ~AtspiMenus();
    AtspiMenus(const AtspiMenus&) = delete;
    AtspiMenus& operator=(const AtspiMenus&) = delete;

    /// The menus of the first menu bar in the process's accessible tree; absent when there is no
    /// accessibility bus, the process is not on it, it has no menu bar or does not answer.
    std::optional<std::vector<AXMenu>> menuBar(qint32 pid) const;
    /// Runs the item's first action without waiting for the app's answer.
    void press(const MenuElement& item) const;

    /// Reads a toolkit's key binding text: Qt's "Ctrl+Shift+N", GTK's "<Primary><Shift>n" and its
    /// "mnemonic;menu path;accelerator" triple. Absent when it names no shortcut: empty, only a
    /// mnemonic, or a sequence of several chords.
    static std::optional<KeyBinding> parseKeyBinding(const QString& text);

private:
    // The accessibility bus, connected on first use and again after it went away; null without
    // one.
    std::optional<QDBusConnection> bus() const;

    const int timeoutMs_;
    mutable std::mutex mutex_;
    mutable QString connectionName_;
    mutable int connections_ = 0;
    // Process ids of bus connections: a unique bus name is never handed out twice.
    mutable std::map<QString, qint32> pids_;
};

}  // namespace tandri::x11
