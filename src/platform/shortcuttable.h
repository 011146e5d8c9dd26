// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QtGlobal>
#include <vector>

namespace tandri {

/// A combination the system itself may react to, with the switch the user can turn it off by.
struct SystemShortcut {
    /// The system's number for the shortcut; its key in the stored switches.
    int number = 0;
    /// How a warning names it: "Spotlight".
    QString name;
    qint64 keyCode = 0;
    /// In the hot-key encoding.
    qint64 modifiers = 0;
    bool onByDefault = false;
};

/// A key code and a modifier mask in the hot-key encoding.
struct KeyCombination {
    qint64 keyCode = 0;
    qint64 modifiers = 0;
    bool operator==(const KeyCombination&) const = default;
};

/// A launcher program that may be bound to the same keys.
struct Launcher {
    /// How its stored shortcut is written.
    enum class Format {
        /// Not read: the launcher is assumed to use the standard Option-Space.
        None,
        /// Modifier words and a key code joined by "-": "Command-Shift-49".
        Dashes,
        /// A JSON object with "carbonKeyCode" and "carbonModifiers".
        KeyCodeJson,
        /// Read by the platform in its own way: `running` and `keys` say it all.
        Platform,
    };

    QString name;
    /// Its identifier among running applications and the name of its preference domain.
    QString bundleID;
    /// Where it keeps its shortcut, in its own domain.
    QString key;
    Format format = Format::None;
    /// With `Format::Platform`: whether it runs now, and the combinations it answers to (what
    /// its own settings say, or its factory keys where they say nothing).
    bool running = false;
    std::vector<KeyCombination> keys = {};
};

/// What other owners the platform knows for a key combination. Each platform lists only what can
/// exist on it, so no warning names a program or feature the user cannot have.
struct ShortcutTable {
    /// The preference domain and key holding the system's switches for `system`: a dictionary
    /// from the decimal number to {"enabled", "value": {"parameters": [char, keyCode, flags]}}.
    QString domain;
    QString key;
    /// In ascending number.
    std::vector<SystemShortcut> system;
    /// In the order they are examined.
    std::vector<Launcher> launchers;
};

}  // namespace tandri
