// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QStringList>

#include "catalogue/appsource.h"
#include "catalogue/filemanager.h"
#include "catalogue/pinnedapps.h"
#include "dockjson.h"
#include "forwardingworkspace.h"
#include "platform/common/linuxsystem.h"
#include "platform/common/linuxvocabulary.h"
#include "platform/preferences.h"
#include "support/testdesktop.h"

namespace tandri {
namespace {

using test::appTile;
using test::fileURL;
using test::folderTile;

/// The entries' names, each running one's followed by its process.
QStringList listed(const std::vector<RingApp>& entries) {
    QStringList list;
    for (const auto& entry : entries)
        list << (entry.pid() ? QStringLiteral("%1 %2").arg(entry.name).arg(*entry.pid())
                             : entry.name);
    return list;
}

void setDock(Preferences& preferences, const QJsonArray& apps, const QJsonArray& others = {}) {
    preferences.setValue(AppSource::dockDomain, "persistent-apps", apps);
    preferences.setValue(AppSource::dockDomain, "persistent-others", others);
}

constexpr const char* mixedApps = R"({"apps": [
    {"pid": 10, "name": "Late", "launched": 300},
    {"pid": 11, "name": "Undated"},
    {"pid": 12, "name": "Early", "launched": 100},
    {"pid": 13, "name": "Tied", "launched": 100},
    {"pid": 14, "name": "Helper", "launched": 1, "regular": false},
    {"pid": 15, "name": "Gone", "launched": 2, "terminated": true},
    {"pid": 16, "name": "Finder", "bundleID": "com.apple.finder", "launched": 200},
    {"pid": 17, "name": "Undated too"}
]})";

// The file manager first, then the oldest launch with the undated first and ties in the
// workspace's order.
TEST(AppSourceMerge, TheDesktopsOwnFileManagerLeadsThenTheOldestAndThisProgramIsLeftOut) {
    test::TestDesktop desktop(QByteArray(mixedApps).replace(
        R"("name": "Late")", R"("name": "Late", "bundleID": "com.example.late")"));
    const auto apps = AppSource::ringContents(desktop.platform(), AppSet::OpenOnly, false).apps;
    EXPECT_EQ(listed(apps), (QStringList{"Finder 16", "Undated 11", "Undated too 17", "Early 12",
                                         "Tied 13", "Late 10"}));
    for (const auto& app : apps) EXPECT_TRUE(app.running.has_value());
    test::ForwardingWorkspace workspace(desktop.platform().workspace);
    Platform platform = test::replacing(desktop.platform(), {.workspace = &workspace});
    const struct {
        std::optional<QString> fileManager;
        QString first;
    } cases[] = {
        {"com.apple.finder", "Finder"},
        // Another desktop's file manager leads, and the other system's is an app like any.
        {"com.example.late", "Late"},
        {std::nullopt, "Undated"},
        {"not.running", "Undated"},
    };
    for (const auto& c : cases) {
        workspace.fileManagerOverride = c.fileManager;
        const QStringList ring = listed(AppSource::ringApps(platform, false));
        EXPECT_EQ(ring.value(0).section(' ', 0, 0), c.first)
            << c.fileManager.value_or("none").toStdString();
        EXPECT_EQ(ring.size(), 6);
    }
    workspace.fileManagerOverride.reset();
    workspace.ownPIDOverride = 12;
    EXPECT_EQ(listed(AppSource::ringApps(platform, false)),
              (QStringList{"Finder 16", "Undated 11", "Undated too 17", "Tied 13", "Late 10"}));
}

TEST(AppSourceMerge, WithoutADockTheDesktopsPinnedAppsAreTheTilesAndWhatIsImported) {
    test::TestDesktop desktop(R"({"apps": [
        {"pid": 7, "name": "Other", "launched": 1},
        {"pid": 8, "name": "Mail", "bundleID": "com.example.mail",
         "bundlePath": "/Applications/Mail.app", "launched": 2},
        {"pid": 9, "name": "Files", "bundleID": "org.example.files", "launched": 3}
    ], "bundles": {"com.example.mail": "/Applications/Mail.app"}})");
    const QString calendar = desktop.makeFolder("Applications/Calendar.app");
    const QString downloads = desktop.makeFolder("Downloads");
    // A Dock's preferences left from elsewhere are no one's tiles here.
    setDock(desktop.preferences(), {appTile("file:///Applications/Ghost.app/", "com.example.g")});
    test::ForwardingWorkspace workspace(desktop.platform().workspace);
    workspace.fileManagerOverride = "org.example.files";
    workspace.defaultFoldersOverride =
        std::vector<QUrl>{QUrl::fromLocalFile(downloads), QUrl::fromLocalFile("/nowhere")};
    workspace.pinnedAppsOverride = std::vector<QUrl>{
        QUrl::fromLocalFile(calendar), QUrl::fromLocalFile("/Applications/Mail.app"),
        QUrl::fromLocalFile("/Applications/Uninstalled.app")};
    LinuxSystem linux;
    Platform platform =
        test::replacing(desktop.platform(), {.workspace = &workspace, .system = &linux});
    // The running pinned app is one entry, in its pinned place; the file manager still leads.
    const auto apps = AppSource::ringContents(platform, AppSet::DockAndOpen, false).apps;
    EXPECT_EQ(listed(apps), (QStringList{"Files 9", "Calendar", "Mail 8", "Other 7"}));
    // The desktop's own folders come before the Trash; one that is gone is left out, as a
    // Dock's would be. Where there is a Dock, its folders (none here) are the ones.
    EXPECT_EQ(listed(AppSource::ringContents(platform, AppSet::DockAndOpen, true).places),
              (QStringList{"Downloads", "Trash"}));
    Platform withDock = test::replacing(desktop.platform(), {.workspace = &workspace});
    EXPECT_EQ(listed(AppSource::ringContents(withDock, AppSet::DockAndOpen, true).places),
              QStringList{"Trash"});

    PinnedApps::importFromDock(platform);
    EXPECT_EQ(PinnedApps::paths(platform.preferences),
              (QStringList{calendar, "/Applications/Mail.app", "/Applications/Uninstalled.app",
                           downloads, "/nowhere"}));
    // Where there is a Dock, its tiles are the ones.
    PinnedApps::importFromDock(desktop.platform());
    EXPECT_EQ(PinnedApps::paths(platform.preferences), QStringList{"/Applications/Ghost.app"});
}

TEST(FileManager, NamedAfterItsEntryElseInTheDesktopsWord) {
    test::TestDesktop desktop(R"({"bundles": {"org.example.files": "/Applications/Files.app"}})");
    test::ForwardingWorkspace workspace(desktop.platform().workspace);
    LinuxVocabulary linux;
    Platform platform =
        test::replacing(desktop.platform(), {.workspace = &workspace, .vocabulary = &linux});
    const struct {
        std::optional<QString> id;
        QString name;
    } cases[] = {
        {"org.example.files", "Files"},
        {"not.installed", "File Manager"},
        {std::nullopt, "File Manager"},
    };
    for (const auto& c : cases) {
        workspace.fileManagerOverride = c.id;
        EXPECT_EQ(FileManager::name(platform), c.name) << c.id.value_or("none").toStdString();
    }
}

TEST(AppSourceMerge, TwoProcessesOfAPinnedAppTheOlderTakesTheTile) {
    test::TestDesktop desktop(R"({"apps": [
        {"pid": 201, "name": "Mail", "bundleID": "com.example.mail",
         "bundlePath": "/Applications/Mail.app", "launched": 100},
        {"pid": 202, "name": "Mail", "bundleID": "com.example.mail",
         "bundlePath": "/Applications/Mail.app", "launched": 50},
        {"pid": 300, "name": "Notes", "bundleID": "com.example.notes", "launched": 10}
    ]})");
    const QString calendar = desktop.makeFolder("Applications/Calendar.app");
    setDock(desktop.preferences(),
            {appTile(fileURL(calendar), "com.example.calendar", "Calendar"),
             appTile("file:///Applications/Mail.app/", "com.example.mail", "Mail"),
             appTile("file:///Applications/Ghost.app/", "com.example.ghost", "Ghost")});

    const auto apps = AppSource::ringContents(desktop.platform(), AppSet::DockAndOpen, false).apps;
    EXPECT_EQ(listed(apps), (QStringList{"Calendar", "Mail 202", "Notes 300", "Mail 201"}));
    EXPECT_FALSE(apps[0].isRunning());
    EXPECT_EQ(apps[0].bundleID, "com.example.calendar");
    EXPECT_FALSE(apps[0].icon.isNull());
}

TEST(AppSourceMerge, TileFindsItsRunningAppByStandardizedPathAndARunningFinderIsShownOnceAndFirst) {
    test::TestDesktop desktop(R"({"apps": [
        {"pid": 50, "name": "Editor", "bundlePath": "/Applications/Editor.app", "launched": 5},
        {"pid": 51, "name": "Other", "bundleID": "com.example.other", "launched": 1}
    ]})");
    setDock(
        desktop.preferences(),
        {appTile("file:///Applications/../Applications/Editor.app/", std::nullopt, "Tile label"),
         // The identifier is unknown, so the path decides.
         appTile("file:///Applications/Editor.app", "com.example.unknown", "Again")});
    const auto apps = AppSource::ringApps(desktop.platform(), true);
    EXPECT_EQ(listed(apps), (QStringList{"Editor 50", "Other 51"}));
    // A running Finder in the Dock is shown once and first.
    test::TestDesktop finder(R"({"apps": [
        {"pid": 3, "name": "Mail", "bundleID": "com.example.mail", "launched": 1},
        {"pid": 4, "name": "Finder", "bundleID": "com.apple.finder", "launched": 9}
    ]})");
    setDock(finder.preferences(), {appTile("file:///Applications/Mail.app/", "com.example.mail"),
                                   appTile("file:///System/Finder.app/", "com.apple.finder")});
    for (bool tiles : {true, false})  // without the Dock's tiles the Finder still leads
        EXPECT_EQ(listed(AppSource::ringApps(finder.platform(), tiles)),
                  (QStringList{"Finder 4", "Mail 3"}));
}

TEST(AppSourceContents, DockFoldersThatExistComeBeforeTheTrash) {
    test::TestDesktop desktop(R"({"apps": [{"pid": 3, "name": "Mail"}]})");
    const QString downloads = desktop.makeFolder("Downloads");
    const QString projects = desktop.makeFolder("Work/Projects");
    setDock(desktop.preferences(), {appTile("file:///Applications/Mail.app/")},
            {folderTile(fileURL(downloads)), folderTile(fileURL(desktop.path("Deleted"))),
             folderTile(fileURL(projects) + "/")});
    const auto places =
        AppSource::ringContents(desktop.platform(), AppSet::DockAndOpen, true).places;
    EXPECT_EQ(listed(places), (QStringList{"Downloads", "Projects", "Trash"}));
    EXPECT_EQ(places[0].kind, RingApp::Kind::Folder);
    EXPECT_EQ(places[0].url, QUrl::fromLocalFile(downloads));
    EXPECT_FALSE(places[0].icon.isNull());
    EXPECT_EQ(places[2].kind, RingApp::Kind::Trash);
    // Open apps only: the Trash alone; no places asked for: none.
    const auto openOnly = AppSource::ringContents(desktop.platform(), AppSet::OpenOnly, true);
    EXPECT_EQ(listed(openOnly.apps), QStringList{"Mail 3"});
    ASSERT_EQ(openOnly.places.size(), 1u);
    EXPECT_EQ(openOnly.places[0].kind, RingApp::Kind::Trash);
    EXPECT_TRUE(
        AppSource::ringContents(desktop.platform(), AppSet::DockAndOpen, false).places.empty());
}

TEST(AppSourceContents, PinnedListGivesAppsAndFolders) {
    test::TestDesktop desktop(R"({"apps": [
        {"pid": 8, "name": "Terminal", "bundlePath": "/Applications/Terminal.app", "launched": 3},
        {"pid": 9, "name": "Browser", "launched": 1}
    ]})");
    const QString tools = desktop.makeFolder("Apps/Tools.app");
    const QString docs = desktop.makeFolder("Docs");
    PinnedApps::setPaths(desktop.preferences(),
                         {tools, "/Applications/Terminal.app", "/Applications/Deleted.app", docs,
                          desktop.path("Missing folder")});
    // The Dock's own tiles play no part in this set.
    setDock(desktop.preferences(), {appTile("file:///Applications/Dock.app/", "com.example.d")},
            {folderTile(fileURL(desktop.makeFolder("DockFolder")))});
    const auto contents = AppSource::ringContents(desktop.platform(), AppSet::PinnedAndOpen, true);
    EXPECT_EQ(listed(contents.apps), (QStringList{"Tools", "Terminal 8", "Browser 9"}));
    EXPECT_EQ(listed(contents.places), (QStringList{"Docs", "Trash"}));
}

TEST(AppSourceActivate, TheAppIsOpenedWhereThatCanOnlyBringThisProcessForward) {
    enum class Change { None, StaleShown, Moved };
    const struct {
        qint32 pid;
        Change change;
        std::vector<QString> actions;  // at once; the follow-up has run by then
        std::vector<QString> later;    // from the main queue
    } cases[] = {
        // Opening a location two copies share could bring either forward.
        {2, Change::None, {"activate 2"}, {}},
        // A copy that has ended shares nothing.
        {3, Change::None, {"open-app /Applications/Mail.app activates=true"}, {}},
        {5, Change::None, {"unhide 5", "open-app /Applications/Notes.app activates=true"}, {}},
        // Whether it is hidden is asked again.
        {5,
         Change::StaleShown,
         {"unhide 5", "open-app /Applications/Notes.app activates=true"},
         {}},
        {6, Change::None, {"activate 6"}, {}},
        // An open that fails falls back to activating the process, on the main thread.
        {3, Change::Moved, {"open-app /Nowhere/Mail.app activates=true"}, {"activate 3"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pid << " " << int(c.change));
        test::TestDesktop desktop(R"({"apps": [
            {"pid": 1, "name": "Terminal", "bundlePath": "/Applications/Terminal.app"},
            {"pid": 2, "name": "Terminal", "bundlePath": "/Applications/Terminal.app/"},
            {"pid": 3, "name": "Mail", "bundlePath": "/Applications/Mail.app"},
            {"pid": 4, "name": "Mail", "bundlePath": "/Applications/Mail.app", "terminated": true},
            {"pid": 5, "name": "Notes", "bundlePath": "/Applications/Notes.app", "hidden": true},
            {"pid": 6, "name": "Script"}]})");
        RunningApp app = *desktop.platform().workspace.runningApp(c.pid);
        if (c.change == Change::StaleShown)
            app.hidden = false;
        if (c.change == Change::Moved)
            app.bundleURL = QUrl::fromLocalFile("/Nowhere/Mail.app");
        int thenRuns = 0;
        AppSource::activate(desktop.platform(), app, [&] { ++thenRuns; });
        EXPECT_EQ(desktop.sim().actions(), c.actions);
        EXPECT_EQ(thenRuns, 1);
        desktop.queues().drain();
        std::vector<QString> all = c.actions;
        all.insert(all.end(), c.later.begin(), c.later.end());
        EXPECT_EQ(desktop.sim().actions(), all);
    }
}

TEST(AppSourceActivate, FollowUpWaitsForTheWorkspace) {
    test::TestDesktop desktop(R"({"apps": [
        {"pid": 5, "name": "Mail", "bundlePath": "/Applications/Mail.app"}
    ]})");
    test::ForwardingWorkspace workspace(desktop.platform().workspace);
    workspace.holdCompletions = true;
    Platform platform = test::replacing(desktop.platform(), {.workspace = &workspace});
    int thenRuns = 0;
    AppSource::activate(platform, *workspace.runningApp(5), [&] { ++thenRuns; });
    EXPECT_EQ(thenRuns, 0);
    workspace.releaseCompletions();
    EXPECT_EQ(thenRuns, 1);
}

TEST(AppSourceOpen, RunningAppsAreBroughtForwardOthersLaunched) {
    test::TestDesktop desktop(R"({"apps": [
        {"pid": 5, "name": "Mail", "bundlePath": "/Applications/Mail.app", "hidden": true}
    ], "bundles": {"com.example.notes": "/Applications/Notes.app"}})");
    Workspace& workspace = desktop.platform().workspace;
    AppSource::open(desktop.platform(), RingApp::fromRunning(*workspace.runningApp(5)));
    EXPECT_EQ(desktop.sim().actions().front(), "unhide 5");
    desktop.sim().clearActions();
    const AppSource::DockTile notes{QStringLiteral("com.example.notes"),
                                    QUrl::fromLocalFile("/Applications/Notes.app"),
                                    QStringLiteral("Notes")};
    AppSource::open(desktop.platform(), RingApp::fromPinned(workspace, notes));
    const auto actions = desktop.sim().actions();
    ASSERT_FALSE(actions.empty());
    EXPECT_EQ(actions.front(), "open-app /Applications/Notes.app activates=true");
    EXPECT_TRUE(actions.back().startsWith("launch /Applications/Notes.app"));

    desktop.sim().clearActions();
    AppSource::open(desktop.platform(), RingApp::more(4));
    desktop.queues().drain();
    EXPECT_TRUE(desktop.sim().actions().empty());
}

TEST(AppSourceIcons, EachPathIsLookedUpOncePerProcess) {
    test::TestDesktop first;
    test::TestDesktop second;
    test::ForwardingWorkspace one(first.platform().workspace);
    test::ForwardingWorkspace two(second.platform().workspace);
    const QUrl url = QUrl::fromLocalFile(first.makeFile("icon-cache/report.pdf"));

    const QImage image = AppSource::icon(one, url);
    EXPECT_FALSE(image.isNull());
    EXPECT_EQ(AppSource::icon(one, url).cacheKey(), image.cacheKey());
    EXPECT_EQ(one.iconLookups, 1);
    // The cache outlives any one desktop: it is keyed by path alone.
    EXPECT_EQ(AppSource::icon(two, url).cacheKey(), image.cacheKey());
    EXPECT_EQ(two.iconLookups, 0);
    AppSource::icon(two, QUrl::fromLocalFile(first.path("icon-cache/other.pdf")));
    EXPECT_EQ(two.iconLookups, 1);
}

}  // namespace
}  // namespace tandri
