#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include "platform/common/localfiles.h"

namespace tandri {
namespace {

void touch(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

QStringList paths(const std::vector<DirectoryItem>& items) {
    QStringList result;
    for (const DirectoryItem& item : items) result << item.path;
    return result;
}

class LocalFilesTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return temp.path() + u'/' + name; }

    QTemporaryDir temp;
    LocalFiles files;
};

TEST_F(LocalFilesTest, ExistsAndIsDirectory) {
    touch(path("file"));
    ASSERT_TRUE(QDir().mkdir(path("folder")));
    EXPECT_TRUE(files.exists(path("file")));
    EXPECT_TRUE(files.exists(path("folder")));
    EXPECT_FALSE(files.exists(path("missing")));
    EXPECT_FALSE(files.exists(""));
    EXPECT_TRUE(files.isDirectory(path("folder")));
    EXPECT_FALSE(files.isDirectory(path("file")));
    EXPECT_FALSE(files.isDirectory(path("missing")));
}

TEST_F(LocalFilesTest, ListsVisibleItemsInListingOrderWithoutDescending) {
    for (const char* name : {"zeta", "alpha", "Mid", "beta.txt", ".hidden", "._resource"}) {
        touch(path(name));
    }
    ASSERT_TRUE(QDir().mkdir(path("sub")));
    touch(path("sub/inner"));
    ASSERT_TRUE(QDir().mkdir(path(".config")));

    const auto items = files.list(temp.path());
    ASSERT_TRUE(items.has_value());
    // The order the file system lists, not sorted by name.
    QStringList expected;
    QDirIterator it(temp.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    while (it.hasNext()) {
        const QString found = it.next();
        if (!it.fileName().startsWith('.'))
            expected << found;
    }
    EXPECT_EQ(paths(*items), expected);
    EXPECT_EQ(items->size(), 5u);
    EXPECT_FALSE(paths(*items).contains(path("sub/inner")));
}

TEST_F(LocalFilesTest, PathsAreAbsoluteAndClean) {
    touch(path("a"));
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(temp.path()));
    const QString current = QDir::currentPath();
    const auto relative = files.list(".");
    const auto trailing = files.list(temp.path() + "/./");
    ASSERT_TRUE(QDir::setCurrent(saved));
    ASSERT_TRUE(relative.has_value());
    ASSERT_TRUE(trailing.has_value());
    EXPECT_EQ(paths(*relative), QStringList{current + "/a"});
    EXPECT_EQ(paths(*trailing), QStringList{temp.path() + "/a"});
}

TEST_F(LocalFilesTest, FoldersThatCannotBeListedGiveNothing) {
    touch(path("file"));
    ASSERT_TRUE(QDir().mkdir(path("empty")));
    EXPECT_EQ(files.list(path("missing")), std::nullopt);
    EXPECT_EQ(files.list(path("file")), std::nullopt);
    EXPECT_EQ(files.list(""), std::nullopt);
    const auto empty = files.list(path("empty"));
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->empty());

    if (geteuid() == 0)
        return;  // root lists any folder
    ASSERT_TRUE(QDir().mkdir(path("closed")));
    ASSERT_TRUE(QFile::setPermissions(path("closed"), QFileDevice::Permissions{}));
    EXPECT_EQ(files.list(path("closed")), std::nullopt);
    QFile::setPermissions(path("closed"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(LocalFilesTest, DatesAreTheModificationAndTheArrivalInTheFolder) {
    ASSERT_TRUE(QDir().mkdir(path("inbox")));
    touch(path("old"));
    const struct timespec times[2] = {{1500000000, 0}, {1500000000, 250000000}};
    ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(path("old")).constData(), times, 0), 0);
    const double beforeMove = static_cast<double>(QDateTime::currentSecsSinceEpoch()) - 1.0;
    ASSERT_TRUE(QFile::rename(path("old"), path("inbox/old")));

    const auto items = files.list(path("inbox"));
    ASSERT_TRUE(items.has_value());
    ASSERT_EQ(items->size(), 1u);
    const DirectoryItem& item = items->front();
    ASSERT_TRUE(item.contentModified.has_value());
    ASSERT_TRUE(item.dateAdded.has_value());
    EXPECT_NEAR(*item.contentModified, 1500000000.25, 1e-6);
    EXPECT_GE(*item.dateAdded, beforeMove) << "moving it in counts as its arrival";
    EXPECT_LT(*item.dateAdded, beforeMove + 60.0);
}

}  // namespace
}  // namespace tandri
