// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "platform/preferences.h"
#include "support/testdesktop.h"
#include "triggers/shortcut.h"

namespace tandri::test {
namespace {

KeyEvent key(int code, quint64 flags, const QString& characters = {}) {
    return KeyEvent{code, flags, characters};
}

TEST(Shortcut, StoredShortcutNeedsAKeyCodeAndALabel) {
    TestDesktop desktop;
    Preferences& prefs = desktop.preferences();
    EXPECT_EQ(Shortcut::current(prefs), (Shortcut{49, 2048, "⌥Space"}));
    // A key code without a label is not a shortcut anyone chose: the standard one stands.
    prefs.setValue(Preferences::appDomain, Shortcut::keyCodeKey, 40);
    EXPECT_EQ(Shortcut::current(prefs), Shortcut::standard());
    // Missing modifiers read as none.
    prefs.setValue(Preferences::appDomain, Shortcut::labelKey, "K");
    EXPECT_EQ(Shortcut::current(prefs), (Shortcut{40, 0, "K"}));

    const Shortcut chosen{122, Shortcut::command | Shortcut::shift, "⇧⌘F1"};
    chosen.save(prefs);
    EXPECT_EQ(Shortcut::current(prefs), chosen);
    EXPECT_EQ(prefs.storedValue(Preferences::appDomain, Shortcut::modifiersKey), QJsonValue(768));
    // The label takes part in equality.
    EXPECT_NE(chosen, (Shortcut{122, 768, "F1"}));
}

TEST(Shortcut, KeyPressesMakeShortcutsWithTheirLabels) {
    const quint64 all =
        KeyEvent::controlFlag | KeyEvent::optionFlag | KeyEvent::shiftFlag | KeyEvent::commandFlag;
    const auto k = Shortcut::fromKeyEvent(key(40, all, "k"));
    ASSERT_TRUE(k);
    EXPECT_EQ(k->modifiers, 6912);
    EXPECT_EQ(k->label, "⌃⌥⇧⌘K");
    // Shift alone does not count; a function key needs no modifier.
    EXPECT_FALSE(Shortcut::fromKeyEvent(key(40, KeyEvent::shiftFlag, "k")));
    EXPECT_FALSE(Shortcut::fromKeyEvent(key(40, 0, "k")));
    EXPECT_EQ(Shortcut::fromKeyEvent(key(96, 0)), (Shortcut{96, 0, "F5"}));
    EXPECT_EQ(Shortcut::fromKeyEvent(key(36, KeyEvent::optionFlag, "\r")),
              (Shortcut{36, 2048, "⌥↩"}));
    EXPECT_EQ(Shortcut::fromKeyEvent(key(49, KeyEvent::optionFlag, " ")), Shortcut::standard());
    // A key that types nothing and has no name of its own.
    EXPECT_EQ(Shortcut::fromKeyEvent(key(10, KeyEvent::controlFlag))->label, "⌃?");
    EXPECT_EQ(Shortcut::symbols(0), "");
}

}  // namespace
}  // namespace tandri::test
