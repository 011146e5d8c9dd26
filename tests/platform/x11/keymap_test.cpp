// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <X11/keysym.h>
#include <QKeyEvent>

#include "platform/x11/keymap.h"

namespace tandri::test {
namespace {

using x11::KeyMap;

constexpr quint32 command = 256;
constexpr quint32 shift = 512;
constexpr quint32 option = 2048;
constexpr quint32 control = 4096;
// Xlib's modifier masks, spelled out to keep X.h's macros out of the test.
constexpr unsigned xShift = 1, xLock = 2, xControl = 4, xMod1 = 8, xMod2 = 16, xMod4 = 64;

TEST(KeyMap, EveryMappedCodeComesBackTypingWhatItsKeyTypesAloneAndGapsStayEmpty) {
    int mapped = 0;
    for (int code = -1; code < 200; ++code) {
        const auto keysym = KeyMap::keysym(code);
        if (!keysym)
            continue;
        ++mapped;
        EXPECT_EQ(KeyMap::keyCode(*keysym), code) << code;
    }
    // 26 letters, 10 digits, 11 symbols, Space, 9 editing keys, 4 arrows, 19 function keys.
    EXPECT_EQ(mapped, 26 + 10 + 11 + 1 + 9 + 4 + 19);
    // The codes between the named ones (10 is the ISO section key, 52 and 127 are unused).
    for (int gap : {10, 52, 127, -1}) EXPECT_FALSE(KeyMap::keysym(gap)) << gap;
    // What each key types alone; none for the named keys.
    const std::pair<int, QString> keys[] = {{0, "a"},   {18, "1"},  {42, "\\"},   {49, " "},
                                            {36, "\r"}, {48, "\t"}, {53, "\x1b"}, {51, "\x7f"},
                                            {123, ""},  {122, ""},  {10, ""}};
    for (const auto& [code, text] : keys) EXPECT_EQ(KeyMap::characters(code), text) << code;
}

// A key's code, its keysym, and another form of it (shifted, keypad, left tab) that finds it too.
TEST(KeyMap, KeysHaveTheirKeysymsAndEachFormFindsItsCode) {
    using Keys = std::vector<std::tuple<int, x11::XKeySym, x11::XKeySym>>;
    const Keys printable = {{0, XK_a, XK_A},
                            {6, XK_z, XK_Z},
                            {18, XK_1, XK_exclam},
                            {22, XK_6, XK_asciicircum},
                            {23, XK_5, XK_percent},
                            {29, XK_0, XK_parenright},
                            {44, XK_slash, XK_question},
                            {50, XK_grave, XK_asciitilde},
                            {39, XK_apostrophe, XK_quotedbl}};
    const Keys named = {
        {48, XK_Tab, XK_ISO_Left_Tab},     {36, XK_Return, XK_KP_Enter}, {49, XK_space, XK_space},
        {53, XK_Escape, XK_Escape},        {122, XK_F1, XK_F1},          {80, XK_F19, XK_F19},
        {121, XK_Page_Down, XK_Page_Down}, {123, XK_Left, XK_Left}};
    for (const Keys& keys : {printable, named}) {
        for (const auto& [code, keysym, other] : keys) {
            EXPECT_EQ(KeyMap::keysym(code), keysym) << code;
            EXPECT_EQ(KeyMap::keyCode(keysym), code) << code;
            EXPECT_EQ(KeyMap::keyCode(other), code) << code;
        }
    }
    // Modifiers and keys outside the table have no code.
    for (x11::XKeySym keysym : {XK_Shift_L, XK_Alt_L, XK_eacute, XK_Insert, 0})
        EXPECT_FALSE(KeyMap::keyCode(keysym)) << keysym;
}

TEST(KeyMap, ModifierMasksBothWaysAndQtsModifiersAsFlags) {
    // Caps Lock (1024) and unknown bits have no grab.
    for (quint32 mask : {1024u, option | 1, 0x80000000u}) EXPECT_FALSE(KeyMap::xModifiers(mask));
    for (quint32 combination = 0; combination < 16; ++combination) {
        const auto bit = [&](int n, unsigned value) {
            return combination & (1 << n) ? value : 0;
        };
        const quint32 mask = bit(0, command) | bit(1, shift) | bit(2, option) | bit(3, control);
        const unsigned x = bit(0, xMod4) | bit(1, xShift) | bit(2, xMod1) | bit(3, xControl);
        EXPECT_EQ(KeyMap::xModifiers(mask), x) << mask;
        EXPECT_EQ(KeyMap::hotKeyModifiers(x), mask);
        // Lock keys, Num Lock and held buttons do not change the combination.
        EXPECT_EQ(KeyMap::hotKeyModifiers(x | xLock | xMod2 | 0x100 | 0x2000), mask);
    }
    // Qt's modifiers become flags; Shift alone of the keypad and group bits counts.
    for (const auto& [qt, flags] :
         {std::pair<Qt::KeyboardModifiers, quint64>{Qt::NoModifier, 0},
          {Qt::MetaModifier, KeyEvent::commandFlag},
          {Qt::AltModifier, KeyEvent::optionFlag},
          {Qt::ControlModifier, KeyEvent::controlFlag},
          {Qt::ShiftModifier | Qt::KeypadModifier | Qt::GroupSwitchModifier, KeyEvent::shiftFlag}})
        EXPECT_EQ(KeyMap::modifierFlags(qt), flags) << int(qt);
}

std::optional<KeyEvent> translate(int key, Qt::KeyboardModifiers modifiers, const QString& text) {
    const QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
    return KeyMap::keyEvent(event);
}

void expectKey(const std::optional<KeyEvent>& event, int code, quint64 flags, const QString& text) {
    ASSERT_TRUE(event);
    EXPECT_EQ(event->keyCode, code);
    EXPECT_EQ(event->modifierFlags, flags);
    EXPECT_EQ(event->characters, text);
}

TEST(KeyMap, QtKeyPressesTranslateByTheUnshiftedKeysymAndOthersAreNone) {
    expectKey(translate(Qt::Key_Space, Qt::AltModifier, " "), 49, KeyEvent::optionFlag, " ");
    expectKey(translate(Qt::Key_A, Qt::ShiftModifier, "A"), 0, KeyEvent::shiftFlag, "a");
    // Control turns the text into a control character; the characters stay the key's.
    expectKey(translate(Qt::Key_C, Qt::ControlModifier, QString(QChar(3))), 8,
              KeyEvent::controlFlag, "c");
    expectKey(translate(Qt::Key_F1, Qt::MetaModifier, ""), 122, KeyEvent::commandFlag, "");
    expectKey(translate(Qt::Key_Escape, Qt::NoModifier, QString(QChar(0x1b))), 53, 0,
              QString(QChar(0x1b)));
    expectKey(translate(Qt::Key_PageDown, Qt::NoModifier, ""), 121, 0, "");
    expectKey(translate(Qt::Key_Home, Qt::NoModifier, ""), 115, 0, "");
    // Qt names a shifted key by what it types.
    expectKey(translate(Qt::Key_Exclam, Qt::ShiftModifier, "!"), 18, KeyEvent::shiftFlag, "1");
    expectKey(translate(Qt::Key_Question, Qt::ShiftModifier | Qt::AltModifier, "?"), 44,
              KeyEvent::shiftFlag | KeyEvent::optionFlag, "/");
    expectKey(translate(Qt::Key_Backtab, Qt::ShiftModifier, ""), 48, KeyEvent::shiftFlag, "\t");
    expectKey(translate(Qt::Key_Enter, Qt::KeypadModifier, "\r"), 36, 0, "\r");
    // Modifier keys and keys outside the table are no presses.
    for (const auto& [key, modifier] : {std::pair{int(Qt::Key_Alt), Qt::AltModifier},
                                        {int(Qt::Key_Meta), Qt::MetaModifier},
                                        {int(Qt::Key_Shift), Qt::ShiftModifier},
                                        {int(Qt::Key_CapsLock), Qt::NoModifier},
                                        {int(Qt::Key_unknown), Qt::NoModifier},
                                        {0, Qt::NoModifier}})
        EXPECT_FALSE(translate(key, modifier, "")) << key;
    EXPECT_FALSE(translate(Qt::Key_Eacute, Qt::NoModifier, "é"));
    // On a German layout Shift-7 types a slash: the key is still the 7.
    expectKey(KeyMap::keyEvent(Qt::Key_Slash, Qt::ShiftModifier, XK_7), 26, KeyEvent::shiftFlag,
              "7");
    // A keysym outside the table leaves Qt's key to decide.
    expectKey(KeyMap::keyEvent(Qt::Key_Z, Qt::ControlModifier, XK_Cyrillic_ya), 6,
              KeyEvent::controlFlag, "z");
}

}  // namespace
}  // namespace tandri::test
