// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include "platform/common/localfiles.h"
#include "support/filetree.h"

namespace tandri {
namespace {

using test::fileContents;
using test::fileTree;
using test::present;
using test::writeFile;
using Tree = std::map<std::string, std::string>;

struct stat status(const QString& path) {
    struct stat info {};
    EXPECT_EQ(lstat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
    return info;
}

void symlinkTo(const QString& target, const QString& link) {
    ASSERT_EQ(symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()),
              0);
}

// The listing's paths; "<none>" when there is no listing.
QStringList paths(const std::optional<std::vector<DirectoryItem>>& items) {
    QStringList result = items ? QStringList() : QStringList{"<none>"};
    for (const DirectoryItem& item : items.value_or(std::vector<DirectoryItem>{}))
        result << item.path;
    return result;
}

// A small tree: files with contents, a subfolder, an empty folder and a relative link.
void makeTree(const QString& root) {
    ASSERT_TRUE(QDir().mkpath(root + "/sub/empty"));
    writeFile(root + "/a.txt", "alpha");
    writeFile(root + "/sub/b.bin", QByteArray(200000, 'b'));
    symlinkTo("a.txt", root + "/link");
}

// What makeTree leaves.
const Tree& treeShape() {
    static const Tree shape = [] {
        QTemporaryDir model;
        makeTree(model.path());
        return fileTree(model.path());
    }();
    return shape;
}

class LocalFilesTest : public ::testing::Test {
protected:
    void TearDown() override {
        // Read-only folders made by a test would stop the temporary folder's removal.
        QDirIterator it(temp.path(), QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) chmod(QFile::encodeName(it.next()).constData(), 0700);
    }
    QString path(const QString& name) const { return temp.path() + u'/' + name; }

    QTemporaryDir temp;
    LocalFiles files;
};

TEST_F(LocalFilesTest, ListsVisibleItemsInListingOrderWithoutDescending) {
    for (const char* name : {"zeta", "alpha", "Mid", "beta.txt", ".hidden", "._resource"}) {
        writeFile(path(name), {});
    }
    writeFile(path("sub/inner"), {});
    ASSERT_TRUE(QDir().mkdir(path(".config")));

    // The order the file system lists, not sorted by name.
    QStringList expected;
    QDirIterator it(temp.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    while (it.hasNext()) {
        const QString found = it.next();
        if (!it.fileName().startsWith('.'))
            expected << found;
    }
    EXPECT_EQ(paths(files.list(temp.path())), expected);
    EXPECT_EQ(expected.size(), 5);
}

TEST_F(LocalFilesTest, PathsAreAbsoluteAndClean) {
    writeFile(path("a"), {});
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(temp.path()));
    const QString current = QDir::currentPath();
    const auto relative = files.list(".");
    const auto trailing = files.list(temp.path() + "/./");
    ASSERT_TRUE(QDir::setCurrent(saved));
    EXPECT_EQ(paths(relative), QStringList{current + "/a"});
    EXPECT_EQ(paths(trailing), QStringList{temp.path() + "/a"});
}

TEST_F(LocalFilesTest, ExistsIsDirectoryAndOnlyFoldersThatCanBeListedGiveAListing) {
    writeFile(path("file"), {});
    ASSERT_TRUE(QDir().mkdir(path("folder")));
    for (const auto& [name, exists, folder] : {std::tuple{"file", true, false},
                                               {"folder", true, true},
                                               {"missing", false, false},
                                               {"", false, false}}) {
        const QString at = *name ? path(name) : QString();
        EXPECT_EQ(files.exists(at), exists) << name;
        EXPECT_EQ(files.isDirectory(at), folder) << name;
        EXPECT_EQ(files.list(at).has_value(), folder) << name;
    }
    EXPECT_TRUE(files.list(path("folder"))->empty());

    if (geteuid() == 0)
        return;  // root lists any folder
    ASSERT_TRUE(QFile::setPermissions(path("folder"), QFileDevice::Permissions{}));
    EXPECT_EQ(files.list(path("folder")), std::nullopt);
}

TEST_F(LocalFilesTest, DatesAreTheModificationAndTheArrivalInTheFolder) {
    writeFile(path("old"), {});
    test::setModified(path("old"), 1500000000, 250000000);
    const double beforeMove = static_cast<double>(QDateTime::currentSecsSinceEpoch()) - 1.0;
    ASSERT_TRUE(QDir().mkdir(path("inbox")));
    ASSERT_TRUE(QFile::rename(path("old"), path("inbox/old")));

    const auto items = files.list(path("inbox"));
    ASSERT_EQ(items.value_or(std::vector<DirectoryItem>{}).size(), 1u);
    const DirectoryItem& item = items->front();
    EXPECT_NEAR(item.contentModified.value_or(0), 1500000000.25, 1e-6);
    EXPECT_GE(item.dateAdded.value_or(0), beforeMove) << "moving it in counts as its arrival";
    EXPECT_LT(item.dateAdded.value_or(0), beforeMove + 60.0);
}

TEST_F(LocalFilesTest, VolumeIsTheItemsOwnDevice) {
    writeFile(path("one"), {});
    writeFile(path("two"), {});
    const auto one = files.volumeID(path("one"));
    ASSERT_TRUE(one.has_value());
    EXPECT_EQ(files.volumeID(path("two")), one);
    EXPECT_EQ(files.volumeID(temp.path()), one);
    EXPECT_EQ(files.volumeID(path("missing")), std::nullopt);
    EXPECT_EQ(files.volumeID(""), std::nullopt);
    symlinkTo(path("missing"), path("dangling"));
    EXPECT_EQ(files.volumeID(path("dangling")), one) << "the link itself is on the volume";

    const auto elsewhere = test::folderOnAnotherFileSystem(temp.path());
    if (!elsewhere)
        GTEST_SKIP() << "no second file system to write to";
    writeFile(elsewhere->path() + "/file", {});
    const auto other = files.volumeID(elsewhere->path() + "/file");
    ASSERT_TRUE(other.has_value());
    EXPECT_NE(other, one);
    symlinkTo(elsewhere->path() + "/file", path("to-shm"));
    EXPECT_EQ(files.volumeID(path("to-shm")), one) << "a final link is not followed";

    // Across volumes a move fails and leaves the item where it was; a copy is the way there.
    EXPECT_FALSE(files.move(path("one"), elsewhere->path() + "/one"));
    EXPECT_TRUE(present(path("one")));
    EXPECT_FALSE(present(elsewhere->path() + "/one"));
    EXPECT_TRUE(files.copy(path("one"), elsewhere->path() + "/one"));
    EXPECT_TRUE(present(elsewhere->path() + "/one"));
}

TEST_F(LocalFilesTest, MovesFilesFoldersAndLinks) {
    writeFile(path("report.pdf"), "report");
    makeTree(path("tree"));
    symlinkTo("report.pdf", path("shortcut"));
    ASSERT_TRUE(QDir().mkdir(path("into")));

    EXPECT_TRUE(files.move(path("report.pdf"), path("into/report.pdf")));
    EXPECT_TRUE(files.move(path("tree"), path("into/tree")));
    EXPECT_TRUE(files.move(path("shortcut"), path("into/shortcut")));

    EXPECT_EQ(fileTree(temp.path()).size(), 1u + 3u + treeShape().size()) << "only into/ is left";
    EXPECT_EQ(fileTree(path("into/tree")), treeShape());
    EXPECT_EQ(fileContents(path("into/shortcut")), "report") << "the relative link resolves again";
    EXPECT_TRUE(S_ISLNK(status(path("into/shortcut")).st_mode));
}

// Every refused move or copy leaves every item as it was and makes nothing.
TEST_F(LocalFilesTest, RefusedMovesAndCopiesChangeNothing) {
    writeFile(path("new"), "new");
    writeFile(path("old"), "old");
    makeTree(path("tree"));
    ASSERT_TRUE(QDir().mkdir(path("emptyFolder")));
    writeFile(path("existing/keep"), "keep");
    symlinkTo(path("nowhere"), path("dangling"));
    // A socket cannot be copied, whoever asks: a copy of its folder fails midway even for root.
    makeTree(path("mixed"));
    test::makeSocket(path("mixed/sub/socket"));
    const Tree before = fileTree(temp.path(), true);

    const struct {
        bool move;
        const char* from;
        const char* to;
    } cases[] = {
        // Nothing is replaced, not even an empty folder, which a plain rename would replace,
        // nor a dangling link, which is something the user put there too.
        {true, "new", "old"},
        {true, "tree", "emptyFolder"},
        {true, "new", "new"},
        {false, "new", "old"},
        {false, "tree", "existing"},
        {false, "new", "dangling"},
        {true, "missing", "target"},
        {true, "new", "no-such-folder/new"},
        {true, "", "target"},
        {true, "new", ""},
        {false, "missing", "copy"},
        {false, "", "copy"},
        // Not into itself.
        {true, "tree", "tree/inside"},
        {false, "tree", "tree/copy"},
        {false, "tree", "tree/sub/copy"},
        {false, "mixed", "copy"},
        {false, "mixed/sub/socket", "socket copy"},
    };
    for (const auto& c : cases) {
        const QString from = *c.from ? path(c.from) : QString();
        const QString to = *c.to ? path(c.to) : QString();
        EXPECT_FALSE(c.move ? files.move(from, to) : files.copy(from, to))
            << (c.move ? "move " : "copy ") << c.from << " to " << c.to;
    }
    EXPECT_EQ(fileTree(temp.path(), true), before);

    // A sibling whose name merely starts the same is not inside.
    ASSERT_TRUE(QDir().mkdir(path("tree2")));
    EXPECT_TRUE(files.copy(path("tree"), path("tree2/copy")));
    EXPECT_EQ(fileTree(path("tree2/copy")), treeShape());
}

TEST_F(LocalFilesTest, AnUnreadableFileFailsTheWholeCopy) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads files whatever their permissions";
    makeTree(path("tree"));
    writeFile(path("tree/sub/secret"), "secret");
    ASSERT_EQ(chmod(QFile::encodeName(path("tree/sub/secret")).constData(), 0), 0);
    const Tree before = fileTree(temp.path(), true);
    EXPECT_FALSE(files.copy(path("tree"), path("copy")));
    EXPECT_FALSE(files.copy(path("tree/sub/secret"), path("secret copy")));
    EXPECT_EQ(fileTree(temp.path(), true), before);
}

TEST_F(LocalFilesTest, CopiesFilesAndLinksAsTheyAre) {
    writeFile(path("script.sh"), "#!/bin/sh\n");
    ASSERT_EQ(chmod(QFile::encodeName(path("script.sh")).constData(), 0751), 0);
    test::setModified(path("script.sh"), 1500000000, 250000000);
    writeFile(path("empty"), {});
    symlinkTo("script.sh", path("link"));
    symlinkTo("nowhere", path("dangling"));
    for (const char* name : {"script.sh", "empty", "link", "dangling"})
        ASSERT_TRUE(files.copy(path(name), path(name) + " copy")) << name;

    // Each copy is its original again: contents, link target, permissions and date.
    const Tree copied = fileTree(temp.path(), true);
    for (const char* name : {"script.sh", "empty", "link", "dangling"})
        EXPECT_EQ(copied.at(name + std::string(" copy")), copied.at(name));
    EXPECT_EQ(copied.at("link copy").substr(0, 13), "-> script.sh ") << "a link stays a link";
}

TEST_F(LocalFilesTest, CopiesFoldersWholeWithTheirPermissionsAndDates) {
    makeTree(path("tree"));
    ASSERT_EQ(chmod(QFile::encodeName(path("tree/sub")).constData(), 0750), 0);
    // A read-only folder can only be filled before it gets its permissions.
    writeFile(path("tree/locked/inner"), "inner");
    ASSERT_EQ(chmod(QFile::encodeName(path("tree/locked")).constData(), 0555), 0);
    test::setModified(path("tree/link"), 1400000000);
    test::setModified(path("tree/sub"), 1300000000);
    test::setModified(path("tree"), 1200000000);
    const Tree tree = fileTree(path("tree"), true);

    ASSERT_TRUE(files.copy(path("tree"), path("copy")));
    EXPECT_EQ(fileTree(path("copy"), true), tree);
    EXPECT_EQ(fileTree(path("tree"), true), tree);
    EXPECT_EQ(status(path("copy")).st_mtim.tv_sec, 1200000000) << "set after its contents";
}

}  // namespace
}  // namespace tandri
