// SPDX-License-Identifier: MIT
#include "platform/x11/keymap.h"
#include "platform/keycodes.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <array>
#include <string_view>

#include "platform/x11/xlib.h"

namespace tandri::x11 {

namespace {

struct Key {
    int code;
    XKeySym keysym;
    int qtKey;
};

// Printable keys type their keysym's character (Latin-1 keysyms are their character codes), and
// Qt names them by the upper-case character.
constexpr Key printable(int code, char character) {
    const int upper = character >= 'a' && character <= 'z' ? character - 'a' + 'A' : character;
    return {code, XKeySym(character), upper};
}

constexpr std::array<Key, 80> keys{{
    printable(0, 'a'),
    printable(1, 's'),
    printable(2, 'd'),
    printable(3, 'f'),
    printable(4, 'h'),
    printable(5, 'g'),
    printable(6, 'z'),
    printable(7, 'x'),
    printable(8, 'c'),
    printable(9, 'v'),
    printable(11, 'b'),
    printable(12, 'q'),
    printable(13, 'w'),
    printable(14, 'e'),
    printable(15, 'r'),
    printable(16, 'y'),
    printable(17, 't'),
    printable(18, '1'),
    printable(19, '2'),
    printable(20, '3'),
    printable(21, '4'),
    printable(22, '6'),
    printable(23, '5'),
    printable(24, '='),
    printable(25, '9'),
    printable(26, '7'),
    printable(27, '-'),
    printable(28, '8'),
    printable(29, '0'),
    printable(30, ']'),
    printable(31, 'o'),
    printable(32, 'u'),
    printable(33, '['),
    printable(34, 'i'),
    printable(35, 'p'),
    printable(37, 'l'),
    printable(38, 'j'),
    printable(39, '\''),
    printable(40, 'k'),
    printable(41, ';'),
    printable(42, '\\'),
    printable(43, ','),
    printable(44, '/'),
    printable(45, 'n'),
    printable(46, 'm'),
    printable(47, '.'),
    printable(50, '`'),
    printable(49, ' '),
    {36, XK_Return, Qt::Key_Return},
    {48, XK_Tab, Qt::Key_Tab},
    {51, XK_BackSpace, Qt::Key_Backspace},
    {117, XK_Delete, Qt::Key_Delete},
    {53, XK_Escape, Qt::Key_Escape},
    {123, XK_Left, Qt::Key_Left},
    {124, XK_Right, Qt::Key_Right},
    {125, XK_Down, Qt::Key_Down},
    {126, XK_Up, Qt::Key_Up},
    {115, XK_Home, Qt::Key_Home},
    {119, XK_End, Qt::Key_End},
    {116, XK_Page_Up, Qt::Key_PageUp},
    {121, XK_Page_Down, Qt::Key_PageDown},
    {122, XK_F1, Qt::Key_F1},
    {120, XK_F2, Qt::Key_F2},
    {99, XK_F3, Qt::Key_F3},
    {118, XK_F4, Qt::Key_F4},
    {96, XK_F5, Qt::Key_F5},
    {97, XK_F6, Qt::Key_F6},
    {98, XK_F7, Qt::Key_F7},
    {100, XK_F8, Qt::Key_F8},
    {101, XK_F9, Qt::Key_F9},
    {109, XK_F10, Qt::Key_F10},
    {103, XK_F11, Qt::Key_F11},
    {111, XK_F12, Qt::Key_F12},
    {105, XK_F13, Qt::Key_F13},
    {107, XK_F14, Qt::Key_F14},
    {113, XK_F15, Qt::Key_F15},
    {106, XK_F16, Qt::Key_F16},
    {64, XK_F17, Qt::Key_F17},
    {79, XK_F18, Qt::Key_F18},
    {80, XK_F19, Qt::Key_F19},
}};

// What Shift makes of the unshifted symbols on the layout the system's key codes are named after.
// Used only to find the key when all that is known is what it typed.
constexpr std::string_view shiftedSymbols = "!@#$%^&*()_+{}|:\"<>?~";
constexpr std::string_view unshiftedSymbols = "1234567890-=[]\\;',./`";

const Key* byCode(int code) {
    for (const Key& key : keys) {
        if (key.code == code)
            return &key;
    }
    return nullptr;
}

std::optional<int> byQtKey(int qtKey) {
    for (const Key& key : keys) {
        if (key.qtKey == qtKey)
            return key.code;
    }
    return std::nullopt;
}

// The unshifted printable character a shifted one comes from, or the character itself.
XKeySym unshifted(XKeySym keysym) {
    if (keysym >= XK_A && keysym <= XK_Z)
        return keysym - XK_A + XK_a;
    if (keysym < 0x80) {
        const auto at = shiftedSymbols.find(char(keysym));
        if (at != std::string_view::npos)
            return XKeySym(unshiftedSymbols[at]);
    }
    return keysym;
}

}  // namespace

std::optional<XKeySym> KeyMap::keysym(int keyCode) {
    if (const Key* key = byCode(keyCode))
        return key->keysym;
    return std::nullopt;
}

std::optional<std::pair<int, quint32>> KeyMap::accelerator(QString text) {
    quint32 modifiers = 0;
    while (text.startsWith(u'<')) {
        const qsizetype end = text.indexOf(u'>');
        if (end < 0)
            return std::nullopt;
        const QString name = text.mid(1, end - 1).toLower();
        if (name == u"alt" || name == u"mod1")
            modifiers |= ModifierMasks::option;
        else if (name == u"primary" || name == u"control" || name == u"ctrl")
            modifiers |= ModifierMasks::control;
        else if (name == u"shift")
            modifiers |= ModifierMasks::shift;
        else if (name == u"super" || name == u"mod4")
            modifiers |= ModifierMasks::command;
        else
            return std::nullopt;
        text = text.mid(end + 1);
    }
    const auto code = keyCode(text);
    if (!code)
        return std::nullopt;
    return std::pair<int, quint32>{*code, modifiers};
}

std::optional<std::pair<int, quint32>> KeyMap::portableText(const QString& text) {
    const QKeySequence sequence = QKeySequence::fromString(text, QKeySequence::PortableText);
    if (sequence.count() != 1)
        return std::nullopt;
    const QKeyCombination combination = sequence[0];
    const auto event = keyEvent(combination.key(), combination.keyboardModifiers());
    if (!event)
        return std::nullopt;
    quint32 modifiers = 0;
    const std::pair<quint64, quint32> bits[] = {{KeyEvent::shiftFlag, ModifierMasks::shift},
                                                {KeyEvent::controlFlag, ModifierMasks::control},
                                                {KeyEvent::optionFlag, ModifierMasks::option},
                                                {KeyEvent::commandFlag, ModifierMasks::command}};
    for (const auto& [flag, modifier] : bits) {
        if (event->modifierFlags & flag)
            modifiers |= modifier;
    }
    return std::pair<int, quint32>{event->keyCode, modifiers};
}

std::optional<int> KeyMap::keyCode(const QString& keysymName) {
    if (keysymName.isEmpty())
        return std::nullopt;
    const KeySym keysym = XStringToKeysym(keysymName.toLatin1().constData());
    return keysym == NoSymbol ? std::nullopt : keyCode(XKeySym(keysym));
}

std::optional<int> KeyMap::keyCode(XKeySym keysym) {
    // Shift-Tab types ISO_Left_Tab, and the keypad's Enter means Return.
    if (keysym == XK_ISO_Left_Tab)
        return KeyCodes::tab;
    if (keysym == XK_KP_Enter)
        return KeyCodes::returnKey;
    const XKeySym base = unshifted(keysym);
    for (const Key& key : keys) {
        if (key.keysym == base)
            return key.code;
    }
    return std::nullopt;
}

namespace {

constexpr std::array<std::pair<quint32, unsigned>, 4> modifiers{{
    {ModifierMasks::command, Mod4Mask},
    {ModifierMasks::shift, ShiftMask},
    {ModifierMasks::option, Mod1Mask},
    {ModifierMasks::control, ControlMask},
}};

}  // namespace

std::optional<unsigned> KeyMap::xModifiers(quint32 hotKeyModifiers) {
    unsigned mask = 0;
    quint32 left = hotKeyModifiers;
    for (const auto& [ours, theirs] : modifiers) {
        if (hotKeyModifiers & ours) {
            mask |= theirs;
            left &= ~ours;
        }
    }
    if (left != 0)
        return std::nullopt;
    return mask;
}

quint32 KeyMap::hotKeyModifiers(unsigned xState) {
    quint32 mask = 0;
    for (const auto& [ours, theirs] : modifiers) {
        if (xState & theirs)
            mask |= ours;
    }
    return mask;
}

quint64 KeyMap::modifierFlags(Qt::KeyboardModifiers modifiers) {
    quint64 flags = 0;
    if (modifiers & Qt::ShiftModifier)
        flags |= KeyEvent::shiftFlag;
    if (modifiers & Qt::ControlModifier)
        flags |= KeyEvent::controlFlag;
    if (modifiers & Qt::AltModifier)
        flags |= KeyEvent::optionFlag;
    if (modifiers & Qt::MetaModifier)
        flags |= KeyEvent::commandFlag;
    return flags;
}

QString KeyMap::characters(int keyCode) {
    switch (keyCode) {
        case KeyCodes::returnKey:
            return QStringLiteral("\r");
        case KeyCodes::tab:
            return QStringLiteral("\t");
        case KeyCodes::backspace:
            return QString(QChar(0x7f));
        case KeyCodes::escape:
            return QString(QChar(0x1b));
        default:
            break;
    }
    const Key* key = byCode(keyCode);
    if (!key || key->keysym < 0x20 || key->keysym > 0x7e)
        return {};
    return QString(QChar(char16_t(key->keysym)));
}

std::optional<KeyEvent> KeyMap::keyEvent(int qtKey, Qt::KeyboardModifiers modifiers,
                                         std::optional<XKeySym> baseKeysym) {
    std::optional<int> code;
    if (baseKeysym)
        code = keyCode(*baseKeysym);
    if (!code) {
        if (qtKey == Qt::Key_Backtab)
            code = KeyCodes::tab;
        else if (qtKey == Qt::Key_Enter)
            code = KeyCodes::returnKey;
        else if (qtKey > 0 && qtKey < 0x80)
            code = keyCode(XKeySym(qtKey));  // printable keys are named by their character
        else
            code = byQtKey(qtKey);
    }
    if (!code)
        return std::nullopt;
    return KeyEvent{*code, modifierFlags(modifiers), characters(*code)};
}

std::optional<KeyEvent> KeyMap::keyEvent(XKeySym baseKeysym, unsigned xState) {
    const std::optional<int> code = keyCode(baseKeysym);
    if (!code)
        return std::nullopt;
    Qt::KeyboardModifiers modifiers;
    if (xState & ShiftMask)
        modifiers |= Qt::ShiftModifier;
    if (xState & ControlMask)
        modifiers |= Qt::ControlModifier;
    if (xState & Mod1Mask)
        modifiers |= Qt::AltModifier;
    if (xState & Mod4Mask)
        modifiers |= Qt::MetaModifier;
    return KeyEvent{*code, modifierFlags(modifiers), characters(*code)};
}

std::optional<KeyEvent> KeyMap::keyEvent(const QKeyEvent& event) {
    std::optional<XKeySym> base;
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        // What the key types in the first group without modifiers: Qt's key already carries
        // Shift's symbol (Key_Exclam for Shift-1), which names another key.
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        if (x11 && x11->display() && event.nativeScanCode() > 7 && event.nativeScanCode() < 256) {
            const KeySym sym =
                XkbKeycodeToKeysym(x11->display(), KeyCode(event.nativeScanCode()), 0, 0);
            if (sym != NoSymbol)
                base = sym;
        }
        // Without the map, the keysym Qt read with the modifiers applied.
        if (!base && event.nativeVirtualKey() != 0)
            base = event.nativeVirtualKey();
    }
    return keyEvent(event.key(), event.modifiers(), base);
}

}  // namespace tandri::x11
