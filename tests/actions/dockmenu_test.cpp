#include <gtest/gtest.h>

#include <QStringList>

#include "actions/appcommands.h"
#include "actions/dockmenu.h"
#include "catalogue/pinnedapps.h"
#include "catalogue/ringapp.h"
#include "diagnostics/menuprobe.h"
#include "platform/platform.h"
#include "platform/system.h"
#include "platform/workspace.h"
#include "prefs/settings.h"
#include "support/testdesktop.h"

namespace tandri::test {
namespace {

// An editor whose file menu is the third one, as on the desktop the simulated one imitates.
const QByteArray editorDesktop = R"({
  "apps": [
    {"pid": 10, "name": "Editor", "bundlePath": "/Applications/Editor.app",
     "windows": [
       {"title": "Chapter 1", "id": 1},
       {"title": "", "id": 2},
       {"title": "", "id": 3},
       {"title": "Draft", "id": 4, "minimized": true, "main": true},
       {"title": "Notes", "id": 5, "main": true}
     ],
     "menuBar": [
       {"title": "System"}, {"title": "Editor"},
       {"title": "File", "items": [
         {"title": "New Document", "cmdChar": "n", "cmdModifiers": 0},
         {"title": "New Window", "cmdChar": "N", "cmdModifiers": 1},
         {"title": "New Tab", "cmdChar": "T", "cmdModifiers": 0},
         {"title": "Open…", "cmdChar": "O", "cmdModifiers": 0},
         {"title": "Private Browsing"},
         {"title": "New Incognito Session"}
       ]},
       {"title": "Edit", "items": [{"title": "New Window in Edit", "cmdChar": "N", "cmdModifiers": 0}]}
     ]},
    {"pid": 11, "name": "Sheets", "bundlePath": "/Applications/Sheets.app",
     "menuBar": [
       {"title": "System"}, {"title": "Sheets"},
       {"title": "File", "items": [
         {"title": "New", "cmdChar": "N", "cmdModifiers": 0},
         {"title": "New from Template"},
         {"title": "New Sheet", "cmdChar": "N", "cmdModifiers": 4},
         {"title": "Renew", "cmdChar": "R", "cmdModifiers": 0}
       ]}
     ]},
    {"pid": 12, "name": "Painter", "bundlePath": "/Applications/Painter.app",
     "menuBar": [
       {"title": "System"}, {"title": "Painter"},
       {"title": "File", "items": [
         {"title": "New", "items": [
           {"title": "Canvas"}, {"title": ""}, {"title": "Canvas from Clipboard"},
           {"title": "Nested", "items": [{"title": "Too deep"}]}
         ]},
         {"title": "Close"}
       ]}
     ]},
    {"pid": 13, "name": "Short", "bundlePath": "/Applications/Short.app",
     "menuBar": [{"title": "System"}, {"title": "Short", "items": [{"title": "New Window"}]}]},
    {"pid": 14, "name": "Empty", "bundlePath": "/Applications/Empty.app",
     "menuBar": [{"title": "System"}, {"title": "Empty"}, {"title": "File"}]}
  ]
})";

RingApp entryFor(Platform& platform, qint32 pid) {
    return RingApp::fromRunning(*platform.workspace.runningApp(pid));
}

QStringList titles(const std::vector<AppCommand>& commands) {
    QStringList list;
    for (const auto& command : commands) list << command.title;
    return list;
}

// Records what was picked instead of running it.
struct Picker {
    std::vector<std::function<void()>> picked;
    DockMenu::Pick pick() {
        return [this](std::function<void()> action) {
            picked.push_back(std::move(action));
        };
    }
};

std::shared_ptr<MenuItem> findItem(const Menu& menu, const QString& title) {
    for (const auto& item : menu.items) {
        if (item->title == title)
            return item;
        if (item->submenu) {
            if (auto found = findItem(*item->submenu, title))
                return found;
        }
    }
    return nullptr;
}

TEST(DockMenu, WindowTitlesAreShortenedInTheMiddleAndUntitledOnesNamed) {
    const QString sixtyFour = QString(31, u'a') + QString(33, u'b');
    EXPECT_EQ(DockMenu::windowTitle(sixtyFour), sixtyFour);
    const QString sixtyFive = QString(31, u'a') + u'X' + QString(33, u'b');
    const QString shortened = DockMenu::windowTitle(sixtyFive);
    EXPECT_EQ(shortened, QString(31, u'a') + QStringLiteral("…") + QString(32, u'b'));
    EXPECT_EQ(shortened.size(), 64);
    EXPECT_EQ(DockMenu::windowTitle(QString()), QStringLiteral("Untitled"));
    // Characters as a reader counts them: no emoji is cut in half, and 64 of them stay whole.
    QString faces;
    for (int i = 0; i < 64; ++i) faces += QStringLiteral("😀");
    EXPECT_EQ(DockMenu::windowTitle(faces), faces);
    const QString longer = faces + QStringLiteral("😀");
    QString expected;
    for (int i = 0; i < 31; ++i) expected += QStringLiteral("😀");
    expected += QStringLiteral("…");
    for (int i = 0; i < 32; ++i) expected += QStringLiteral("😀");
    EXPECT_EQ(DockMenu::windowTitle(longer), expected);
}

TEST(DockMenu, RunningAppMenuListsWindowsCommandsOptionsAndQuit) {
    TestDesktop desktop(editorDesktop);
    Platform& platform = desktop.platform();
    Picker picker;
    auto menu = DockMenu::build(platform, entryFor(platform, 10), std::nullopt, picker.pick());
    EXPECT_EQ(MenuProbe::dump(*menu), (QStringList{
                                          "    Chapter 1",
                                          "    Untitled",
                                          "    Untitled",
                                          "  ✓ Notes",
                                          "  ◆ Draft",
                                          "  ────",
                                          "    New Window",
                                          "    New Tab",
                                          "    New Incognito Session",
                                          "  ────",
                                          "    Options ▸",
                                          "          Show in Finder",
                                          "  ────",
                                          "    Show All Windows",
                                          "    Hide",
                                          "    Quit",
                                          "  ⌥ Force Quit",
                                      }));
    // The minimized main window shows the mixed state with its sign, never the check mark.
    const auto draft = findItem(*menu, "Draft");
    EXPECT_EQ(draft->state, MenuItem::State::Mixed);
    EXPECT_EQ(draft->mixedStateSymbol, QStringLiteral("diamond.fill"));
    EXPECT_EQ(draft->mixedStateDescription, QStringLiteral("Minimized"));
    EXPECT_EQ(draft->symbol, QStringLiteral("macwindow"));

    // A command presses its menu item, then activates the app.
    desktop.sim().clearActions();
    findItem(*menu, "New Tab")->action();
    picker.picked.back()();
    EXPECT_EQ(desktop.sim().actions(), (std::vector<QString>{"press 10 New Tab", "activate 10"}));

    // Nothing acts while the menu is up: choosing hands the action over, running it acts.
    desktop.sim().clearActions();
    picker.picked.clear();
    findItem(*menu, "Quit")->action();
    EXPECT_TRUE(desktop.sim().actions().empty());
    ASSERT_EQ(picker.picked.size(), 1u);
    picker.picked.back()();
    EXPECT_EQ(desktop.sim().actions(), std::vector<QString>{"terminate 10"});

    findItem(*menu, "Force Quit")->action();
    picker.picked.back()();
    EXPECT_EQ(desktop.sim().actions().back(), "force-terminate 10");

    // A window item raises that window and brings its app forward.
    desktop.sim().clearActions();
    findItem(*menu, "Draft")->action();
    picker.picked.back()();
    const auto actions = desktop.sim().actions();
    EXPECT_NE(std::find(actions.begin(), actions.end(), "set-minimized 4 false"), actions.end());
    EXPECT_NE(std::find(actions.begin(), actions.end(), "raise 4"), actions.end());
}

TEST(DockMenu, TheGivenWindowListIsUsedAsIs) {
    TestDesktop desktop(editorDesktop);
    Platform& platform = desktop.platform();
    Picker picker;
    std::vector<WindowInfo> loaded = {{QStringLiteral("Loaded earlier"), false, {10, 1}, 1, {}}};
    auto menu = DockMenu::build(platform, entryFor(platform, 10), loaded, picker.pick());
    EXPECT_EQ(MenuProbe::dump(*menu).mid(0, 2), (QStringList{"    Loaded earlier", "  ────"}));
    // An app that offers no windows gets no window items and no separator for them.
    auto none =
        DockMenu::build(platform, entryFor(platform, 10), std::vector<WindowInfo>(), picker.pick());
    EXPECT_EQ(MenuProbe::dump(*none).first(), "    New Window");
}

TEST(AppCommands, OffersNewWindowStyleCommandsFromTheFileMenu) {
    TestDesktop desktop(editorDesktop);
    Accessibility& accessibility = desktop.platform().accessibility;
    // Window, tab or private ones are preferred over plain new-document ones.
    EXPECT_EQ(titles(AppCommands::newCommands(accessibility, 10)),
              (QStringList{"New Window", "New Tab", "New Incognito Session"}));
    // None of those: the command-N ones only ("New from Template" and "New Sheet" with its
    // other modifiers pass the "new" rule but are not command-N).
    const auto sheets = AppCommands::newCommands(accessibility, 11);
    EXPECT_EQ(titles(sheets), QStringList{"New"});
    EXPECT_TRUE(sheets[0].isCommandN);
    // A submenu comes along one level deep, untitled items dropped and nothing filtered.
    const auto painter = AppCommands::newCommands(accessibility, 12);
    ASSERT_EQ(painter.size(), 0u);  // "New" has no shortcut and names no window: not preferred
    const auto newItem = AppCommands::command((*accessibility.menuBar(12))[2].items[0], 0, true);
    ASSERT_TRUE(newItem);
    EXPECT_EQ(titles(newItem->children),
              (QStringList{"Canvas", "Canvas from Clipboard", "Nested"}));
    EXPECT_TRUE(newItem->children[2].children.empty());
    // Too few menus, an empty file menu, an app that is gone or shows no menu bar: nothing.
    EXPECT_TRUE(AppCommands::newCommands(accessibility, 13).empty());
    EXPECT_TRUE(AppCommands::newCommands(accessibility, 14).empty());
    EXPECT_TRUE(AppCommands::newCommands(accessibility, 99).empty());
    desktop.sim().setTrusted(false);
    EXPECT_TRUE(AppCommands::newCommands(accessibility, 10).empty());
}

TEST(AppCommands, ASubmenuCommandPressesItsOwnItem) {
    const QByteArray json = R"({"apps": [{"pid": 12, "name": "Painter",
      "bundlePath": "/Applications/Painter.app",
      "menuBar": [{"title": "System"}, {"title": "Painter"}, {"title": "File", "items": [
        {"title": "New", "cmdChar": "N", "cmdModifiers": 0,
         "items": [{"title": "Canvas"}, {"title": "Canvas from Clipboard"}]}]}]}]})";
    TestDesktop desktop(json);
    Platform& platform = desktop.platform();
    Picker picker;
    auto menu = DockMenu::build(platform, entryFor(platform, 12), std::nullopt, picker.pick());
    EXPECT_EQ(MenuProbe::dump(*menu).mid(0, 4),
              (QStringList{"    New ▸", "          Canvas", "          Canvas from Clipboard",
                           "  ────"}));
    desktop.sim().clearActions();
    findItem(*menu, "Canvas from Clipboard")->action();
    picker.picked.back()();
    EXPECT_EQ(desktop.sim().actions(),
              (std::vector<QString>{"press 12 Canvas from Clipboard", "activate 12"}));
}

TEST(DockMenu, WithoutPermissionOnlyOptionsAndTheFinalGroupRemain) {
    TestDesktop desktop(editorDesktop);
    Platform& platform = desktop.platform();
    desktop.sim().setTrusted(false);
    Picker picker;
    auto menu = DockMenu::build(platform, entryFor(platform, 10), std::nullopt, picker.pick());
    EXPECT_EQ(MenuProbe::dump(*menu),
              (QStringList{"    Options ▸", "          Show in Finder", "  ────",
                           "    Show All Windows", "    Hide", "    Quit", "  ⌥ Force Quit"}));
}

TEST(DockMenu, AnAppThatIsNotRunningOffersOpen) {
    TestDesktop desktop(R"({"bundles": {"com.example.notes": "/Applications/Notes.app"}})");
    Platform& platform = desktop.platform();
    RingApp entry;
    entry.name = "Notes";
    entry.url = QUrl::fromLocalFile("/Applications/Notes.app");
    Picker picker;
    auto menu = DockMenu::build(platform, entry, std::nullopt, picker.pick());
    EXPECT_EQ(MenuProbe::dump(*menu),
              (QStringList{"    Options ▸", "          Show in Finder", "  ────", "    Open"}));
    findItem(*menu, "Open")->action();
    desktop.sim().clearActions();
    picker.picked.back()();
    ASSERT_FALSE(desktop.sim().actions().empty());
    EXPECT_EQ(desktop.sim().actions().front(), "open-app /Applications/Notes.app activates=true");
    // Without a location there are no options either.
    entry.url.reset();
    EXPECT_EQ(MenuProbe::dump(*DockMenu::build(platform, entry, std::nullopt, picker.pick())),
              QStringList{"    Open"});
}

TEST(DockMenu, KeepOnRingOnlyForTheUsersOwnList) {
    TestDesktop desktop(editorDesktop);
    Platform& platform = desktop.platform();
    Settings::registerDefaults(platform.preferences);
    Picker picker;
    const RingApp editor = entryFor(platform, 10);
    const auto optionTitles = [&] {
        auto menu = DockMenu::build(platform, editor, std::nullopt, picker.pick());
        QStringList list;
        for (const auto& item : findItem(*menu, "Options")->submenu->items) list << item->title;
        return list;
    };
    for (const char* other : {"dockAndOpen", "openOnly"}) {
        platform.preferences.setValue(Preferences::appDomain, Settings::appSetKey, other);
        EXPECT_EQ(optionTitles(), QStringList{"Show in Finder"}) << other;
    }
    platform.preferences.setValue(Preferences::appDomain, Settings::appSetKey, "pinnedAndOpen");
    EXPECT_EQ(optionTitles(), (QStringList{"Keep on Ring", "Show in Finder"}));
    auto menu = DockMenu::build(platform, editor, std::nullopt, picker.pick());
    findItem(*menu, "Keep on Ring")->action();
    EXPECT_FALSE(PinnedApps::contains(platform.preferences, *editor.url));  // only picked
    picker.picked.back()();
    EXPECT_TRUE(PinnedApps::contains(platform.preferences, *editor.url));
    EXPECT_EQ(optionTitles(), (QStringList{"Remove from Ring", "Show in Finder"}));
    menu = DockMenu::build(platform, editor, std::nullopt, picker.pick());
    findItem(*menu, "Remove from Ring")->action();
    picker.picked.back()();
    EXPECT_FALSE(PinnedApps::contains(platform.preferences, *editor.url));

    desktop.sim().clearActions();
    findItem(*menu, "Show in Finder")->action();
    picker.picked.back()();
    EXPECT_EQ(desktop.sim().actions(), std::vector<QString>{"reveal /Applications/Editor.app"});
}

TEST(DockMenu, HideTurnsIntoUnhideWhenTheAppIsHiddenByThen) {
    TestDesktop desktop(editorDesktop);
    Platform& platform = desktop.platform();
    Picker picker;
    auto menu = DockMenu::build(platform, entryFor(platform, 10), std::nullopt, picker.pick());
    auto hide = findItem(*menu, "Hide");
    ASSERT_TRUE(hide);
    // Hidden by other means after the menu was built: the same item now unhides.
    platform.workspace.hide(10);
    desktop.sim().clearActions();
    hide->action();
    picker.picked.back()();
    EXPECT_EQ(desktop.sim().actions(), std::vector<QString>{"unhide 10"});
    EXPECT_FALSE(platform.workspace.runningApp(10)->hidden);
    // And a menu built while it is hidden says so.
    platform.workspace.hide(10);
    menu = DockMenu::build(platform, entryFor(platform, 10), std::nullopt, picker.pick());
    EXPECT_TRUE(findItem(*menu, "Unhide"));
    EXPECT_FALSE(findItem(*menu, "Hide"));
    platform.workspace.unhide(10);
    desktop.sim().clearActions();
    findItem(*menu, "Unhide")->action();
    picker.picked.back()();
    EXPECT_EQ(desktop.sim().actions(), std::vector<QString>{"hide 10"});
}

// The desktop's system, but without a window overview.
class NoOverviewSystem : public System {
public:
    explicit NoOverviewSystem(System& inner) : inner_(inner) {}
    void relieveMemory() override { inner_.relieveMemory(); }
    void log(const QString& line) override { inner_.log(line); }
    bool hasDock() const override { return inner_.hasDock(); }
    void restartDock() override { inner_.restartDock(); }
    ShortcutTable shortcutTable() const override { return inner_.shortcutTable(); }
    void beep() override { inner_.beep(); }
    bool hasWindowOverview() const override { return false; }
    void showWindowOverview() override { ADD_FAILURE() << "no overview to show"; }
    bool relaunchAfterQuit() override { return inner_.relaunchAfterQuit(); }

private:
    System& inner_;
};

TEST(DockMenu, ShowAllWindowsBringsTheAppForwardThenTheOverview) {
    TestDesktop desktop(editorDesktop);
    Platform& platform = desktop.platform();
    Picker picker;
    auto menu = DockMenu::build(platform, entryFor(platform, 11), std::nullopt, picker.pick());
    desktop.sim().clearActions();
    findItem(*menu, "Show All Windows")->action();
    picker.picked.back()();
    EXPECT_EQ(desktop.sim().actions(), std::vector<QString>{"activate 11"});
    desktop.clock().advance(0.14);
    EXPECT_EQ(desktop.sim().actions().size(), 1u);
    desktop.clock().advance(0.02);
    EXPECT_EQ(desktop.sim().actions(), (std::vector<QString>{"activate 11", "window-overview 11"}));

    // Where the desktop has no overview the item is left out.
    NoOverviewSystem system(platform.system);
    Platform without = replacing(platform, {.system = &system});
    menu = DockMenu::build(without, entryFor(platform, 11), std::nullopt, picker.pick());
    EXPECT_FALSE(findItem(*menu, "Show All Windows"));
    EXPECT_TRUE(findItem(*menu, "Hide"));
}

}  // namespace
}  // namespace tandri::test
