// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QDir>

#include "catalogue/ringapp.h"
#include "catalogue/urlpaths.h"
#include "platform/workspace.h"
#include "support/testdesktop.h"

namespace tandri {
namespace {

/// An entry in one line: kind, name, process, whether it runs, identifier, location, icon.
QString describe(const RingApp& entry) {
    const char* kinds[] = {"more", "app", "folder", "trash"};
    return QStringList{kinds[int(entry.kind)],
                       entry.name,
                       entry.pid() ? QString::number(*entry.pid()) : "-",
                       entry.isRunning() ? "running" : "stopped",
                       entry.bundleID.value_or("-"),
                       entry.url ? entry.url->toLocalFile() : "-",
                       entry.icon.isNull() ? "no icon" : "icon"}
        .join(" | ");
}

TEST(RingApp, FromARunningAppNamedByItselfElseByItsBundleElseApp) {
    RunningApp app;
    app.pid = 42;
    app.localizedName = QStringLiteral("Mail");
    app.bundleURL = QUrl::fromLocalFile("/Applications/Post Office.app");
    app.bundleID = QStringLiteral("com.example.mail");
    EXPECT_EQ(
        describe(RingApp::fromRunning(app)),
        "app | Mail | 42 | running | com.example.mail | /Applications/Post Office.app | no icon");
    app.localizedName.reset();
    EXPECT_EQ(RingApp::fromRunning(app).name, "Post Office");
    // Only the last extension goes, and a trailing slash does not hide the name.
    app.bundleURL = QUrl("file:///Applications/Tool.v2.app/");
    EXPECT_EQ(RingApp::fromRunning(app).name, "Tool.v2");
    app.bundleURL.reset();
    EXPECT_EQ(describe(RingApp::fromRunning(app)),
              "app | App | 42 | running | com.example.mail | - | no icon");
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

TEST(RingApp, EveryOtherKindOfEntry) {
    test::TestDesktop desktop(R"({"bundles": {"com.example.mail": "/Applications/Mail.app"}})");
    Workspace& workspace = desktop.platform().workspace;
    const QString folder = desktop.makeFolder("Documents");
    const AppSource::DockTile tile{QStringLiteral("com.example.notes"),
                                   QUrl::fromLocalFile("/Applications/Notes.app"),
                                   QStringLiteral("My Notes")};
    const RingApp staged =
        RingApp::staged(workspace, QUrl::fromLocalFile("/Applications/Mail.app"), 77);
    const struct {
        RingApp entry;
        QString described;
        std::optional<int> more = std::nullopt;
    } cases[] = {
        {RingApp::more(1), "more | 1 more apps | - | stopped | - | - | no icon", 1},
        {RingApp::more(17), "more | 17 more apps | - | stopped | - | - | no icon", 17},
        {RingApp::fromFolder(workspace, QUrl::fromLocalFile(folder)),
         "folder | Documents | - | stopped | - | " + folder + " | icon"},
        // The Trash's place is named whether or not the folder is there.
        {RingApp::trash(workspace),
         "trash | Trash | - | stopped | - | " + QDir::homePath() + "/.Trash | icon"},
        {RingApp::fromPinned(workspace, tile),
         "app | My Notes | - | stopped | com.example.notes | /Applications/Notes.app | icon"},
        // A staged entry stands in for a running app by its process alone.
        {staged, "app | Mail | 77 | running | com.example.mail | /Applications/Mail.app | icon"},
        {RingApp::staged(workspace, QUrl::fromLocalFile("/Applications/Unknown.app"), std::nullopt),
         "app | Unknown | - | stopped | - | /Applications/Unknown.app | icon"},
        // Every application suffix goes from the name.
        {RingApp::staged(workspace, QUrl::fromLocalFile("/Apps/Old.app Tools.app"), 3),
         "app | Old Tools | 3 | running | - | /Apps/Old.app Tools.app | icon"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(describe(c.entry), c.described);
        EXPECT_EQ(c.entry.moreCount(), c.more) << c.described.toStdString();
        EXPECT_EQ(c.entry.isApp(), c.entry.kind == RingApp::Kind::App);
    }
    EXPECT_FALSE(staged.running.has_value());
}

}  // namespace
}  // namespace tandri
