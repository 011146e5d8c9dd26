// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QStringList>

#include "catalogue/appsource.h"
#include "dockjson.h"
#include "platform/preferences.h"
#include "support/testdesktop.h"

namespace tandri {
namespace {

using test::appTile;
using test::folderTile;

QJsonValue json(const char* text) {
    return QJsonDocument::fromJson(QByteArray("[") + text + "]").array().at(0);
}

class DockTilesTest : public ::testing::Test {
protected:
    test::TestDesktop desktop{R"({"bundles": {"com.example.mail": "/Applications/Mail.app"}})"};
    /// The app tiles read from `persistentApps`, each as "label | location | identifier".
    QStringList tiles(const QJsonValue& persistentApps) {
        desktop.preferences().setValue(AppSource::dockDomain, "persistent-apps", persistentApps);
        QStringList list;
        for (const auto& tile :
             AppSource::dockTiles(desktop.preferences(), desktop.platform().workspace))
            list << tile.name + " | " + tile.url.toString() + " | " + tile.bundleID.value_or("-");
        return list;
    }
    QStringList folders(const QJsonValue& persistentOthers) {
        desktop.preferences().setValue(AppSource::dockDomain, "persistent-others",
                                       persistentOthers);
        QStringList list;
        for (const QUrl& url : AppSource::dockFolders(desktop.preferences()))
            list << url.toLocalFile();
        return list;
    }
};

TEST_F(DockTilesTest, ReadsTilesInDockOrderAndSkipsTheUnreadableOnes) {
    EXPECT_EQ(
        tiles(QJsonArray{
            appTile("file:///Applications/Mail.app/", "com.example.mail", "Post"),
            appTile("file:///Applications/Big%20Editor.app/"),
            appTile("file:///Applications/Empty.app/", std::nullopt, ""),
            json(R"({"tile-type": "file-tile"})"), json(R"({"tile-data": "Mail"})"),
            json(R"({"tile-data": {"file-label": "X",
                                   "file-data": "file:///Applications/X.app/"}})"),
            json(R"({"tile-data": {"file-data": {"_CFURLString": 4}}})"),
            // No file data at all, and a string the URL parser rejects: both found by identifier.
            appTile(std::nullopt, "com.example.mail", "Mail"),
            appTile("file:///Applications/My Mail.app/", "com.example.mail", "Spaced"),
            // Unknown identifiers, or none, leave the tile out.
            appTile(std::nullopt, "com.example.unknown", "Unknown"),
            appTile("file:///Applications/My Mail.app/", std::nullopt, "Rejected"),
            json(R"({"tile-data": {"bundle-identifier": "com.example.mail", "file-label": 12}})"),
            json(R"({"tile-data": {"bundle-identifier": true, "file-data":
                                   {"_CFURLString": "file:///Applications/Calc.app/"}}})"),
            // URLs that are not files; a bare path parses as a relative URL and has no second
            // chance.
            appTile("https://example.com/Mail.app", "com.example.mail", "Web"),
            appTile("/Applications/Mail.app", "com.example.mail", "Bare")}),
        (QStringList{"Post | file:///Applications/Mail.app/ | com.example.mail",
                     "Big Editor | file:///Applications/Big Editor.app/ | -",
                     " | file:///Applications/Empty.app/ | -",
                     "Mail | file:///Applications/Mail.app | com.example.mail",
                     "Spaced | file:///Applications/Mail.app | com.example.mail",
                     "Mail | file:///Applications/Mail.app | com.example.mail",
                     "Calc | file:///Applications/Calc.app/ | -"}));
}

TEST_F(DockTilesTest, AMissingOrMalformedListReadsAsNoTiles) {
    EXPECT_TRUE(AppSource::dockTiles(desktop.preferences(), desktop.platform().workspace).empty());
    EXPECT_TRUE(AppSource::dockFolders(desktop.preferences()).empty());
    for (const char* list :
         {R"("persistent")", R"({"tile-data": {}})", "3",
          // One element that is not a dictionary spoils the whole list.
          R"([{"tile-data": {"file-data": {"_CFURLString": "file:///a/"}}}, 5])"}) {
        EXPECT_TRUE(tiles(json(list)).isEmpty()) << list;
        EXPECT_TRUE(folders(json(list)).isEmpty()) << list;
    }

    test::TestDesktop withDefaults(R"({"defaults": {"com.apple.dock": {"persistent-apps": [
        {"tile-data": {"file-label": "Mail",
                       "file-data": {"_CFURLString": "file:///Applications/Mail.app/"}}}
    ]}}})");
    const auto registered =
        AppSource::dockTiles(withDefaults.preferences(), withDefaults.platform().workspace);
    ASSERT_EQ(registered.size(), 1u);
    EXPECT_EQ(registered[0].name, "Mail");
}

TEST_F(DockTilesTest, FolderTilesNeedTheDirectoryTypeAndAFileURL) {
    EXPECT_EQ(
        folders(QJsonArray{
            folderTile("file:///Users/me/Downloads/"),
            json(R"({"tile-type": "url-tile", "tile-data":
                     {"file-data": {"_CFURLString": "file:///Users/me/Documents/"}}})"),
            json(R"({"tile-data": {"file-data": {"_CFURLString": "file:///Users/me/Music/"}}})"),
            json(R"({"tile-type": "directory-tile",
                     "tile-data": {"file-data": {"_CFURLString": 1}}})"),
            json(R"({"tile-type": "directory-tile", "tile-data": {"file-label": "Pictures"}})"),
            json(R"({"tile-type": "directory-tile", "tile-data": []})"),
            folderTile("https://example.com/share/"), folderTile("/Users/me/Projects"),
            folderTile("Projects"),
            // Rejected by the URL parser (a space), so taken as a plain path.
            folderTile("/Users/me/My Folder"), folderTile("file:///Users/me/Work%20Files/")}),
        (QStringList{"/Users/me/Downloads/", "/Users/me/My Folder", "/Users/me/Work Files/"}));
}

}  // namespace
}  // namespace tandri
