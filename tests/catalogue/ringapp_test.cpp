#include <gtest/gtest.h>

#include <QDir>

#include "catalogue/ringapp.h"
#include "catalogue/urlpaths.h"
#include "platform/workspace.h"
#include "support/testdesktop.h"

namespace tandri {
namespace {

TEST(RingAppFromRunning, NameFallsBackToBundleThenToApp) {
    RunningApp app;
    app.pid = 42;
    app.localizedName = QStringLiteral("Mail");
    app.bundleURL = QUrl::fromLocalFile("/Applications/Post Office.app");
    app.bundleID = QStringLiteral("com.example.mail");
    RingApp entry = RingApp::fromRunning(app);
    EXPECT_EQ(entry.name, "Mail");
    EXPECT_EQ(entry.kind, RingApp::Kind::App);
    EXPECT_EQ(entry.pid(), 42);
    EXPECT_TRUE(entry.isRunning());
    EXPECT_EQ(entry.bundleID, "com.example.mail");
    EXPECT_EQ(entry.url, app.bundleURL);

    app.localizedName.reset();
    EXPECT_EQ(RingApp::fromRunning(app).name, "Post Office");
    // Only the last extension goes, and a trailing slash does not hide the name.
    app.bundleURL = QUrl("file:///Applications/Tool.v2.app/");
    EXPECT_EQ(RingApp::fromRunning(app).name, "Tool.v2");

    app.bundleURL.reset();
    entry = RingApp::fromRunning(app);
    EXPECT_EQ(entry.name, "App");
    EXPECT_FALSE(entry.url.has_value());
    EXPECT_EQ(entry.bundleID, "com.example.mail");
}

TEST(UrlPaths, FileUrlsNameLocalPathsWhateverTheirSpelling) {
    const struct {
        const char* url;
        const char* path;
        const char* last;
    } cases[] = {
        {"file:///home/ann/Report%202.pdf", "/home/ann/Report 2.pdf", "Report 2.pdf"},
        // The host "localhost" is this machine, not a share of the network.
        {"file://localhost/home/ann/Inbox/", "/home/ann/Inbox", "Inbox"},
        {"file://LOCALHOST/tmp/a%20b", "/tmp/a b", "a b"},
        {"file:///home/ann/x/../Inbox/./", "/home/ann/Inbox", "Inbox"},
        {"file:///", "/", "/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        const QUrl url(QString::fromUtf8(c.url));
        EXPECT_EQ(UrlPaths::standardizedPath(url), QString::fromUtf8(c.path));
        EXPECT_EQ(UrlPaths::lastPathComponent(url), QString::fromUtf8(c.last));
    }
}

TEST(RingAppKinds, DerivedValuesFollowTheKind) {
    const RingApp more = RingApp::more(1);
    EXPECT_EQ(more.name, "1 more apps");
    EXPECT_EQ(more.moreCount(), 1);
    EXPECT_FALSE(more.isApp());
    EXPECT_TRUE(more.icon.isNull());
    EXPECT_FALSE(more.url.has_value());
    EXPECT_FALSE(more.isRunning());
    EXPECT_EQ(RingApp::more(17).name, "17 more apps");

    test::TestDesktop desktop;
    Workspace& workspace = desktop.platform().workspace;
    const QString folder = desktop.makeFolder("Documents");
    const RingApp folderEntry = RingApp::fromFolder(workspace, QUrl::fromLocalFile(folder));
    EXPECT_EQ(folderEntry.kind, RingApp::Kind::Folder);
    EXPECT_EQ(folderEntry.name, "Documents");
    EXPECT_FALSE(folderEntry.icon.isNull());
    EXPECT_FALSE(folderEntry.isApp());
    EXPECT_FALSE(folderEntry.moreCount().has_value());
    EXPECT_FALSE(folderEntry.bundleID.has_value());
    EXPECT_FALSE(folderEntry.pid().has_value());

    const RingApp trash = RingApp::trash(workspace);
    EXPECT_EQ(trash.kind, RingApp::Kind::Trash);
    EXPECT_EQ(trash.name, "Trash");
    EXPECT_FALSE(trash.icon.isNull());
    EXPECT_FALSE(trash.isApp());
    EXPECT_FALSE(trash.moreCount().has_value());
    // The Trash's place is named whether or not the folder is there.
    EXPECT_EQ(trash.url, QUrl::fromLocalFile(QDir::homePath() + "/.Trash"));
}

TEST(RingAppStaged, StandsInForARunningAppByPid) {
    test::TestDesktop desktop(R"({"bundles": {"com.example.mail": "/Applications/Mail.app"}})");
    Workspace& workspace = desktop.platform().workspace;

    RingApp staged = RingApp::staged(workspace, QUrl::fromLocalFile("/Applications/Mail.app"), 77);
    EXPECT_EQ(staged.name, "Mail");
    EXPECT_EQ(staged.bundleID, "com.example.mail");
    EXPECT_TRUE(staged.isRunning());
    EXPECT_EQ(staged.pid(), 77);
    EXPECT_FALSE(staged.running.has_value());
    EXPECT_TRUE(staged.isApp());
    EXPECT_FALSE(staged.icon.isNull());

    staged =
        RingApp::staged(workspace, QUrl::fromLocalFile("/Applications/Unknown.app"), std::nullopt);
    EXPECT_FALSE(staged.isRunning());
    EXPECT_FALSE(staged.pid().has_value());
    EXPECT_FALSE(staged.bundleID.has_value());
}

TEST(RingAppStaged, EveryApplicationSuffixIsRemovedFromTheName) {
    test::TestDesktop desktop;
    Workspace& workspace = desktop.platform().workspace;
    const RingApp staged =
        RingApp::staged(workspace, QUrl::fromLocalFile("/Apps/Old.app Tools.app"), 3);
    EXPECT_EQ(staged.name, "Old Tools");
}

TEST(RingAppFromPinned, TakesTheTilesValues) {
    test::TestDesktop desktop;
    const AppSource::DockTile tile{QStringLiteral("com.example.notes"),
                                   QUrl::fromLocalFile("/Applications/Notes.app"),
                                   QStringLiteral("My Notes")};
    const RingApp entry = RingApp::fromPinned(desktop.platform().workspace, tile);
    EXPECT_EQ(entry.kind, RingApp::Kind::App);
    EXPECT_EQ(entry.name, "My Notes");
    EXPECT_EQ(entry.bundleID, "com.example.notes");
    EXPECT_EQ(entry.url, tile.url);
    EXPECT_FALSE(entry.isRunning());
    EXPECT_FALSE(entry.icon.isNull());
}

}  // namespace
}  // namespace tandri
