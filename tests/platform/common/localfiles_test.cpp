#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>

#include "platform/common/localfiles.h"
#include "support/testfiles.h"

namespace tandri {
namespace {

void touch(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

struct stat status(const QString& path) {
    struct stat info {};
    EXPECT_EQ(lstat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
    return info;
}

void setModificationTime(const QString& path, time_t seconds, long nanoseconds) {
    const struct timespec times[2] = {{seconds, 0}, {seconds, nanoseconds}};
    ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW),
              0);
}

void symlinkTo(const QString& target, const QString& link) {
    ASSERT_EQ(symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()),
              0);
}

bool present(const QString& path) {
    struct stat info {};
    return lstat(QFile::encodeName(path).constData(), &info) == 0;
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

// Tree operations: what they leave behind matters as much as what they return.
class LocalFilesTransferTest : public LocalFilesTest {
protected:
    void TearDown() override {
        // Read-only folders made by a test would stop the temporary folder's removal.
        QDirIterator it(temp.path(), QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) chmod(QFile::encodeName(it.next()).constData(), 0700);
    }

    // A small tree: files with contents, a subfolder, an empty folder and a relative link.
    void makeTree(const QString& root) {
        ASSERT_TRUE(QDir().mkpath(root + "/sub/empty"));
        test::writeFile(root + "/a.txt", "alpha");
        test::writeFile(root + "/sub/b.bin", QByteArray(200000, 'b'));
        symlinkTo("a.txt", root + "/link");
    }

    void expectTree(const QString& root) {
        EXPECT_EQ(test::fileContents(root + "/a.txt"), "alpha");
        EXPECT_EQ(test::fileContents(root + "/sub/b.bin"), QByteArray(200000, 'b'));
        EXPECT_TRUE(QFileInfo(root + "/sub/empty").isDir());
        EXPECT_EQ(QFileInfo(root + "/link").symLinkTarget(), QFileInfo(root + "/a.txt").filePath());
        EXPECT_TRUE(S_ISLNK(status(root + "/link").st_mode)) << "links stay links";
    }
};

TEST_F(LocalFilesTransferTest, VolumeIsTheItemsOwnDevice) {
    touch(path("one"));
    touch(path("two"));
    const auto one = files.volumeID(path("one"));
    ASSERT_TRUE(one.has_value());
    EXPECT_EQ(files.volumeID(path("two")), one);
    EXPECT_EQ(files.volumeID(temp.path()), one);
    EXPECT_EQ(files.volumeID(path("missing")), std::nullopt);
    EXPECT_EQ(files.volumeID(""), std::nullopt);
    symlinkTo(path("missing"), path("dangling"));
    EXPECT_EQ(files.volumeID(path("dangling")), one) << "the link itself is on the volume";

    struct stat shm {};
    if (stat("/dev/shm", &shm) != 0 || static_cast<quint64>(shm.st_dev) == *one)
        GTEST_SKIP() << "no /dev/shm on another device than " << temp.path().toStdString();
    QTemporaryDir elsewhere("/dev/shm/tandri-test-XXXXXX");
    ASSERT_TRUE(elsewhere.isValid());
    touch(elsewhere.path() + "/file");
    const auto other = files.volumeID(elsewhere.path() + "/file");
    ASSERT_TRUE(other.has_value());
    EXPECT_NE(other, one);
    symlinkTo(elsewhere.path() + "/file", path("to-shm"));
    EXPECT_EQ(files.volumeID(path("to-shm")), one) << "a final link is not followed";

    // Across volumes a move fails and leaves the item where it was; a copy is the way there.
    EXPECT_FALSE(files.move(path("one"), elsewhere.path() + "/one"));
    EXPECT_TRUE(present(path("one")));
    EXPECT_FALSE(present(elsewhere.path() + "/one"));
    EXPECT_TRUE(files.copy(path("one"), elsewhere.path() + "/one"));
    EXPECT_TRUE(present(elsewhere.path() + "/one"));
}

TEST_F(LocalFilesTransferTest, MovesFilesFoldersAndLinks) {
    test::writeFile(path("report.pdf"), "report");
    makeTree(path("tree"));
    symlinkTo("report.pdf", path("shortcut"));
    ASSERT_TRUE(QDir().mkdir(path("into")));

    EXPECT_TRUE(files.move(path("report.pdf"), path("into/report.pdf")));
    EXPECT_TRUE(files.move(path("tree"), path("into/tree")));
    EXPECT_TRUE(files.move(path("shortcut"), path("into/shortcut")));

    EXPECT_FALSE(present(path("report.pdf")));
    EXPECT_FALSE(present(path("tree")));
    EXPECT_EQ(test::fileContents(path("into/report.pdf")), "report");
    expectTree(path("into/tree"));
    EXPECT_TRUE(S_ISLNK(status(path("into/shortcut")).st_mode));
    EXPECT_EQ(test::fileContents(path("into/shortcut")), "report")
        << "the relative link resolves again";
}

TEST_F(LocalFilesTransferTest, MoveNeverReplacesAnything) {
    test::writeFile(path("new"), "new");
    test::writeFile(path("old"), "old");
    EXPECT_FALSE(files.move(path("new"), path("old")));
    EXPECT_EQ(test::fileContents(path("old")), "old");
    EXPECT_EQ(test::fileContents(path("new")), "new");

    // A plain rename would replace an empty folder with the moved one.
    makeTree(path("folder"));
    ASSERT_TRUE(QDir().mkdir(path("emptyFolder")));
    EXPECT_FALSE(files.move(path("folder"), path("emptyFolder")));
    expectTree(path("folder"));
    EXPECT_TRUE(QDir(path("emptyFolder")).isEmpty());

    EXPECT_FALSE(files.move(path("new"), path("new")));
    EXPECT_EQ(test::fileContents(path("new")), "new");
    EXPECT_FALSE(files.move(path("folder"), path("folder/inside")));
    expectTree(path("folder"));
    EXPECT_FALSE(present(path("folder/inside")));
}

TEST_F(LocalFilesTransferTest, MoveFailsForMissingOrEmptyPaths) {
    EXPECT_FALSE(files.move(path("missing"), path("target")));
    EXPECT_FALSE(present(path("target")));
    touch(path("file"));
    EXPECT_FALSE(files.move(path("file"), path("no-such-folder/file")));
    EXPECT_FALSE(files.move("", path("target")));
    EXPECT_FALSE(files.move(path("file"), ""));
    EXPECT_TRUE(present(path("file")));
}

TEST_F(LocalFilesTransferTest, CopiesAFileWithItsPermissionsAndDate) {
    test::writeFile(path("script.sh"), "#!/bin/sh\n");
    ASSERT_EQ(chmod(QFile::encodeName(path("script.sh")).constData(), 0751), 0);
    setModificationTime(path("script.sh"), 1500000000, 250000000);

    ASSERT_TRUE(files.copy(path("script.sh"), path("copy.sh")));
    EXPECT_EQ(test::fileContents(path("copy.sh")), "#!/bin/sh\n");
    EXPECT_EQ(test::fileContents(path("script.sh")), "#!/bin/sh\n") << "the source stays";
    const struct stat copy = status(path("copy.sh"));
    EXPECT_EQ(copy.st_mode & 07777, 0751u);
    EXPECT_EQ(copy.st_mtim.tv_sec, 1500000000);
    EXPECT_EQ(copy.st_mtim.tv_nsec, 250000000);

    touch(path("empty"));
    ASSERT_TRUE(files.copy(path("empty"), path("empty copy")));
    EXPECT_EQ(QFileInfo(path("empty copy")).size(), 0);
}

TEST_F(LocalFilesTransferTest, CopiesFoldersWholeWithTheirPermissionsAndDates) {
    makeTree(path("tree"));
    ASSERT_EQ(chmod(QFile::encodeName(path("tree/sub")).constData(), 0750), 0);
    // A read-only folder can only be filled before it gets its permissions.
    ASSERT_TRUE(QDir().mkdir(path("tree/locked")));
    test::writeFile(path("tree/locked/inner"), "inner");
    ASSERT_EQ(chmod(QFile::encodeName(path("tree/locked")).constData(), 0555), 0);
    setModificationTime(path("tree/link"), 1400000000, 0);
    setModificationTime(path("tree/sub"), 1300000000, 0);
    setModificationTime(path("tree"), 1200000000, 0);

    ASSERT_TRUE(files.copy(path("tree"), path("copy")));
    expectTree(path("copy"));
    expectTree(path("tree"));
    EXPECT_EQ(test::fileContents(path("copy/locked/inner")), "inner");
    EXPECT_EQ(status(path("copy/sub")).st_mode & 07777, 0750u);
    EXPECT_EQ(status(path("copy/locked")).st_mode & 07777, 0555u);
    EXPECT_EQ(status(path("copy/link")).st_mtim.tv_sec, 1400000000);
    EXPECT_EQ(status(path("copy/sub")).st_mtim.tv_sec, 1300000000);
    EXPECT_EQ(status(path("copy")).st_mtim.tv_sec, 1200000000) << "set after its contents";
}

TEST_F(LocalFilesTransferTest, CopiesALinkAsALink) {
    test::writeFile(path("target"), "target");
    symlinkTo(path("target"), path("link"));
    symlinkTo(path("nowhere"), path("dangling"));
    ASSERT_TRUE(files.copy(path("link"), path("link copy")));
    ASSERT_TRUE(files.copy(path("dangling"), path("dangling copy")));
    EXPECT_TRUE(S_ISLNK(status(path("link copy")).st_mode));
    EXPECT_EQ(QFileInfo(path("link copy")).symLinkTarget(), path("target"));
    EXPECT_EQ(QFileInfo(path("dangling copy")).symLinkTarget(), path("nowhere"));
}

TEST_F(LocalFilesTransferTest, CopyNeverReplacesAnything) {
    test::writeFile(path("new"), "new");
    test::writeFile(path("old"), "old");
    EXPECT_FALSE(files.copy(path("new"), path("old")));
    EXPECT_EQ(test::fileContents(path("old")), "old");

    makeTree(path("tree"));
    ASSERT_TRUE(QDir().mkdir(path("existing")));
    test::writeFile(path("existing/keep"), "keep");
    EXPECT_FALSE(files.copy(path("tree"), path("existing")));
    EXPECT_EQ(QDir(path("existing")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"keep"});
    EXPECT_EQ(test::fileContents(path("existing/keep")), "keep");

    // Even a dangling link is something the user put there.
    symlinkTo(path("nowhere"), path("dangling"));
    EXPECT_FALSE(files.copy(path("new"), path("dangling")));
    EXPECT_FALSE(present(path("nowhere")));
}

TEST_F(LocalFilesTransferTest, CopyFailsForMissingSourcesAndIntoItself) {
    EXPECT_FALSE(files.copy(path("missing"), path("copy")));
    EXPECT_FALSE(present(path("copy")));
    EXPECT_FALSE(files.copy("", path("copy")));

    makeTree(path("tree"));
    EXPECT_FALSE(files.copy(path("tree"), path("tree/copy")));
    EXPECT_FALSE(files.copy(path("tree"), path("tree/sub/copy")));
    EXPECT_FALSE(present(path("tree/copy")));
    EXPECT_FALSE(present(path("tree/sub/copy")));
    // A sibling whose name merely starts the same is not inside.
    ASSERT_TRUE(QDir().mkdir(path("tree2")));
    EXPECT_TRUE(files.copy(path("tree"), path("tree2/copy")));
    expectTree(path("tree2/copy"));
}

TEST_F(LocalFilesTransferTest, ACopyThatFailsMidwayLeavesNothingBehind) {
    makeTree(path("tree"));
    // A socket cannot be copied, whoever asks: the copy fails even for root.
    const int socketFd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(socketFd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = QFile::encodeName(path("tree/sub/socket"));
    ASSERT_LT(static_cast<size_t>(socketPath.size()), sizeof(address.sun_path));
    std::memcpy(address.sun_path, socketPath.constData(), static_cast<size_t>(socketPath.size()));
    ASSERT_EQ(bind(socketFd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    close(socketFd);

    EXPECT_FALSE(files.copy(path("tree"), path("copy")));
    EXPECT_FALSE(present(path("copy")));
    expectTree(path("tree"));
    EXPECT_FALSE(files.copy(path("tree/sub/socket"), path("socket copy")));
    EXPECT_FALSE(present(path("socket copy")));
}

TEST_F(LocalFilesTransferTest, AnUnreadableFileFailsTheWholeCopy) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads files whatever their permissions";
    makeTree(path("tree"));
    test::writeFile(path("tree/sub/secret"), "secret");
    ASSERT_EQ(chmod(QFile::encodeName(path("tree/sub/secret")).constData(), 0), 0);
    EXPECT_FALSE(files.copy(path("tree"), path("copy")));
    EXPECT_FALSE(present(path("copy")));
    EXPECT_FALSE(files.copy(path("tree/sub/secret"), path("secret copy")));
    EXPECT_FALSE(present(path("secret copy")));
}

}  // namespace
}  // namespace tandri
