// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>
#include <optional>
#include <utility>

#include "platform/overlay.h"

class QKeyEvent;

namespace tandri::x11 {

/// An X keysym, without Xlib's headers.
using XKeySym = unsigned long;

/// The one table between the system's key codes and modifier masks (Space 49, option 2048, ...)
/// and X's keysyms and modifier masks (command ↔ Super on Mod4, option ↔ Alt on Mod1, control
/// ↔ Control, shift ↔ Shift), and the translation of Qt's key presses into the system's. Pure
/// functions, usable from any thread except `keyEvent(const QKeyEvent&)`, which reads Qt's
/// keyboard map on the main thread.
class KeyMap {
public:
    KeyMap() = delete;

    /// The keysym that a key code stands for; absent for codes without one here.
    static std::optional<XKeySym> keysym(int keyCode);
    /// The key code of a keysym, including its shifted and upper-case forms (XK_A, XK_exclam
    /// and XK_ISO_Left_Tab give the codes of a, 1 and Tab); absent for keys without one.
    static std::optional<int> keyCode(XKeySym keysym);
    /// The key code of a keysym written by name, as configuration files write keys ("space",
    /// "F2", "Delete"); absent for unknown names and keys without one.
    static std::optional<int> keyCode(const QString& keysymName);
    /// A GTK accelerator as GNOME and Xfce store them ("<Primary><Alt>Delete", "<Super>space") as
    /// a key code and a hot-key mask; absent for other modifiers and unknown keys.
    static std::optional<std::pair<int, quint32>> accelerator(QString text);
    /// One shortcut as Qt writes it in configuration files ("Alt+Space", "Meta+Shift+F", as KDE
    /// and Qt programs store them) as a key code and a hot-key mask; absent for chords and keys
    /// the table lacks.
    static std::optional<std::pair<int, quint32>> portableText(const QString& text);

    /// The X modifier mask of a hot-key mask (command 256, shift 512, option 2048, control
    /// 4096); absent when the mask holds any other bit.
    static std::optional<unsigned> xModifiers(quint32 hotKeyModifiers);
    /// The hot-key mask of an X modifier state; lock keys, other modifiers and buttons drop out.
    static quint32 hotKeyModifiers(unsigned xState);
    /// KeyEvent's modifier flags for Qt's modifiers (Meta is command, Alt option, Ctrl control).
    static quint64 modifierFlags(Qt::KeyboardModifiers modifiers);

    /// What a key types without modifiers: the lower-case character of a printable key, the
    /// control character of Return, Tab, Backspace and Escape, empty for the other keys.
    static QString characters(int keyCode);

    /// A Qt key press as the system would report it; absent for modifier keys and keys the table
    /// lacks. `baseKeysym`, when known, is the keysym the key types without modifiers, which
    /// decides over `qtKey` (Qt reports Shift-1 as Key_Exclam, and other layouts move symbols).
    static std::optional<KeyEvent> keyEvent(int qtKey, Qt::KeyboardModifiers modifiers,
                                            std::optional<XKeySym> baseKeysym = std::nullopt);
    /// A key press from X as the system would report it: `baseKeysym` is what the key types
    /// without modifiers, `xState` the modifier state of the event.
    static std::optional<KeyEvent> keyEvent(XKeySym baseKeysym, unsigned xState);
    /// A QKeyEvent as the system would report it, the unshifted keysym read from the X keyboard
    /// map when Qt runs on X. Main thread.
    static std::optional<KeyEvent> keyEvent(const QKeyEvent& event);
};

}  // namespace tandri::x11
