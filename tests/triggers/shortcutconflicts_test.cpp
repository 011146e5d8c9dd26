// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "platform/common/linuxsystem.h"
#include "platform/common/linuxvocabulary.h"
#include "platform/platform.h"
#include "platform/preferences.h"
#include "platform/system.h"
#include "support/testdesktop.h"
#include "triggers/shortcutconflicts.h"

namespace tandri::test {
namespace {

using ShortcutConflicts::keyboardShortcutsKeys;
using ShortcutConflicts::Keys;
using ShortcutConflicts::owners;
using ShortcutConflicts::raycastKeys;
using ShortcutConflicts::warning;

const QString switchesDomain = QStringLiteral("com.apple.symbolichotkeys");
const QString switchesKey = QStringLiteral("AppleSymbolicHotKeys");
const QString dashesDomain = QStringLiteral("com.raycast.macos");
const QString dashesKey = QStringLiteral("raycastGlobalHotkey");
const QString jsonDomain = QStringLiteral("com.openai.chat");
const QString jsonKey = QStringLiteral("KeyboardShortcuts_toggleLauncher");

// Flags of the stored switches.
constexpr qint64 shiftFlag = 0x20000;
constexpr qint64 controlFlag = 0x40000;
constexpr qint64 optionFlag = 0x80000;
constexpr qint64 commandFlag = 0x100000;

const Shortcut commandSpace{49, Shortcut::command, "⌘Space"};
const Shortcut controlSpace{49, Shortcut::control, "⌃Space"};

// The three launchers running beside an unrelated app.
const QByteArray launchersRunning = R"({"apps": [
    {"pid": 10, "name": "Notes", "bundleID": "com.example.notes"},
    {"pid": 11, "name": "Raycast", "bundleID": "com.raycast.macos"},
    {"pid": 12, "name": "ChatGPT", "bundleID": "com.openai.chat"},
    {"pid": 13, "name": "Alfred", "bundleID": "com.runningwithcrayons.Alfred"}
]})";

QJsonObject entry(const QJsonValue& enabled, const QJsonValue& parameters) {
    QJsonObject item{{"value", QJsonObject{{"parameters", parameters}}}};
    if (!enabled.isUndefined())
        item.insert("enabled", enabled);
    return item;
}

QJsonArray parameters(qint64 keyCode, qint64 flags) {
    return QJsonArray{32.0, double(keyCode), double(flags)};
}

void storeSwitches(TestDesktop& desktop, const QJsonObject& switches) {
    desktop.preferences().setValue(switchesDomain, switchesKey, switches);
}

using Names = std::vector<QString>;

TEST(ShortcutConflicts, SystemDefaultsApplyWhenNothingIsStored) {
    TestDesktop desktop;
    Platform& platform = desktop.platform();
    EXPECT_EQ(warning(platform, commandSpace), "⌘Space may also open Spotlight.");
    EXPECT_EQ(owners(platform, Shortcut{49, 2304, "⌥⌘Space"}),
              (Names{"Spotlight's Finder search"}));
    // The input-source switches are off until the user turns them on.
    EXPECT_EQ(warning(platform, controlSpace), std::nullopt);
    EXPECT_EQ(warning(platform, Shortcut{49, 6144, "⌃⌥Space"}), std::nullopt);
    // No launcher runs, so the standard shortcut is free.
    EXPECT_EQ(warning(platform, Shortcut::standard()), std::nullopt);
    // An empty dictionary, or one that is not a dictionary at all, means the same defaults.
    for (const QJsonValue& stored :
         {QJsonValue(QJsonObject()), QJsonValue("{\"64\": {}}"), QJsonValue(QJsonArray{1, 2})}) {
        desktop.preferences().setValue(switchesDomain, switchesKey, stored);
        EXPECT_EQ(owners(platform, commandSpace), (Names{"Spotlight"}));
    }
}

TEST(ShortcutConflicts, StoredSwitchesReplaceTheDefaults) {
    TestDesktop desktop;
    Platform& platform = desktop.platform();
    storeSwitches(desktop, {{"60", entry(true, parameters(49, controlFlag))}});
    EXPECT_EQ(warning(platform, controlSpace), "⌃Space may also open the previous input source.");
    // Entries the dictionary does not mention keep their defaults.
    EXPECT_EQ(owners(platform, commandSpace), (Names{"Spotlight"}));
    // Turned off, as a boolean or as a number; or with no switch at all.
    for (const QJsonValue& off : {QJsonValue(false), QJsonValue(0), QJsonValue(0.0),
                                  QJsonValue("1"), QJsonValue(QJsonValue::Undefined)}) {
        storeSwitches(desktop, {{"64", entry(off, parameters(49, commandFlag))}});
        EXPECT_EQ(warning(platform, commandSpace), std::nullopt);
    }
    for (const QJsonValue& on : {QJsonValue(true), QJsonValue(1), QJsonValue(2.5)}) {
        storeSwitches(desktop, {{"64", entry(on, parameters(49, commandFlag))}});
        EXPECT_EQ(owners(platform, commandSpace), (Names{"Spotlight"}));
    }

    // Moved to other keys: the old keys are free and the new ones taken.
    storeSwitches(desktop, {{"64", entry(1, parameters(40, commandFlag | shiftFlag))}});
    EXPECT_TRUE(owners(platform, commandSpace).empty());
    EXPECT_EQ(owners(platform, Shortcut{40, 768, "⇧⌘K"}), (Names{"Spotlight"}));
    // Every flag converts, and flags without a hot-key meaning (the function-key bit) are ignored.
    const qint64 all = shiftFlag | controlFlag | optionFlag | commandFlag | 0x800000;
    storeSwitches(desktop, {{"61", entry(true, parameters(96, all))}});
    EXPECT_EQ(owners(platform, Shortcut{96, 6912, "⌃⌥⇧⌘F5"}), (Names{"the next input source"}));
}

TEST(ShortcutConflicts, MalformedSwitchEntriesAreSkipped) {
    TestDesktop desktop;
    Platform& platform = desktop.platform();
    // Each of these is present, so the default no longer applies, and unreadable, so it owns
    // nothing.
    for (const char* bad :
         {"[32, 49]", "[32, 49, 1048576, 0]", "[]", R"([32, "49", 1048576])",
          R"([32, 49, "1048576"])", "[32, 49.5, 1048576]", R"("32,49,1048576")", "null"}) {
        storeSwitches(
            desktop,
            {{"64", entry(true, QJsonDocument::fromJson(QByteArray("[") + bad + "]")[0])}});
        EXPECT_TRUE(owners(platform, commandSpace).empty());
    }
    storeSwitches(desktop, {{"64", QJsonValue("on")}, {"65", QJsonObject{{"enabled", true}}}});
    EXPECT_TRUE(owners(platform, commandSpace).empty());
    EXPECT_TRUE(owners(platform, Shortcut{49, 2304, "⌥⌘Space"}).empty());
}

TEST(ShortcutConflicts, LaunchersOwnTheStandardShortcutUnlessTheyStoreOtherKeys) {
    TestDesktop desktop(launchersRunning);
    Platform& platform = desktop.platform();
    EXPECT_EQ(owners(platform, Shortcut::standard()), (Names{"Raycast", "ChatGPT", "Alfred"}));
    EXPECT_EQ(warning(platform, Shortcut::standard()),
              "⌥Space may also open Raycast, ChatGPT and Alfred.");

    Preferences& prefs = desktop.preferences();
    prefs.setValue(dashesDomain, dashesKey, "Command-Shift-49");
    prefs.setValue(jsonDomain, jsonKey, R"({"carbonKeyCode": 49, "carbonModifiers": 4096})");
    EXPECT_EQ(owners(platform, Shortcut::standard()), (Names{"Alfred"}));
    EXPECT_EQ(owners(platform, Shortcut{49, 768, "⇧⌘Space"}), (Names{"Raycast"}));
    EXPECT_EQ(owners(platform, Shortcut{49, 256, "⌘Space"}), (Names{"Spotlight"}));
    // The system owners come first.
    storeSwitches(desktop, {{"60", entry(true, parameters(49, controlFlag))}});
    EXPECT_EQ(warning(platform, controlSpace),
              "⌃Space may also open the previous input source and ChatGPT.");

    prefs.setValue(dashesDomain, dashesKey, "Option-49");
    EXPECT_EQ(owners(platform, Shortcut::standard()), (Names{"Raycast", "Alfred"}));
    EXPECT_TRUE(owners(platform, Shortcut{49, 768, "⇧⌘Space"}).empty());
    // A value that cannot be read or parsed leaves the launcher on its standard shortcut.
    for (const QJsonValue& unreadable :
         {QJsonValue("Command-Shift-Space"), QJsonValue(""), QJsonValue(49),
          QJsonValue(QJsonObject{{"carbonKeyCode", 49}, {"carbonModifiers", 4096}})}) {
        prefs.setValue(dashesDomain, dashesKey, unreadable);
        prefs.setValue(jsonDomain, jsonKey, unreadable);
        EXPECT_EQ(owners(platform, Shortcut::standard()), (Names{"Raycast", "ChatGPT", "Alfred"}));
        EXPECT_EQ(owners(platform, controlSpace), (Names{"the previous input source"}));
    }

    // Many owners are joined in order; switches are examined by number, whatever order the
    // dictionary holds them in.
    prefs.setValue(dashesDomain, dashesKey, "Command-49");
    EXPECT_EQ(warning(platform, commandSpace), "⌘Space may also open Spotlight and Raycast.");
    prefs.setValue(jsonDomain, jsonKey, R"({"carbonKeyCode": 49, "carbonModifiers": 256})");
    storeSwitches(desktop, {{"64", entry(true, parameters(49, commandFlag))},
                            {"60", entry(true, parameters(49, commandFlag))}});
    EXPECT_EQ(warning(platform, commandSpace),
              "⌘Space may also open the previous input source, Spotlight, Raycast and ChatGPT.");
}

TEST(ShortcutConflicts, OnlyRunningLaunchersCount) {
    TestDesktop desktop(R"({"apps": [
        {"pid": 11, "name": "Raycast", "bundleID": "com.raycast.macos"},
        {"pid": 13, "name": "Alfred", "bundleID": "com.runningwithcrayons.Alfred"},
        {"pid": 14, "name": "ChatGPT", "bundleID": "com.openai.chat", "terminated": true},
        {"pid": 15, "name": "Nameless"}
    ]})");
    Platform& platform = desktop.platform();
    EXPECT_EQ(warning(platform, Shortcut::standard()), "⌥Space may also open Raycast and Alfred.");
    // A stored shortcut of a launcher that does not run wakes nothing.
    desktop.preferences().setValue(jsonDomain, jsonKey,
                                   R"({"carbonKeyCode": 40, "carbonModifiers": 256})");
    EXPECT_EQ(warning(platform, Shortcut{40, 256, "⌘K"}), std::nullopt);
    // Alfred's keys are never read: it owns the standard shortcut only.
    EXPECT_TRUE(owners(platform, Shortcut{49, 768, "⇧⌘Space"}).empty());
}

TEST(ShortcutConflicts, OnLinuxTheWindowManagersBindingsAreNamedInItsWords) {
    TestDesktop desktop(launchersRunning);
    LinuxSystem system;
    LinuxVocabulary linux;
    system.systemShortcuts = [] {
        return std::vector<SystemShortcut>{{1, "openbox's window menu", 49, 2048, true},
                                           {2, "openbox's “Exit”", 117, 6144, true}};
    };
    Platform platform = replacing(desktop.platform(), {.system = &system, .vocabulary = &linux});
    EXPECT_EQ(warning(platform, Shortcut::standard()),
              "Alt+Space may also open openbox's window menu.");
    // The other system's switches and launchers are not this one's.
    storeSwitches(desktop, {{"64", entry(true, parameters(49, commandFlag))}});
    desktop.preferences().setValue(dashesDomain, dashesKey, "Command-49");
    EXPECT_TRUE(owners(platform, commandSpace).empty());
    // Launchers the platform read itself: those that run and hold the keys come after the
    // system's owners, in the table's order; one that does not run is never named.
    const auto launcher = [](const char* name, bool running, std::vector<KeyCombination> keys) {
        return Launcher{name, {}, {}, Launcher::Format::Platform, running, std::move(keys)};
    };
    system.launchers = [&] {
        return std::vector<Launcher>{
            launcher("Ulauncher", true, {{49, Shortcut::control}}),
            launcher("Albert", false, {{49, Shortcut::control}}), launcher("Kupfer", true, {}),
            launcher("Cerebro", true, {{49, Shortcut::control}, {49, Shortcut::option}})};
    };
    EXPECT_EQ(warning(platform, controlSpace), "Ctrl+Space may also open Ulauncher and Cerebro.");
    EXPECT_EQ(warning(platform, Shortcut::standard()),
              "Alt+Space may also open openbox's window menu and Cerebro.");
    EXPECT_EQ(warning(platform, commandSpace), std::nullopt);
}

TEST(ShortcutConflicts, DashedKeysNeedADecimalKeyCodeLastAndJsonKeysBothNumbers) {
    EXPECT_EQ(raycastKeys("Command-Shift-49"), (Keys{49, 768}));
    EXPECT_EQ(raycastKeys("Control-Option-Shift-Command-40"), (Keys{40, 6912}));
    EXPECT_EQ(raycastKeys("49"), (Keys{49, 0}));
    EXPECT_EQ(raycastKeys("Shift-+7"), (Keys{7, 512}));
    // Empty pieces vanish, so doubled or outer dashes change nothing.
    EXPECT_EQ(raycastKeys("-Option--49-"), (Keys{49, 2048}));
    // Unknown and differently spelled words are ignored; a repeated word counts once.
    EXPECT_EQ(raycastKeys("Hyper-command-Option-49"), (Keys{49, 2048}));
    EXPECT_EQ(raycastKeys("Command-Command-49"), (Keys{49, 256}));

    for (const char* bad : {"", "-", "---", "Command-Shift-Space", "Command", "Command-4 9",
                            "Command- 49", "Command-49 ", "Command-0x31", "Command-+",
                            "Command-99999999999999999999", "Command-٤٩", "Command-49.0"}) {
        EXPECT_EQ(raycastKeys(QString::fromUtf8(bad)), std::nullopt) << bad;
    }
    // The other launcher's keys, as JSON, need both numbers.
    EXPECT_EQ(keyboardShortcutsKeys(R"({"carbonKeyCode": 49, "carbonModifiers": 2048})"),
              (Keys{49, 2048}));
    EXPECT_EQ(keyboardShortcutsKeys(
                  R"({"carbonModifiers": 4352.0, "carbonKeyCode": 0, "name": "toggle ✓"})"),
              (Keys{0, 4352}));

    for (const char* bad :
         {"", "49", "null", "[49, 2048]", R"({"carbonKeyCode": 49})",
          R"({"carbonModifiers": 2048})", R"({"carbonKeyCode": "49", "carbonModifiers": 2048})",
          R"({"carbonKeyCode": 49, "carbonModifiers": true})",
          R"({"carbonKeyCode": 49, "carbonModifiers": null})",
          R"({"carbonKeyCode": 49.5, "carbonModifiers": 2048})",
          R"({"carbonKeyCode": 49, "carbonModifiers": 2048)",
          R"({"carbonKeyCode": 49, "carbonModifiers": 2048} trailing)"}) {
        EXPECT_EQ(keyboardShortcutsKeys(QString::fromUtf8(bad)), std::nullopt) << bad;
    }
}

}  // namespace
}  // namespace tandri::test
