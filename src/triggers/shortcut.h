// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <optional>

#include "platform/keyboard.h"
#include "platform/keycodes.h"
#include "platform/overlay.h"

namespace tandri {

class Preferences;

/// A keyboard shortcut: the system's key code, a modifier mask in the hot-key encoding, and the
/// label users see.
struct Shortcut {
    static constexpr int command = ModifierMasks::command;
    static constexpr int shift = ModifierMasks::shift;
    static constexpr int option = ModifierMasks::option;
    static constexpr int control = ModifierMasks::control;

    static inline const QString keyCodeKey = QStringLiteral("shortcut.keyCode");
    static inline const QString modifiersKey = QStringLiteral("shortcut.modifiers");
    static inline const QString labelKey = QStringLiteral("shortcut.label");
    /// Object: true while a new shortcut is being recorded.
    static inline const QString recordingNotification = QStringLiteral("ShortcutRecording");
    /// Object: the label of the shortcut that could not be registered.
    static inline const QString rejectedNotification = QStringLiteral("ShortcutRejected");

    qint64 keyCode = 0;
    qint64 modifiers = 0;
    QString label;

    bool operator==(const Shortcut&) const = default;

    /// Option-Space.
    static Shortcut standard();
    /// Why the system would not give the shortcut shown as `shown`, without a full stop:
    /// "⌥Space is taken by another app".
    static QString refusalMessage(const QString& shown, GrabRefusal refusal);
    /// The stored shortcut, or the standard one when none is stored.
    static Shortcut current(const Preferences& preferences);
    void save(Preferences& preferences) const;
    /// The shortcut a key press makes, if it can be one: it needs Command, Option or Control,
    /// unless the key is a function key.
    static std::optional<Shortcut> fromKeyEvent(const KeyEvent& event);
    /// The glyphs of a modifier mask, in the order ⌃⌥⇧⌘.
    static QString symbols(qint64 modifiers);
    /// The name of a key that types no character, or of a function key.
    static std::optional<QString> keyName(int keyCode);
    static bool isFunctionKey(int keyCode);
};

}  // namespace tandri
