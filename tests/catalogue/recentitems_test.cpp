// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QStringList>

#include <map>

#include "catalogue/appsource.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "support/testdesktop.h"

namespace tandri {
namespace {

// A file system whose listings and dates the test writes down exactly.
class ListedFiles : public Files {
public:
    std::map<QString, std::vector<DirectoryItem>> folders;

    bool exists(const QString& path) const override { return folders.contains(path); }
    bool isDirectory(const QString& path) const override { return folders.contains(path); }
    std::optional<std::vector<DirectoryItem>> list(const QString& folder) const override {
        auto found = folders.find(folder);
        if (found == folders.end())
            return std::nullopt;
        return found->second;
    }
    // Listing is all these tests need; nothing is ever moved.
    std::optional<quint64> volumeID(const QString&) const override { return std::nullopt; }
    bool move(const QString&, const QString&) override { return false; }
    bool copy(const QString&, const QString&) override { return false; }
};

const QString downloads = QStringLiteral("/home/u/Downloads");

QStringList names(const std::vector<QUrl>& urls) {
    QStringList list;
    for (const auto& url : urls) list << url.fileName();
    return list;
}

DirectoryItem item(const QString& name, std::optional<double> added,
                   std::optional<double> modified = std::nullopt) {
    return DirectoryItem{downloads + "/" + name, added, modified};
}

TEST(RecentItems, AtMostTheLimitNewestFirstByDateAddedThenModifiedEqualDatesInListingOrder) {
    ListedFiles files;
    files.folders[downloads] = {item("old.txt", 100),
                                item("undated.txt", std::nullopt),
                                item("modified.txt", std::nullopt, 300),
                                item("added-wins.txt", 200, 900),
                                item("new.txt", 400),
                                item("c", 50),
                                item("a", 50),
                                item("x", std::nullopt),
                                item("b", std::nullopt, 50),
                                item(".DS_Store", 900),
                                item(".config", 800)};
    const auto urls = AppSource::recentItems(files, QUrl::fromLocalFile(downloads), 11);
    // Hidden files never appear.
    EXPECT_EQ(names(urls), (QStringList{"new.txt", "modified.txt", "added-wins.txt", "old.txt", "c",
                                        "a", "b", "undated.txt", "x"}));
    EXPECT_EQ(urls[0], QUrl::fromLocalFile(downloads + "/new.txt"));
    // At most the limit.
    const QUrl folder = QUrl::fromLocalFile(downloads);
    EXPECT_EQ(names(AppSource::recentItems(files, folder, 3)),
              (QStringList{"new.txt", "modified.txt", "added-wins.txt"}));
    EXPECT_EQ(AppSource::recentItems(files, folder, 40).size(), 9u);
    EXPECT_TRUE(AppSource::recentItems(files, folder, 0).empty());
    EXPECT_TRUE(AppSource::recentItems(files, folder, -1).empty());
}

TEST(RecentItems, OnTheRealFileSystem) {
    test::TestDesktop desktop;
    desktop.makeFile("Folder/.hidden", "x");
    const QString file = desktop.makeFile("Folder/shown.txt", "x");
    desktop.makeFolder("Folder/.git");
    const Files& files = desktop.platform().files;
    EXPECT_EQ(names(AppSource::recentItems(files, QUrl::fromLocalFile(desktop.path("Folder")), 11)),
              QStringList{"shown.txt"});
    // A folder that cannot be listed, an empty one, or a file: nothing.
    ListedFiles listed;
    listed.folders["/empty"] = {};
    EXPECT_TRUE(AppSource::recentItems(listed, QUrl::fromLocalFile("/missing"), 11).empty());
    EXPECT_TRUE(AppSource::recentItems(listed, QUrl::fromLocalFile("/empty"), 11).empty());
    EXPECT_TRUE(AppSource::recentItems(files, QUrl::fromLocalFile(file), 11).empty());
}

}  // namespace
}  // namespace tandri
