#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include "platform/sim/simtesting.h"
#include "platform/workspace.h"

namespace tandri::sim {
namespace {

using testing::load;
using testing::str;
using testing::strs;

constexpr const char* desktopJson = R"({
    "frontmost": 1,
    "apps": [
        { "pid": 1, "name": "Mail", "bundleID": "com.example.mail",
          "bundlePath": "/Applications/Mail.app", "launched": 10 },
        { "pid": 2, "name": "Notes", "bundleID": "com.example.notes",
          "bundlePath": "/Applications/Notes.app", "launched": 30, "hidden": true },
        { "pid": 5, "name": "Old Editor", "bundleID": "com.example.editor",
          "bundlePath": "/Applications/Editor.app", "terminated": true },
        { "pid": 4, "name": "Helper" }
    ],
    "bundles": { "com.example.mail": "/Volumes/Other/Mail.app",
                 "com.example.maps": "/Applications/Maps.app" }
})";

std::optional<QString> openError(Workspace& workspace, const QUrl& url, bool activates) {
    bool called = false;
    std::optional<QString> error;
    workspace.openApplication(url, activates, [&](std::optional<QString> e) {
        called = true;
        error = e;
    });
    EXPECT_TRUE(called) << "the completion runs before openApplication returns";
    return error;
}

TEST(SimWorkspace, RunningAppsInDesktopOrderAndOnlyLiveOnesByPid) {
    auto desktop = load(desktopJson);
    Workspace& workspace = desktop->workspace();
    const auto apps = workspace.runningApps();
    ASSERT_EQ(apps.size(), 4u);
    EXPECT_EQ(apps[0].pid, 1);
    EXPECT_EQ(apps[2].pid, 5);
    EXPECT_TRUE(apps[2].terminated);
    EXPECT_TRUE(workspace.runningApp(2).has_value());
    EXPECT_FALSE(workspace.runningApp(5).has_value());
    EXPECT_FALSE(workspace.runningApp(99).has_value());
    EXPECT_EQ(workspace.frontmostPID(), 1);
}

TEST(SimWorkspace, BundleLookupsTryTheInstalledBundlesFirst) {
    auto desktop = load(desktopJson);
    Workspace& workspace = desktop->workspace();
    EXPECT_EQ(workspace.urlForBundleIdentifier("com.example.mail"),
              QUrl::fromLocalFile("/Volumes/Other/Mail.app"));
    EXPECT_EQ(workspace.urlForBundleIdentifier("com.example.maps"),
              QUrl::fromLocalFile("/Applications/Maps.app"));
    // Not installed, but running from somewhere.
    EXPECT_EQ(workspace.urlForBundleIdentifier("com.example.notes"),
              QUrl::fromLocalFile("/Applications/Notes.app"));
    EXPECT_FALSE(workspace.urlForBundleIdentifier("com.example.none").has_value());

    EXPECT_EQ(workspace.bundleIdentifier(QUrl::fromLocalFile("/Applications/Maps.app")),
              "com.example.maps");
    // Dock tiles spell bundle URLs with a trailing slash.
    EXPECT_EQ(workspace.bundleIdentifier(QUrl("file:///Applications/Maps.app/")),
              "com.example.maps");
    EXPECT_EQ(workspace.bundleIdentifier(QUrl("file:///Applications/Notes.app/")),
              "com.example.notes");
    EXPECT_EQ(workspace.bundleIdentifier(QUrl::fromLocalFile("/Applications/Mail.app")),
              "com.example.mail");
    EXPECT_FALSE(workspace.bundleIdentifier(QUrl::fromLocalFile("/Applications/X.app")));
    EXPECT_FALSE(workspace.bundleIdentifier(QUrl("https://example.com/Maps.app")));
}

TEST(SimWorkspace, OpeningARunningAppBringsItForward) {
    auto desktop = load(desktopJson);
    Workspace& workspace = desktop->workspace();
    EXPECT_FALSE(openError(workspace, QUrl("file:///Applications/Notes.app/"), false));
    EXPECT_EQ(workspace.frontmostPID(), 1);
    EXPECT_TRUE(workspace.runningApp(2)->hidden);

    EXPECT_FALSE(openError(workspace, QUrl::fromLocalFile("/Applications/Notes.app"), true));
    EXPECT_EQ(workspace.frontmostPID(), 2);
    EXPECT_FALSE(workspace.runningApp(2)->hidden);
    EXPECT_EQ(strs(desktop->actions()),
              (std::vector<std::string>{"open-app /Applications/Notes.app activates=false",
                                        "open-app /Applications/Notes.app activates=true"}));
    EXPECT_EQ(workspace.runningApps().size(), 4u);
}

TEST(SimWorkspace, OpeningAnAppThatDoesNotRunLaunchesIt) {
    auto desktop = load(desktopJson);
    Workspace& workspace = desktop->workspace();
    EXPECT_FALSE(openError(workspace, QUrl("file:///Applications/Maps.app/"), true));
    EXPECT_EQ(strs(desktop->actions()),
              (std::vector<std::string>{"open-app /Applications/Maps.app activates=true",
                                        "launch /Applications/Maps.app pid=6"}));
    const auto launched = workspace.runningApp(6);
    ASSERT_TRUE(launched.has_value());
    EXPECT_EQ(str(launched->localizedName.value_or("")), "Maps");
    EXPECT_EQ(str(launched->bundleID.value_or("")), "com.example.maps");
    EXPECT_EQ(launched->bundleURL, QUrl::fromLocalFile("/Applications/Maps.app"));
    EXPECT_EQ(launched->launchDate, 31.0);
    EXPECT_EQ(workspace.frontmostPID(), 6);
    EXPECT_EQ(workspace.runningApps().back().pid, 6);

    // Now it runs: opening it again launches nothing.
    desktop->clearActions();
    EXPECT_FALSE(openError(workspace, QUrl::fromLocalFile("/Applications/Maps.app"), false));
    EXPECT_EQ(strs(desktop->actions()),
              (std::vector<std::string>{"open-app /Applications/Maps.app activates=false"}));

    // A terminated app's bundle is launched anew, and without activation stays behind.
    EXPECT_FALSE(openError(workspace, QUrl::fromLocalFile("/Applications/Editor.app"), false));
    EXPECT_EQ(str(desktop->actions().back()), "launch /Applications/Editor.app pid=7");
    EXPECT_EQ(workspace.frontmostPID(), 6);
    EXPECT_EQ(str(workspace.runningApp(7)->bundleID.value_or("")), "com.example.editor");
    EXPECT_EQ(workspace.runningApp(7)->launchDate, 32.0);
}

TEST(SimWorkspace, OpeningABundleThatExistsOnlyOnDiskLaunchesIt) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString bundle = folder.filePath("Tools/Sketch Pad.app");
    ASSERT_TRUE(QDir().mkpath(bundle));
    auto desktop = load("{}");
    EXPECT_FALSE(openError(desktop->workspace(), QUrl::fromLocalFile(bundle), true));
    const auto apps = desktop->workspace().runningApps();
    ASSERT_EQ(apps.size(), 1u);
    EXPECT_EQ(apps[0].pid, 1);
    EXPECT_EQ(str(apps[0].localizedName.value_or("")), "Sketch Pad");
    EXPECT_FALSE(apps[0].bundleID.has_value());
    EXPECT_EQ(apps[0].launchDate, 1.0);
}

TEST(SimWorkspace, OpeningNothingIsAnError) {
    auto desktop = load(desktopJson);
    Workspace& workspace = desktop->workspace();
    EXPECT_EQ(openError(workspace, QUrl::fromLocalFile("/Applications/Nothing.app"), true),
              "No application at /Applications/Nothing.app");
    EXPECT_EQ(workspace.runningApps().size(), 4u);
    EXPECT_EQ(workspace.frontmostPID(), 1);
    EXPECT_EQ(strs(desktop->actions()),
              (std::vector<std::string>{"open-app /Applications/Nothing.app activates=true"}));
    // Without a completion it fails quietly.
    workspace.openApplication(QUrl::fromLocalFile("/Applications/Nothing.app"), true, nullptr);
    EXPECT_EQ(desktop->actions().size(), 2u);
}

TEST(SimWorkspace, ActivateAndUnhide) {
    auto desktop = load(desktopJson);
    Workspace& workspace = desktop->workspace();
    workspace.activate(2);
    EXPECT_EQ(workspace.frontmostPID(), 2);
    EXPECT_FALSE(workspace.runningApp(2)->hidden);
    // A terminated or unknown app cannot come forward.
    workspace.activate(5);
    workspace.activate(99);
    EXPECT_EQ(workspace.frontmostPID(), 2);

    auto hidden = load(R"({"apps": [{"pid": 3, "hidden": true}]})");
    hidden->workspace().unhide(3);
    EXPECT_FALSE(hidden->workspace().runningApp(3)->hidden);
    EXPECT_FALSE(hidden->workspace().frontmostPID().has_value());

    EXPECT_EQ(strs(desktop->actions()),
              (std::vector<std::string>{"activate 2", "activate 5", "activate 99"}));
    EXPECT_EQ(strs(hidden->actions()), (std::vector<std::string>{"unhide 3"}));
}

TEST(SimWorkspace, OpeningURLsAndRevealingAreLogged) {
    auto desktop = load("{}");
    desktop->workspace().openURL(QUrl::fromLocalFile("/tmp/report.pdf"));
    desktop->workspace().revealInFileManager(
        {QUrl::fromLocalFile("/tmp/a.txt"), QUrl::fromLocalFile("/tmp/b folder")});
    EXPECT_EQ(strs(desktop->actions()),
              (std::vector<std::string>{"open-url file:///tmp/report.pdf",
                                        "reveal /tmp/a.txt /tmp/b folder"}));
    desktop->clearActions();
    EXPECT_TRUE(desktop->actions().empty());
}

TEST(SimWorkspace, NamesSuffixAndTrash) {
    auto desktop = load("{}");
    Workspace& workspace = desktop->workspace();
    EXPECT_EQ(str(workspace.displayName("/Applications/Mail.app")), "Mail.app");
    EXPECT_EQ(str(workspace.displayName("/Applications/Mail.app/")), "Mail.app");
    EXPECT_EQ(str(workspace.displayName("/")), "/");
    EXPECT_EQ(str(workspace.applicationSuffix()), ".app");
    EXPECT_EQ(workspace.trashURL(), QUrl::fromLocalFile(QDir::homePath() + "/.Trash"));
    EXPECT_EQ(workspace.trashIcon().size(), QSize(128, 128));
}

TEST(SimWorkspace, OwnPidIsThisProcessAndNeverOneOfTheDesktops) {
    const qint32 own = qint32(QCoreApplication::applicationPid());
    EXPECT_EQ(load(desktopJson)->workspace().ownPID(), own);
    // A desktop file that happens to use this process's number keeps that app an app.
    auto clash = load(
        QStringLiteral(R"({"apps": [{"pid": %1}, {"pid": %2}]})").arg(own).arg(own + 1).toUtf8());
    const qint32 reported = clash->workspace().ownPID();
    EXPECT_NE(reported, own);
    EXPECT_NE(reported, own + 1);
}

TEST(SimWorkspace, FileIcons) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    auto desktop = load(desktopJson);
    Workspace& workspace = desktop->workspace();

    const QImage mail = workspace.runningApp(1)->icon;
    EXPECT_EQ(workspace.iconForFile("/Applications/Mail.app"), mail);
    EXPECT_EQ(workspace.iconForFile("/Applications/Mail.app/"), mail);

    const QImage folderIcon = workspace.iconForFile(folder.path());
    const QImage documentIcon = workspace.iconForFile(folder.filePath("not-there.txt"));
    EXPECT_EQ(folderIcon.size(), QSize(128, 128));
    EXPECT_EQ(documentIcon.size(), QSize(128, 128));
    EXPECT_NE(folderIcon, documentIcon);
    EXPECT_NE(folderIcon, mail);
    ASSERT_TRUE(QDir(folder.path()).mkdir("inner"));
    EXPECT_EQ(workspace.iconForFile(folder.filePath("inner")), folderIcon);
    // Cached by path: the same image comes back, not a new drawing.
    EXPECT_EQ(workspace.iconForFile(folder.path()).cacheKey(), folderIcon.cacheKey());

    // An installed app that does not run has an app icon, not a document's.
    const QImage maps = workspace.iconForFile("/Applications/Maps.app");
    EXPECT_NE(maps, documentIcon);
    EXPECT_EQ(maps.size(), QSize(128, 128));
}

}  // namespace
}  // namespace tandri::sim
