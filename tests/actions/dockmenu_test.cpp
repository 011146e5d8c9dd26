// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QStringList>

#include "actions/appcommands.h"
#include "actions/dockmenu.h"
#include "catalogue/pinnedapps.h"
#include "catalogue/ringapp.h"
#include "diagnostics/menuprobe.h"
#include "platform/common/linuxsystem.h"
#include "platform/platform.h"
#include "platform/system.h"
#include "platform/workspace.h"
#include "prefs/settings.h"
#include "support/testdesktop.h"

namespace tandri::test {
namespace {

// An editor whose file menu is the third one, as on the desktop the simulated one imitates.
const QByteArray editorDesktop = R"({"apps": [
    {"pid": 10, "name": "Editor", "bundlePath": "/Applications/Editor.app",
     "windows": [{"title": "Chapter 1", "id": 1}, {"title": "", "id": 2}, {"title": "", "id": 3},
                 {"title": "Draft", "id": 4, "minimized": true, "main": true},
                 {"title": "Notes", "id": 5, "main": true}],
     "menuBar": [{"title": "System"}, {"title": "Editor"}, {"title": "File", "items": [
         {"title": "New Document", "cmdChar": "n", "cmdModifiers": 0},
         {"title": "New Window", "cmdChar": "N", "cmdModifiers": 1},
         {"title": "New Tab", "cmdChar": "T", "cmdModifiers": 0},
         {"title": "Open…", "cmdChar": "O", "cmdModifiers": 0},
         {"title": "Private Browsing"}, {"title": "New Incognito Session"}]},
       {"title": "Edit", "items": [
         {"title": "New Window in Edit", "cmdChar": "N", "cmdModifiers": 0}]}]},
    {"pid": 11, "name": "Sheets", "bundlePath": "/Applications/Sheets.app",
     "menuBar": [{"title": "System"}, {"title": "Sheets"}, {"title": "File", "items": [
         {"title": "New", "cmdChar": "N", "cmdModifiers": 0}, {"title": "New from Template"},
         {"title": "New Sheet", "cmdChar": "N", "cmdModifiers": 4},
         {"title": "Renew", "cmdChar": "R", "cmdModifiers": 0}]}]},
    {"pid": 12, "name": "Painter", "bundlePath": "/Applications/Painter.app",
     "menuBar": [{"title": "System"}, {"title": "Painter"}, {"title": "File", "items": [
         {"title": "New", "items": [{"title": "Canvas"}, {"title": ""},
           {"title": "Canvas from Clipboard"},
           {"title": "Nested", "items": [{"title": "Too deep"}]}]},
         {"title": "Close"}]}]},
    {"pid": 13, "name": "Short", "bundlePath": "/Applications/Short.app",
     "menuBar": [{"title": "System"}, {"title": "Short", "items": [{"title": "New Window"}]}]},
    {"pid": 14, "name": "Empty", "bundlePath": "/Applications/Empty.app",
     "menuBar": [{"title": "System"}, {"title": "Empty"}, {"title": "File"}]}
]})";

RingApp entryFor(Platform& platform, qint32 pid) {
    return RingApp::fromRunning(*platform.workspace.runningApp(pid));
}

QStringList titles(const std::vector<AppCommand>& commands) {
    QStringList list;
    for (const auto& command : commands) list << command.title;
    return list;
}

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

/// The menu of an entry, which records what is picked instead of running it.
struct BuiltMenu {
    BuiltMenu(Platform& platform, const RingApp& entry,
              const std::optional<std::vector<WindowInfo>>& windows = std::nullopt)
        : menu(DockMenu::build(platform, entry, windows, [this](std::function<void()> action) {
              picked.push_back(std::move(action));
          })) {}
    BuiltMenu(const BuiltMenu&) = delete;
    std::shared_ptr<MenuItem> item(const QString& title) const { return findItem(*menu, title); }
    QStringList dump() const { return MenuProbe::dump(*menu); }
    /// Chooses the item, then runs what it picked, as the ring does once the menu has gone.
    void choose(const QString& title) {
        const auto chosen = item(title);
        ASSERT_TRUE(chosen) << title.toStdString();
        const size_t before = picked.size();
        chosen->action();
        ASSERT_EQ(picked.size(), before + 1) << "nothing picked";
        picked.back()();
    }

    std::vector<std::function<void()>> picked;
    std::shared_ptr<Menu> menu;
};

/// The editor's desktop, and what choosing an item of a menu does there.
class DockMenuTest : public ::testing::Test {
protected:
    BuiltMenu menuOf(qint32 pid) { return BuiltMenu(platform, entryFor(platform, pid)); }
    std::vector<QString> actionsOf(BuiltMenu& menu, const QString& title) {
        desktop.sim().clearActions();
        menu.choose(title);
        return desktop.sim().actions();
    }

    TestDesktop desktop{editorDesktop};
    Platform& platform = desktop.platform();
};

TEST(DockMenu, WindowTitlesAreShortenedInTheMiddleAndUntitledOnesNamed) {
    const QString a(31, u'a'), b(33, u'b');
    EXPECT_EQ(DockMenu::windowTitle(a + b), a + b);
    EXPECT_EQ(DockMenu::windowTitle(a + u'X' + b), a + QStringLiteral("…") + b.mid(1));
    EXPECT_EQ(DockMenu::windowTitle(QString()), QStringLiteral("Untitled"));
    // Characters as a reader counts them: no emoji is cut in half, and 64 of them stay whole.
    const QString face = QStringLiteral("😀");
    EXPECT_EQ(DockMenu::windowTitle(face.repeated(64)), face.repeated(64));
    EXPECT_EQ(DockMenu::windowTitle(face.repeated(65)),
              face.repeated(31) + QStringLiteral("…") + face.repeated(32));
}

TEST_F(DockMenuTest, RunningAppMenuListsWindowsCommandsOptionsAndQuit) {
    BuiltMenu menu = menuOf(10);
    EXPECT_EQ(
        menu.dump(),
        (QStringList{"    Chapter 1", "    Untitled", "    Untitled", "  ✓ Notes", "  ◆ Draft",
                     "  ────", "    New Window", "    New Tab", "    New Incognito Session",
                     "  ────", "    Options ▸", "          Show in Finder", "  ────",
                     "    Show All Windows", "    Hide", "    Quit", "  ⌥ Force Quit"}));
    // The minimized main window shows the mixed state with its sign, never the check mark.
    const auto draft = menu.item("Draft");
    EXPECT_EQ(draft->state, MenuItem::State::Mixed);
    EXPECT_EQ(draft->mixedStateSymbol, QStringLiteral("diamond.fill"));
    EXPECT_EQ(draft->mixedStateDescription, QStringLiteral("Minimized"));
    EXPECT_EQ(draft->symbol, QStringLiteral("macwindow"));
    // A command presses its menu item, then activates the app; a window item raises that window.
    EXPECT_EQ(actionsOf(menu, "New Tab"),
              (std::vector<QString>{"press 10 New Tab", "activate 10"}));
    const auto raised = actionsOf(menu, "Draft");
    EXPECT_NE(std::find(raised.begin(), raised.end(), "set-minimized 4 false"), raised.end());
    EXPECT_NE(std::find(raised.begin(), raised.end(), "raise 4"), raised.end());
    // A window list given is used as is; an app that offers no windows gets no window items
    // and no separator for them.
    std::vector<WindowInfo> loaded = {{QStringLiteral("Loaded earlier"), false, {10, 1}, 1, {}}};
    EXPECT_EQ(BuiltMenu(platform, entryFor(platform, 10), loaded).dump().mid(0, 2),
              (QStringList{"    Loaded earlier", "  ────"}));
    EXPECT_EQ(BuiltMenu(platform, entryFor(platform, 10), std::vector<WindowInfo>()).dump().first(),
              "    New Window");
    // Without the permission only the options and the final group remain.
    desktop.sim().setTrusted(false);
    EXPECT_EQ(menuOf(10).dump(),
              (QStringList{"    Options ▸", "          Show in Finder", "  ────",
                           "    Show All Windows", "    Hide", "    Quit", "  ⌥ Force Quit"}));
    desktop.sim().setTrusted(true);
    // Nothing acts while the menu is up: choosing hands the action over, running it acts.
    desktop.sim().clearActions();
    menu.item("Quit")->action();
    EXPECT_TRUE(desktop.sim().actions().empty());
    menu.picked.back()();
    EXPECT_EQ(desktop.sim().actions(), std::vector<QString>{"terminate 10"});
    EXPECT_EQ(actionsOf(menu, "Force Quit"), std::vector<QString>{"force-terminate 10"});
}

TEST_F(DockMenuTest, AppCommandsOfferNewWindowStyleCommandsFromTheFileMenu) {
    Accessibility& accessibility = platform.accessibility;
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
    ASSERT_EQ(painter.size(),
              0u);  // "New" has no shortcut and names no window: not preferred
    const auto newItem = AppCommands::command((*accessibility.menuBar(12))[2].items[0], 0, true);
    ASSERT_TRUE(newItem);
    EXPECT_EQ(titles(newItem->children),
              (QStringList{"Canvas", "Canvas from Clipboard", "Nested"}));
    EXPECT_TRUE(newItem->children[2].children.empty());
    // Too few menus, an empty file menu, an app that is gone or shows no menu bar: nothing.
    for (qint32 pid : {13, 14, 99})
        EXPECT_TRUE(AppCommands::newCommands(accessibility, pid).empty());
    desktop.sim().setTrusted(false);
    EXPECT_TRUE(AppCommands::newCommands(accessibility, 10).empty());
}

TEST(AppCommands, ASubmenuCommandPressesItsOwnItem) {
    TestDesktop desktop(R"({"apps": [{"pid": 12, "name": "Painter",
      "bundlePath": "/Applications/Painter.app",
      "menuBar": [{"title": "System"}, {"title": "Painter"}, {"title": "File", "items": [
        {"title": "New", "cmdChar": "N", "cmdModifiers": 0,
         "items": [{"title": "Canvas"}, {"title": "Canvas from Clipboard"}]}]}]}]})");
    Platform& platform = desktop.platform();
    BuiltMenu menu(platform, entryFor(platform, 12));
    EXPECT_EQ(menu.dump().mid(0, 4), (QStringList{"    New ▸", "          Canvas",
                                                  "          Canvas from Clipboard", "  ────"}));
    desktop.sim().clearActions();
    menu.choose("Canvas from Clipboard");
    EXPECT_EQ(desktop.sim().actions(),
              (std::vector<QString>{"press 12 Canvas from Clipboard", "activate 12"}));
}

TEST(DockMenu, AnAppThatIsNotRunningOffersOpen) {
    TestDesktop desktop(R"({"bundles": {"com.example.notes": "/Applications/Notes.app"}})");
    Platform& platform = desktop.platform();
    RingApp entry;
    entry.name = "Notes";
    entry.url = QUrl::fromLocalFile("/Applications/Notes.app");
    BuiltMenu menu(platform, entry);
    EXPECT_EQ(menu.dump(),
              (QStringList{"    Options ▸", "          Show in Finder", "  ────", "    Open"}));
    menu.choose("Open");
    ASSERT_FALSE(desktop.sim().actions().empty());
    EXPECT_EQ(desktop.sim().actions().front(), "open-app /Applications/Notes.app activates=true");
    // Without a location there are no options either.
    entry.url.reset();
    EXPECT_EQ(BuiltMenu(platform, entry).dump(), QStringList{"    Open"});
}

TEST_F(DockMenuTest, KeepOnRingOnlyForTheUsersOwnList) {
    Settings::registerDefaults(platform.preferences);
    const RingApp editor = entryFor(platform, 10);
    const auto options = [&] {
        QStringList list;
        const BuiltMenu menu = menuOf(10);
        for (const auto& item : menu.item("Options")->submenu->items) list << item->title;
        return list;
    };
    for (const char* other : {"dockAndOpen", "openOnly"}) {
        platform.preferences.setValue(Preferences::appDomain, Settings::appSetKey, other);
        EXPECT_EQ(options(), QStringList{"Show in Finder"}) << other;
    }
    platform.preferences.setValue(Preferences::appDomain, Settings::appSetKey, "pinnedAndOpen");
    EXPECT_EQ(options(), (QStringList{"Keep on Ring", "Show in Finder"}));
    BuiltMenu menu = menuOf(10);
    menu.item("Keep on Ring")->action();
    EXPECT_FALSE(PinnedApps::contains(platform.preferences, *editor.url));  // only picked
    menu.picked.back()();
    EXPECT_TRUE(PinnedApps::contains(platform.preferences, *editor.url));
    EXPECT_EQ(options(), (QStringList{"Remove from Ring", "Show in Finder"}));
    menuOf(10).choose("Remove from Ring");
    EXPECT_FALSE(PinnedApps::contains(platform.preferences, *editor.url));
    EXPECT_EQ(actionsOf(menu, "Show in Finder"),
              std::vector<QString>{"reveal /Applications/Editor.app"});
}

TEST_F(DockMenuTest, HideTurnsIntoUnhideWhenTheAppIsHiddenByThen) {
    BuiltMenu shown = menuOf(10);
    // Hidden by other means after the menu was built: the same item now unhides.
    platform.workspace.hide(10);
    EXPECT_EQ(actionsOf(shown, "Hide"), std::vector<QString>{"unhide 10"});
    EXPECT_FALSE(platform.workspace.runningApp(10)->hidden);
    // And a menu built while it is hidden says so.
    platform.workspace.hide(10);
    BuiltMenu hidden = menuOf(10);
    EXPECT_FALSE(hidden.item("Hide"));
    platform.workspace.unhide(10);
    EXPECT_EQ(actionsOf(hidden, "Unhide"), std::vector<QString>{"hide 10"});
}

TEST_F(DockMenuTest, ShowAllWindowsBringsTheAppForwardThenTheOverview) {
    BuiltMenu menu = menuOf(11);
    EXPECT_EQ(actionsOf(menu, "Show All Windows"), std::vector<QString>{"activate 11"});
    desktop.clock().advance(0.14);
    EXPECT_EQ(desktop.sim().actions().size(), 1u);
    desktop.clock().advance(0.02);
    EXPECT_EQ(desktop.sim().actions(), (std::vector<QString>{"activate 11", "window-overview 11"}));
    // Where the desktop has no overview the item is left out.
    LinuxSystem system(QDBusConnection(QStringLiteral("tandri-no-bus")));
    Platform without = replacing(platform, {.system = &system});
    BuiltMenu other(without, entryFor(platform, 11));
    EXPECT_FALSE(other.item("Show All Windows"));
    EXPECT_TRUE(other.item("Hide"));
}

}  // namespace
}  // namespace tandri::test
