#include <gtest/gtest.h>

#include <QStringList>

#include "catalogue/appsource.h"
#include "dockjson.h"
#include "platform/preferences.h"
#include "support/testdesktop.h"

namespace tandri {
namespace {

using test::appTile;
using test::folderTile;

QStringList tileNames(const std::vector<AppSource::DockTile>& tiles) {
    QStringList list;
    for (const auto& tile : tiles) list << tile.name;
    return list;
}

QStringList paths(const std::vector<QUrl>& urls) {
    QStringList list;
    for (const auto& url : urls) list << url.toLocalFile();
    return list;
}

class DockTilesTest : public ::testing::Test {
protected:
    test::TestDesktop desktop{R"({"bundles": {"com.example.mail": "/Applications/Mail.app"}})"};

    std::vector<AppSource::DockTile> tilesOf(const QJsonValue& persistentApps) {
        desktop.preferences().setValue(AppSource::dockDomain, "persistent-apps", persistentApps);
        return AppSource::dockTiles(desktop.preferences(), desktop.platform().workspace);
    }
    std::vector<QUrl> foldersOf(const QJsonValue& persistentOthers) {
        desktop.preferences().setValue(AppSource::dockDomain, "persistent-others",
                                       persistentOthers);
        return AppSource::dockFolders(desktop.preferences());
    }
};

TEST_F(DockTilesTest, ReadsTilesInDockOrder) {
    const auto tiles = tilesOf(QJsonArray{
        appTile("file:///Applications/Mail.app/", "com.example.mail", "Post"),
        appTile("file:///Applications/Big%20Editor.app/"),
        appTile("file:///Applications/Empty.app/", std::nullopt, ""),
    });
    ASSERT_EQ(tiles.size(), 3u);
    EXPECT_EQ(tileNames(tiles), (QStringList{"Post", "Big Editor", ""}));
    EXPECT_EQ(tiles[0].bundleID, "com.example.mail");
    EXPECT_EQ(tiles[0].url, QUrl("file:///Applications/Mail.app/"));
    EXPECT_FALSE(tiles[1].bundleID.has_value());
    EXPECT_EQ(tiles[1].url.toLocalFile(), "/Applications/Big Editor.app/");
}

TEST_F(DockTilesTest, MissingOrMalformedListReadsAsNoTiles) {
    EXPECT_TRUE(AppSource::dockTiles(desktop.preferences(), desktop.platform().workspace).empty());
    EXPECT_TRUE(tilesOf(QJsonValue("persistent")).empty());
    EXPECT_TRUE(tilesOf(QJsonObject{{"tile-data", QJsonObject{}}}).empty());
    // One element that is not a dictionary spoils the whole list.
    EXPECT_TRUE(tilesOf(QJsonArray{appTile("file:///Applications/Mail.app/"), 5}).empty());
}

TEST_F(DockTilesTest, RegisteredDefaultsAreRead) {
    test::TestDesktop withDefaults(R"({"defaults": {"com.apple.dock": {"persistent-apps": [
        {"tile-data": {"file-label": "Mail",
                       "file-data": {"_CFURLString": "file:///Applications/Mail.app/"}}}
    ]}}})");
    EXPECT_EQ(tileNames(AppSource::dockTiles(withDefaults.preferences(),
                                             withDefaults.platform().workspace)),
              QStringList{"Mail"});
}

TEST_F(DockTilesTest, MalformedTilesAreSkipped) {
    QJsonObject noTileData{{"tile-type", "file-tile"}};
    QJsonObject tileDataNotDict{{"tile-data", "Mail"}};
    QJsonObject fileDataNotDict = appTile(std::nullopt, std::nullopt, "X");
    QJsonObject tileData = fileDataNotDict["tile-data"].toObject();
    tileData.insert("file-data", "file:///Applications/X.app/");
    fileDataNotDict.insert("tile-data", tileData);
    QJsonObject urlNotString = appTile(std::nullopt);
    urlNotString.insert("tile-data", QJsonObject{{"file-data", QJsonObject{{"_CFURLString", 4}}}});

    const auto tiles = tilesOf(QJsonArray{noTileData, tileDataNotDict, fileDataNotDict,
                                          urlNotString, appTile("file:///Applications/Ok.app")});
    EXPECT_EQ(tileNames(tiles), QStringList{"Ok"});
}

TEST_F(DockTilesTest, UnreadableURLFallsBackToTheIdentifier) {
    QJsonObject labelNotString = appTile(std::nullopt, "com.example.mail");
    QJsonObject data = labelNotString["tile-data"].toObject();
    data.insert("file-label", 12);
    labelNotString.insert("tile-data", data);
    QJsonObject identifierNotString = appTile("file:///Applications/Calc.app/");
    data = identifierNotString["tile-data"].toObject();
    data.insert("bundle-identifier", true);
    identifierNotString.insert("tile-data", data);

    const auto tiles = tilesOf(QJsonArray{
        // No file-data at all, and a string the URL parser rejects: both found by identifier.
        appTile(std::nullopt, "com.example.mail", "Mail"),
        appTile("file:///Applications/My Mail.app/", "com.example.mail", "Spaced"),
        // Unknown identifiers, or none, leave the tile out.
        appTile(std::nullopt, "com.example.unknown", "Unknown"),
        appTile("file:///Applications/My Mail.app/", std::nullopt, "Rejected"),
        labelNotString,
        identifierNotString,
    });
    EXPECT_EQ(tileNames(tiles), (QStringList{"Mail", "Spaced", "Mail", "Calc"}));
    EXPECT_EQ(tiles[0].url, QUrl::fromLocalFile("/Applications/Mail.app"));
    EXPECT_EQ(tiles[1].url, QUrl::fromLocalFile("/Applications/Mail.app"));
    EXPECT_FALSE(tiles[3].bundleID.has_value());
}

TEST_F(DockTilesTest, URLsThatAreNotFilesAreSkipped) {
    const auto tiles = tilesOf(QJsonArray{
        appTile("https://example.com/Mail.app", "com.example.mail", "Web"),
        // A bare path parses as a relative URL: not a file URL, and no second chance.
        appTile("/Applications/Mail.app", "com.example.mail", "Bare"),
        appTile("file:///Applications/Mail.app/", "com.example.mail", "File"),
    });
    EXPECT_EQ(tileNames(tiles), QStringList{"File"});
}

TEST_F(DockTilesTest, FolderTilesNeedTheDirectoryTypeAndAFileURL) {
    QJsonObject wrongType = folderTile("file:///Users/me/Documents/");
    wrongType.insert("tile-type", "url-tile");
    QJsonObject noType = folderTile("file:///Users/me/Music/");
    noType.remove("tile-type");
    QJsonObject urlNotString = folderTile("");
    urlNotString.insert("tile-data", QJsonObject{{"file-data", QJsonObject{{"_CFURLString", 1}}}});
    QJsonObject fileDataMissing = folderTile("");
    fileDataMissing.insert("tile-data", QJsonObject{{"file-label", "Pictures"}});
    QJsonObject tileDataNotDict = folderTile("");
    tileDataNotDict.insert("tile-data", QJsonArray{});

    const auto folders = foldersOf(QJsonArray{
        folderTile("file:///Users/me/Downloads/"),
        wrongType,
        noType,
        urlNotString,
        fileDataMissing,
        tileDataNotDict,
        folderTile("https://example.com/share/"),
        folderTile("/Users/me/Projects"),
        folderTile("Projects"),
        // Rejected by the URL parser (a space), so taken as a plain path.
        folderTile("/Users/me/My Folder"),
        folderTile("file:///Users/me/Work%20Files/"),
    });
    EXPECT_EQ(paths(folders), (QStringList{"/Users/me/Downloads/", "/Users/me/My Folder",
                                           "/Users/me/Work Files/"}));
}

TEST_F(DockTilesTest, MalformedFolderListReadsAsNoFolders) {
    EXPECT_TRUE(AppSource::dockFolders(desktop.preferences()).empty());
    EXPECT_TRUE(foldersOf(QJsonValue(3)).empty());
    EXPECT_TRUE(foldersOf(QJsonArray{folderTile("file:///Users/me/Downloads/"), "x"}).empty());
}

}  // namespace
}  // namespace tandri
