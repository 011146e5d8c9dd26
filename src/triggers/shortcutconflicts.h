// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "triggers/shortcut.h"

namespace tandri {

struct Platform;

/// Who else may react to the user's shortcut: the system's own shortcuts and the launcher
/// programs of the platform's table, read afresh on every call. Main thread.
namespace ShortcutConflicts {

/// A key code and a modifier mask in the hot-key encoding.
struct Keys {
    qint64 keyCode = 0;
    qint64 modifiers = 0;
    bool operator==(const Keys&) const = default;
};

/// The names of the system shortcuts, then of the launchers, that use the same keys.
std::vector<QString> owners(Platform& platform, const Shortcut& shortcut);
/// "A", "A and B", "A, B and C".
QString joinNames(const std::vector<QString>& names);
/// "⌥Space may also open Raycast and Alfred.", or nothing when no one else reacts.
std::optional<QString> warning(Platform& platform, const Shortcut& shortcut);
/// Reads "Command-Shift-49": modifier words and a key code joined by dashes.
std::optional<Keys> raycastKeys(const QString& text);
/// Reads a JSON object with the numbers "carbonKeyCode" and "carbonModifiers".
std::optional<Keys> keyboardShortcutsKeys(const QString& text);

}  // namespace ShortcutConflicts

}  // namespace tandri
