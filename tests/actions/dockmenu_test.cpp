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
    BuiltMenu menu(platform, entryFor(platform, 10));
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

    // A command presses its menu item, then activates the app.
    desktop.sim().clearActions();
    menu.choose("New Tab");
    EXPECT_EQ(desktop.sim().actions(), (std::vector<QString>{"press 10 New Tab", "activate 10"}));

    // A window item raises that window and brings its app forward.
    desktop.sim().clearActions();
    menu.choose("Draft");
    const auto actions = desktop.sim().actions();
    EXPECT_NE(std::find(actions.begin(), actions.end(), "set-minimized 4 false"), actions.end());
    EXPECT_NE(std::find(actions.begin(), actions.end(), "raise 4"), actions.end());

    // Nothing acts while the menu is up: choosing hands the action over, running it acts.
    desktop.sim().clearActions();
    menu.item("Quit")->action();
    EXPECT_TRUE(desktop.sim().actions().empty());
    menu.picked.back()();
    EXPECT_EQ(desktop.sim().actions(), std::vector<QString>{"terminate 10"});
    menu.choose("Force Quit");
    EXPECT_EQ(desktop.sim().actions().back(), "force-terminate 10");
}

TEST(DockMenu, TheGivenWindowListIsUsedAsIs) {
    TestDesktop desktop(editorDesktop);
    Platform& platform = desktop.platform();
    std::vector<WindowInfo> loaded = {{QStringLiteral("Loaded earlier"), false, {10, 1}, 1, {}}};
    EXPECT_EQ(BuiltMenu(platform, entryFor(platform, 10), loaded).dump().mid(0, 2),
              (QStringList{"    Loaded earlier", "  ────"}));
    // An app that offers no windows gets no window items and no separator for them.
    EXPECT_EQ(BuiltMenu(platform, entryFor(platform, 10), std::vector<WindowInfo>()).dump().first(),
              "    New Window");
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

TEST(DockMenu, WithoutPermissionOnlyOptionsAndTheFinalGroupRemain) {
    TestDesktop desktop(editorDesktop);
    Platform& platform = desktop.platform();
    desktop.sim().setTrusted(false);
    EXPECT_EQ(BuiltMenu(platform, entryFor(platform, 10)).dump(),
              (QStringList{"    Options ▸", "          Show in Finder", "  ────",
                           "    Show All Windows", "    Hide", "    Quit", "  ⌥ Force Quit"}));
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

TEST(DockMenu, KeepOnRingOnlyForTheUsersOwnList) {
    TestDesktop desktop(editorDesktop);
    Platform& platform = desktop.platform();
    Settings::registerDefaults(platform.preferences);
    const RingApp editor = entryFor(platform, 10);
    const auto options = [&] {
        const BuiltMenu menu(platform, editor);
        QStringList list;
        for (const auto& item : menu.item("Options")->submenu->items) list << item->title;
        return list;
    };
    for (const char* other : {"dockAndOpen", "openOnly"}) {
        platform.preferences.setValue(Preferences::appDomain, Settings::appSetKey, other);
        EXPECT_EQ(options(), QStringList{"Show in Finder"}) << other;
    }
    platform.preferences.setValue(Preferences::appDomain, Settings::appSetKey, "pinnedAndOpen");
    EXPECT_EQ(options(), (QStringList{"Keep on Ring", "Show in Finder"}));
    BuiltMenu menu(platform, editor);
    menu.item("Keep on Ring")->action();
    EXPECT_FALSE(PinnedApps::contains(platform.preferences, *editor.url));  // only picked
    menu.picked.back()();
    EXPECT_TRUE(PinnedApps::contains(platform.preferences, *editor.url));
    EXPECT_EQ(options(), (QStringList{"Remove from Ring", "Show in Finder"}));
    BuiltMenu(platform, editor).choose("Remove from Ring");
    EXPECT_FALSE(PinnedApps::contains(platform.preferences, *editor.url));

    desktop.sim().clearActions();
    menu.choose("Show in Finder");
    EXPECT_EQ(desktop.sim().actions(), std::vector<QString>{"reveal /Applications/Editor.app"});
}

TEST(DockMenu, HideTurnsIntoUnhideWhenTheAppIsHiddenByThen) {
    TestDesktop desktop(editorDesktop);
    Platform& platform = desktop.platform();
    BuiltMenu shown(platform, entryFor(platform, 10));
    // Hidden by other means after the menu was built: the same item now unhides.
    platform.workspace.hide(10);
    desktop.sim().clearActions();
    shown.choose("Hide");
    EXPECT_EQ(desktop.sim().actions(), std::vector<QString>{"unhide 10"});
    EXPECT_FALSE(platform.workspace.runningApp(10)->hidden);
    // And a menu built while it is hidden says so.
    platform.workspace.hide(10);
    BuiltMenu hidden(platform, entryFor(platform, 10));
    EXPECT_FALSE(hidden.item("Hide"));
    platform.workspace.unhide(10);
    desktop.sim().clearActions();
    hidden.choose("Unhide");
    EXPECT_EQ(desktop.sim().actions(), std::vector<QString>{"hide 10"});
}

TEST(DockMenu, ShowAllWindowsBringsTheAppForwardThenTheOverview) {
    TestDesktop desktop(editorDesktop);
    Platform& platform = desktop.platform();
    desktop.sim().clearActions();
    BuiltMenu(platform, entryFor(platform, 11)).choose("Show All Windows");
    EXPECT_EQ(desktop.sim().actions(), std::vector<QString>{"activate 11"});
    desktop.clock().advance(0.14);
    EXPECT_EQ(desktop.sim().actions().size(), 1u);
    desktop.clock().advance(0.02);
    EXPECT_EQ(desktop.sim().actions(), (std::vector<QString>{"activate 11", "window-overview 11"}));

    // Where the desktop has no overview the item is left out.
    LinuxSystem system(QDBusConnection(QStringLiteral("tandri-no-bus")));
    Platform without = replacing(platform, {.system = &system});
    BuiltMenu menu(without, entryFor(platform, 11));
    EXPECT_FALSE(menu.item("Show All Windows"));
    EXPECT_TRUE(menu.item("Hide"));
}

}  // namespace
}  // namespace tandri::test
