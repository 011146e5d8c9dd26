#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>

#include "platform/common/xdgtrash.h"
#include "support/testfiles.h"

namespace tandri {
namespace {

bool present(const QString& path) {
    struct stat info {};
    return lstat(QFile::encodeName(path).constData(), &info) == 0;
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
}

// The Path and DeletionDate lines of an info file.
std::pair<QString, QDateTime> readInfo(const QString& path) {
    const QList<QByteArray> lines = test::fileContents(path).split('\n');
    QString recorded;
    QDateTime deleted;
    EXPECT_EQ(lines.value(0), "[Trash Info]") << path.toStdString();
    for (const QByteArray& line : lines) {
        if (line.startsWith("Path="))
            recorded = QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(5)));
        if (line.startsWith("DeletionDate="))
            deleted = QDateTime::fromString(QString::fromLatin1(line.mid(13)), Qt::ISODate);
    }
    return {recorded, deleted};
}

class XdgTrashTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        items = root.filePath("items");
        ASSERT_TRUE(QDir().mkpath(items));
        items = QDir(items).canonicalPath();
    }
    QString item(const QString& name) const { return items + '/' + name; }
    QString trashFiles() const { return home() + "/files"; }
    QString trashInfo() const { return home() + "/info"; }
    QString home() const { return root.filePath("data/Trash"); }

    QTemporaryDir root;
    QString items;
};

TEST_F(XdgTrashTest, AFileGoesToFilesWithAnInfoThatSaysWhereAndWhen) {
    XdgTrash trash(home());
    EXPECT_EQ(trash.filesFolder(), trashFiles());
    test::writeFile(item("Report.pdf"), "report");
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    ASSERT_TRUE(trash.moveToTrash(item("Report.pdf")));
    EXPECT_FALSE(present(item("Report.pdf")));
    EXPECT_EQ(test::fileContents(trashFiles() + "/Report.pdf"), "report");
    const auto [recorded, deleted] = readInfo(trashInfo() + "/Report.pdf.trashinfo");
    EXPECT_EQ(recorded, item("Report.pdf"));
    EXPECT_TRUE(deleted.isValid());
    EXPECT_GE(deleted, before);
    EXPECT_LE(deleted, QDateTime::currentDateTime().addSecs(1));
    // The trash's folders are the user's alone.
    struct stat info {};
    ASSERT_EQ(stat(QFile::encodeName(home()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(XdgTrashTest, SameNamesGetNumbersBeforeTheLastExtension) {
    XdgTrash trash(home());
    for (int round = 0; round < 3; ++round) {
        for (const char* name : {"Report.pdf", "archive.tar.gz", ".hidden", "Notes"}) {
            test::writeFile(item(name), QByteArray(name) + QByteArray::number(round));
            ASSERT_TRUE(trash.moveToTrash(item(name))) << name;
        }
    }
    EXPECT_EQ(entries(trashFiles()),
              QStringList({".hidden", ".hidden 2", ".hidden 3", "Notes", "Notes 2", "Notes 3",
                           "Report 2.pdf", "Report 3.pdf", "Report.pdf", "archive.tar 2.gz",
                           "archive.tar 3.gz", "archive.tar.gz"}));
    EXPECT_EQ(test::fileContents(trashFiles() + "/archive.tar 3.gz"), "archive.tar.gz2");
    EXPECT_EQ(entries(trashInfo()).size(), 12);
    EXPECT_EQ(readInfo(trashInfo() + "/Report 2.pdf.trashinfo").first, item("Report.pdf"));

    // A name taken in files/ without its info (left by a crash) is skipped too.
    test::writeFile(trashFiles() + "/Stray.txt", "old");
    test::writeFile(item("Stray.txt"), "new");
    ASSERT_TRUE(trash.moveToTrash(item("Stray.txt")));
    EXPECT_EQ(test::fileContents(trashFiles() + "/Stray.txt"), "old");
    EXPECT_EQ(test::fileContents(trashFiles() + "/Stray 2.txt"), "new");
    EXPECT_FALSE(present(trashInfo() + "/Stray.txt.trashinfo"));
}

TEST_F(XdgTrashTest, ThePathIsPercentEncodedAndRecordedWithoutSymbolicLinks) {
    XdgTrash trash(home());
    ASSERT_TRUE(QDir().mkpath(item("a b")));
    const QString odd = item("a b/100% ü;#?.txt");
    test::writeFile(odd, "odd");
    ASSERT_TRUE(QFile::link(items, root.filePath("shortcut")));
    ASSERT_TRUE(trash.moveToTrash(root.filePath("shortcut/a b/100% ü;#?.txt")));
    EXPECT_FALSE(present(odd));
    const QString infoFile = trashInfo() + "/100% ü;#?.txt.trashinfo";
    const QByteArray raw = test::fileContents(infoFile);
    EXPECT_TRUE(raw.contains("a%20b/100%25%20%C3%BC%3B%23%3F.txt\n")) << raw.toStdString();
    EXPECT_EQ(readInfo(infoFile).first, odd);
    EXPECT_EQ(XdgTrash::trashInfo("/x/y z", QDateTime(QDate(2024, 2, 29), QTime(13, 5, 9))),
              "[Trash Info]\nPath=/x/y%20z\nDeletionDate=2024-02-29T13:05:09\n");
}

TEST_F(XdgTrashTest, FoldersAndSymbolicLinksGoWhole) {
    XdgTrash trash(home());
    ASSERT_TRUE(QDir().mkpath(item("Folder/inner")));
    test::writeFile(item("Folder/inner/deep.txt"), "deep");
    test::writeFile(item("target.txt"), "target");
    ASSERT_TRUE(QFile::link(item("target.txt"), item("link")));
    ASSERT_TRUE(trash.moveToTrash(item("Folder")));
    ASSERT_TRUE(trash.moveToTrash(item("link")));
    EXPECT_EQ(test::fileContents(trashFiles() + "/Folder/inner/deep.txt"), "deep");
    EXPECT_TRUE(QFileInfo(trashFiles() + "/link").isSymLink());
    EXPECT_EQ(test::fileContents(item("target.txt")), "target") << "the link's target stays";
    EXPECT_FALSE(present(item("Folder")));
}

TEST_F(XdgTrashTest, WhatCannotBeTrashedStaysAndLeavesNoTrace) {
    XdgTrash trash(home());
    EXPECT_FALSE(trash.moveToTrash(item("missing.txt")));
    EXPECT_FALSE(trash.moveToTrash(QString()));
    EXPECT_FALSE(trash.moveToTrash("/"));
    // Not the trash itself, nor a folder that holds it, nor what is in it.
    test::writeFile(item("in.txt"), "in");
    ASSERT_TRUE(trash.moveToTrash(item("in.txt")));
    EXPECT_FALSE(trash.moveToTrash(home()));
    EXPECT_FALSE(trash.moveToTrash(root.filePath("data")));
    EXPECT_FALSE(trash.moveToTrash(trashFiles() + "/in.txt"));
    EXPECT_TRUE(present(trashFiles() + "/in.txt"));
    EXPECT_EQ(entries(trashInfo()), QStringList({"in.txt.trashinfo"}));

    // A trash whose files folder is a file cannot take anything.
    QTemporaryDir other;
    ASSERT_TRUE(QDir().mkpath(other.filePath("Broken")));
    test::writeFile(other.filePath("Broken/files"), "in the way");
    XdgTrash broken(other.filePath("Broken"), false);
    test::writeFile(item("kept.txt"), "kept");
    EXPECT_FALSE(broken.moveToTrash(item("kept.txt")));
    EXPECT_EQ(test::fileContents(item("kept.txt")), "kept");
    EXPECT_FALSE(present(other.filePath("Broken/info/kept.txt.trashinfo")));
}

// Items of another file system than the home trash's, where /dev/shm is one.
class OtherFileSystem : public XdgTrashTest {
protected:
    void SetUp() override {
        XdgTrashTest::SetUp();
        struct stat shm {
        }, here{};
        if (stat("/dev/shm", &shm) != 0 || stat(QFile::encodeName(items).constData(), &here) != 0 ||
            shm.st_dev == here.st_dev || access("/dev/shm", W_OK) != 0)
            GTEST_SKIP() << "no second file system to write to";
        far = std::make_unique<QTemporaryDir>("/dev/shm/tandri-trash-XXXXXX");
        ASSERT_TRUE(far->isValid());
    }
    std::unique_ptr<QTemporaryDir> far;
};

TEST_F(OtherFileSystem, WithoutATrashThereTheItemIsCopiedHomeThenRemoved) {
    XdgTrash trash(home(), false);
    ASSERT_TRUE(QDir().mkpath(far->filePath("Stack/sub")));
    test::writeFile(far->filePath("Stack/sub/page.txt"), "page");
    ASSERT_TRUE(trash.moveToTrash(far->filePath("Stack")));
    EXPECT_FALSE(present(far->filePath("Stack")));
    EXPECT_EQ(test::fileContents(trashFiles() + "/Stack/sub/page.txt"), "page");
    EXPECT_EQ(readInfo(trashInfo() + "/Stack.trashinfo").first, far->filePath("Stack"));
}

TEST_F(OtherFileSystem, AnItemThatCannotBeCopiedWholeStaysWhole) {
    XdgTrash trash(home(), false);
    ASSERT_TRUE(QDir().mkpath(far->filePath("Mixed")));
    test::writeFile(far->filePath("Mixed/a.txt"), "a");
    // A socket cannot be copied.
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = QFile::encodeName(far->filePath("Mixed/socket"));
    ASSERT_LT(std::size_t(socketPath.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, socketPath.constData(), std::size_t(socketPath.size()));
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(fd);

    EXPECT_FALSE(trash.moveToTrash(far->filePath("Mixed")));
    EXPECT_EQ(test::fileContents(far->filePath("Mixed/a.txt")), "a");
    EXPECT_TRUE(present(far->filePath("Mixed/socket")));
    EXPECT_TRUE(entries(trashFiles()).isEmpty());
    EXPECT_TRUE(entries(trashInfo()).isEmpty());
}

TEST_F(OtherFileSystem, TheTrashAtTheTopOfThatFileSystemTakesItWithARelativePath) {
    const QString topTrash = "/dev/shm/.Trash-" + QString::number(getuid());
    if (present(topTrash) || present("/dev/shm/.Trash"))
        GTEST_SKIP() << "a trash is already there; leaving it alone";
    XdgTrash trash(home());
    test::writeFile(far->filePath("far.txt"), "far");
    const bool trashed = trash.moveToTrash(far->filePath("far.txt"));
    const QString relative = QDir("/dev/shm").relativeFilePath(far->filePath("far.txt"));
    const QByteArray stored = test::fileContents(topTrash + "/files/far.txt");
    const QString recorded = readInfo(topTrash + "/info/far.txt.trashinfo").first;
    struct stat info {};
    const bool made = lstat(QFile::encodeName(topTrash).constData(), &info) == 0;
    QDir(topTrash).removeRecursively();
    ASSERT_TRUE(trashed);
    EXPECT_EQ(stored, "far");
    EXPECT_EQ(recorded, relative);
    EXPECT_FALSE(present(far->filePath("far.txt")));
    ASSERT_TRUE(made);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(entries(trashFiles()).isEmpty()) << "not copied home";
}

}  // namespace
}  // namespace tandri
