// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QStringList>

#include <QJsonArray>

#include "catalogue/appsource.h"
#include "catalogue/pinnedapps.h"
#include "dockjson.h"
#include "platform/preferences.h"
#include "support/testdesktop.h"

namespace tandri {
namespace {

using test::appTile;
using test::folderTile;

QUrl file(const QString& path) {
    return QUrl::fromLocalFile(path);
}

class PinnedAppsTest : public ::testing::Test {
protected:
    QJsonValue stored() { return prefs.storedValue(Preferences::appDomain, PinnedApps::key); }

    test::TestDesktop desktop{R"({"bundles": {"com.example.mail": "/Applications/Mail.app"}})"};
    Preferences& prefs = desktop.preferences();
};

TEST_F(PinnedAppsTest, RemovingTakesEveryCopyAndAlwaysStoresAndAddingKeepsOneEntry) {
    PinnedApps::remove(prefs, file("/Applications/Mail.app"));
    EXPECT_EQ(stored(), QJsonArray());

    PinnedApps::setPaths(
        prefs, {"/Applications/Mail.app", "/Applications/Notes.app", "/Applications/Mail.app"});
    PinnedApps::remove(prefs, file("/Applications/../Applications/Mail.app"));
    EXPECT_EQ(PinnedApps::paths(prefs), QStringList{"/Applications/Notes.app"});
    PinnedApps::remove(prefs, file("/Applications/Other.app"));
    EXPECT_EQ(PinnedApps::paths(prefs), QStringList{"/Applications/Notes.app"});

    // However spelt, an item is added once.
    PinnedApps::add(prefs, file("/Applications/Mail.app"));
    PinnedApps::add(prefs, file("/Applications/Mail.app/"));
    PinnedApps::add(prefs, file("/Applications/Utilities/../Mail.app"));
    PinnedApps::add(prefs, QUrl("file:///Applications/./Mail.app"));
    PinnedApps::add(prefs, file("/Users/me/Downloads"));
    const QStringList three{"/Applications/Notes.app", "/Applications/Mail.app",
                            "/Users/me/Downloads"};
    EXPECT_EQ(PinnedApps::paths(prefs), three);
    EXPECT_EQ(stored(), QJsonArray::fromStringList(three));
    EXPECT_TRUE(PinnedApps::contains(prefs, file("/Applications/x/../Mail.app")));
    EXPECT_FALSE(PinnedApps::contains(prefs, file("/Applications/mail.app")));
}

TEST_F(PinnedAppsTest, MalformedValueReadsAsEmpty) {
    EXPECT_TRUE(PinnedApps::paths(prefs).isEmpty());
    for (const QJsonValue& value :
         {QJsonValue("/Applications/Mail.app"), QJsonValue(QJsonObject{{"a", "b"}}),
          QJsonValue(QJsonArray{"/Applications/Mail.app", 4}), QJsonValue(true)}) {
        prefs.setValue(Preferences::appDomain, PinnedApps::key, value);
        EXPECT_TRUE(PinnedApps::paths(prefs).isEmpty());
        EXPECT_TRUE(PinnedApps::appTiles(prefs, desktop.platform().workspace).empty());
        EXPECT_TRUE(PinnedApps::folders(prefs, desktop.platform().workspace).empty());
        EXPECT_FALSE(PinnedApps::contains(prefs, file("/Applications/Mail.app")));
    }
}

TEST_F(PinnedAppsTest, AnUnreadableListIsKeptBeforeItIsReplaced) {
    const QJsonArray first{"/Applications/Mail.app", 4};
    prefs.setValue(Preferences::appDomain, PinnedApps::key, first);
    PinnedApps::add(prefs, file("/Applications/Notes.app"));
    EXPECT_EQ(stored(), QJsonArray{"/Applications/Notes.app"});
    EXPECT_EQ(prefs.storedValue(Preferences::appDomain, "pinnedApps.unreadable"), first);
    // A second unreadable list never replaces the first kept one.
    prefs.setValue(Preferences::appDomain, PinnedApps::key, "not a list");
    PinnedApps::remove(prefs, file("/Applications/Notes.app"));
    EXPECT_EQ(prefs.storedValue(Preferences::appDomain, "pinnedApps.unreadable"), first);
    EXPECT_EQ(prefs.storedValue(Preferences::appDomain, "pinnedApps.unreadable.2"),
              QJsonValue("not a list"));
    // A readable list is simply replaced.
    PinnedApps::add(prefs, file("/Applications/Mail.app"));
    EXPECT_TRUE(prefs.storedValue(Preferences::appDomain, "pinnedApps.unreadable.3").isUndefined());
}

TEST_F(PinnedAppsTest, AppsAreThePathsWithTheApplicationSuffix) {
    PinnedApps::setPaths(
        prefs, {"/Users/me/Downloads", "/Applications/Mail.app", "/Users/me/Projects/Site.app",
                "/Applications/Shout.APP", "/Applications/Deleted.app", "/Users/me/Desktop"});
    QStringList tiles;
    for (const auto& tile : PinnedApps::appTiles(prefs, desktop.platform().workspace))
        tiles << tile.name + " | " + tile.url.toLocalFile() + " | " + tile.bundleID.value_or("-");
    // A folder whose name ends in the suffix counts as an app; deleted apps stay listed, the ring
    // leaves them out later.
    EXPECT_EQ(tiles, (QStringList{"Mail | /Applications/Mail.app | com.example.mail",
                                  "Site | /Users/me/Projects/Site.app | -",
                                  "Deleted | /Applications/Deleted.app | -"}));
    EXPECT_EQ(PinnedApps::folders(prefs, desktop.platform().workspace),
              (std::vector<QUrl>{file("/Users/me/Downloads"), file("/Applications/Shout.APP"),
                                 file("/Users/me/Desktop")}));
}

TEST_F(PinnedAppsTest, ImportReplacesTheListWithTheDocksAppsThenFolders) {
    PinnedApps::setPaths(prefs, {"/Applications/Old.app", "/Users/me/Old"});
    prefs.setValue(AppSource::dockDomain, "persistent-apps",
                   QJsonArray{appTile("file:///Applications/Notes.app/"),
                              appTile(std::nullopt, "com.example.mail"),
                              appTile("file:///Applications/Notes.app/")});
    prefs.setValue(AppSource::dockDomain, "persistent-others",
                   QJsonArray{folderTile("file:///Users/me/Downloads/"),
                              folderTile("file:///Users/me/a/../Documents")});
    PinnedApps::importFromDock(desktop.platform());
    EXPECT_EQ(
        PinnedApps::paths(prefs),
        (QStringList{"/Applications/Notes.app", "/Applications/Mail.app", "/Applications/Notes.app",
                     "/Users/me/Downloads", "/Users/me/Documents"}));
    // Removing an app the Dock held twice takes both.
    PinnedApps::remove(prefs, file("/Applications/Notes.app"));
    EXPECT_EQ(
        PinnedApps::paths(prefs),
        (QStringList{"/Applications/Mail.app", "/Users/me/Downloads", "/Users/me/Documents"}));
    // An empty or unreadable Dock leaves an empty list.
    for (const QJsonValue& dock : {QJsonValue(QJsonValue::Undefined), QJsonValue("garbage")}) {
        prefs.setValue(AppSource::dockDomain, "persistent-apps", dock);
        prefs.setValue(AppSource::dockDomain, "persistent-others", dock);
        PinnedApps::importFromDock(desktop.platform());
        EXPECT_EQ(stored(), QJsonArray());
    }
}

}  // namespace
}  // namespace tandri
