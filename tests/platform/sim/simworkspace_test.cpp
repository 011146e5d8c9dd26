// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include "platform/sim/simtesting.h"
#include "platform/workspace.h"

namespace tandri::sim {
namespace {

using testing::describe;
using testing::load;
using Actions = std::vector<QString>;

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

class SimWorkspaceTest : public ::testing::Test {
protected:
    // Opens the application at `url`; the error it reports.
    std::optional<QString> open(const QUrl& url, bool activates, Workspace* in = nullptr) {
        bool called = false;
        std::optional<QString> error;
        (in ? *in : workspace).openApplication(url, activates, [&](std::optional<QString> e) {
            called = true;
            error = e;
        });
        EXPECT_TRUE(called) << "the completion runs before openApplication returns";
        return error;
    }
    std::optional<QString> open(const char* path, bool activates) {
        return open(QUrl::fromLocalFile(path), activates);
    }

    std::unique_ptr<SimDesktop> desktop = load(desktopJson);
    Workspace& workspace = desktop->workspace();
};

TEST_F(SimWorkspaceTest, RunningAppsInDesktopOrderAndOnlyLiveOnesByPid) {
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

TEST_F(SimWorkspaceTest, BundleLookupsTryTheInstalledBundlesFirst) {
    // Installed first, else running from somewhere.
    for (const auto& [id, path] : {std::pair{"com.example.mail", "/Volumes/Other/Mail.app"},
                                   {"com.example.maps", "/Applications/Maps.app"},
                                   {"com.example.notes", "/Applications/Notes.app"}}) {
        EXPECT_EQ(workspace.urlForBundleIdentifier(id), QUrl::fromLocalFile(path)) << id;
    }
    EXPECT_FALSE(workspace.urlForBundleIdentifier("com.example.none").has_value());

    // Dock tiles spell bundle URLs with a trailing slash.
    for (const auto& [url, id] :
         {std::pair<const char*, const char*>{"file:///Applications/Maps.app", "com.example.maps"},
          {"file:///Applications/Maps.app/", "com.example.maps"},
          {"file:///Applications/Notes.app/", "com.example.notes"},
          {"file:///Applications/Mail.app", "com.example.mail"},
          {"file:///Applications/X.app", nullptr},
          {"https://example.com/Maps.app", nullptr}}) {
        EXPECT_EQ(workspace.bundleIdentifier(QUrl(url)),
                  id ? std::optional<QString>(id) : std::nullopt)
            << url;
    }
}

TEST_F(SimWorkspaceTest, OpeningARunningAppBringsItForwardAndNothingIsAnError) {
    EXPECT_FALSE(open(QUrl("file:///Applications/Notes.app/"), false));
    EXPECT_EQ(workspace.frontmostPID(), 1);
    EXPECT_TRUE(workspace.runningApp(2)->hidden);

    EXPECT_FALSE(open("/Applications/Notes.app", true));
    EXPECT_EQ(workspace.frontmostPID(), 2);
    EXPECT_FALSE(workspace.runningApp(2)->hidden);
    EXPECT_EQ(desktop->actions(), (Actions{"open-app /Applications/Notes.app activates=false",
                                           "open-app /Applications/Notes.app activates=true"}));
    // An app that is nowhere is an error and changes nothing; without a completion, quietly.
    EXPECT_EQ(open("/Applications/Nothing.app", true),
              "No application at /Applications/Nothing.app");
    EXPECT_EQ(workspace.runningApps().size(), 4u);
    EXPECT_EQ(workspace.frontmostPID(), 2);
    EXPECT_EQ(desktop->actions().back(), "open-app /Applications/Nothing.app activates=true");
    workspace.openApplication(QUrl::fromLocalFile("/Applications/Nothing.app"), true, nullptr);
    EXPECT_EQ(desktop->actions().size(), 4u);
}

TEST_F(SimWorkspaceTest, OpeningAnAppThatDoesNotRunLaunchesIt) {
    EXPECT_FALSE(open(QUrl("file:///Applications/Maps.app/"), true));
    EXPECT_EQ(desktop->actions(), (Actions{"open-app /Applications/Maps.app activates=true",
                                           "launch /Applications/Maps.app pid=6"}));
    EXPECT_EQ(describe(workspace.runningApps().back()),
              "pid 6 name Maps bundle com.example.maps url file:///Applications/Maps.app "
              "launched 31");
    EXPECT_EQ(workspace.frontmostPID(), 6);

    // Now it runs: opening it again launches nothing.
    desktop->clearActions();
    EXPECT_FALSE(open("/Applications/Maps.app", false));
    EXPECT_EQ(desktop->actions(), Actions{"open-app /Applications/Maps.app activates=false"});

    // A terminated app's bundle is launched anew, and without activation stays behind.
    EXPECT_FALSE(open("/Applications/Editor.app", false));
    EXPECT_EQ(desktop->actions().back(), "launch /Applications/Editor.app pid=7");
    EXPECT_EQ(workspace.frontmostPID(), 6);
    EXPECT_EQ(describe(*workspace.runningApp(7)),
              "pid 7 name Editor bundle com.example.editor url file:///Applications/Editor.app "
              "launched 32");

    // A bundle that exists only on disk launches too, even as the first app of a desktop.
    QTemporaryDir folder;
    const QString bundle = folder.filePath("Tools/Sketch Pad.app");
    ASSERT_TRUE(QDir().mkpath(bundle));
    auto empty = load("{}");
    EXPECT_FALSE(open(QUrl::fromLocalFile(bundle), true, &empty->workspace()));
    EXPECT_EQ(describe(empty->workspace().runningApps()),
              std::vector<std::string>{"pid 1 name Sketch Pad url " +
                                       QUrl::fromLocalFile(bundle).toString().toStdString() +
                                       " launched 1"});
}

TEST_F(SimWorkspaceTest, ActivateUnhideOpenURLsAndRevealAsLogged) {
    workspace.activate(2);
    EXPECT_EQ(workspace.frontmostPID(), 2);
    EXPECT_FALSE(workspace.runningApp(2)->hidden);
    // A terminated or unknown app cannot come forward.
    workspace.activate(5);
    workspace.activate(99);
    EXPECT_EQ(workspace.frontmostPID(), 2);
    EXPECT_EQ(desktop->actions(), (Actions{"activate 2", "activate 5", "activate 99"}));

    auto hidden = load(R"({"apps": [{"pid": 3, "hidden": true}]})");
    hidden->workspace().unhide(3);
    EXPECT_FALSE(hidden->workspace().runningApp(3)->hidden);
    EXPECT_FALSE(hidden->workspace().frontmostPID().has_value());
    EXPECT_EQ(hidden->actions(), Actions{"unhide 3"});
    // Opening URLs and revealing files are logged.
    desktop->clearActions();
    workspace.openURL(QUrl::fromLocalFile("/tmp/report.pdf"));
    workspace.revealInFileManager(
        {QUrl::fromLocalFile("/tmp/a.txt"), QUrl::fromLocalFile("/tmp/b folder")});
    EXPECT_EQ(desktop->actions(),
              (Actions{"open-url file:///tmp/report.pdf", "reveal /tmp/a.txt /tmp/b folder"}));
}

TEST_F(SimWorkspaceTest, NamesSuffixTrashAndOwnPid) {
    EXPECT_EQ(workspace.displayName("/Applications/Mail.app"), "Mail.app");
    EXPECT_EQ(workspace.displayName("/Applications/Mail.app/"), "Mail.app");
    EXPECT_EQ(workspace.displayName("/"), "/");
    EXPECT_EQ(workspace.applicationSuffix(), ".app");
    EXPECT_EQ(workspace.trashURL(), QUrl::fromLocalFile(QDir::homePath() + "/.Trash"));
    EXPECT_EQ(workspace.trashIcon().size(), QSize(128, 128));

    const qint32 own = qint32(QCoreApplication::applicationPid());
    EXPECT_EQ(workspace.ownPID(), own);
    // A desktop file that happens to use this process's number keeps that app an app.
    auto clash = load(
        QStringLiteral(R"({"apps": [{"pid": %1}, {"pid": %2}]})").arg(own).arg(own + 1).toUtf8());
    const qint32 reported = clash->workspace().ownPID();
    EXPECT_NE(reported, own);
    EXPECT_NE(reported, own + 1);
}

TEST_F(SimWorkspaceTest, FileIcons) {
    QTemporaryDir folder;
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
