// SPDX-License-Identifier: MIT
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/common/xdgtrash.h"
#include "support/filetree.h"

namespace tandri {
namespace {

using test::fileContents;
using test::fileTree;
using test::present;
using test::writeFile;
using ::testing::HasSubstr;

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
}

// The Path and DeletionDate lines of an info file.
std::pair<QString, QDateTime> readInfo(const QString& path) {
    const QList<QByteArray> lines = fileContents(path).split('\n');
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
        ASSERT_TRUE(QDir().mkpath(root.filePath("items")));
        items = QDir(root.filePath("items")).canonicalPath();
    }
    QString item(const QString& name) const { return items + '/' + name; }
    QString home() const { return root.filePath("data/Trash"); }
    QString trashFiles() const { return home() + "/files"; }
    QString trashInfo() const { return home() + "/info"; }

    QTemporaryDir root;
    QString items;
    XdgTrash trash{home(), false};
};

TEST_F(XdgTrashTest, AFileGoesToFilesWithAnInfoThatSaysWhereAndWhen) {
    EXPECT_EQ(trash.filesFolder(), trashFiles());
    writeFile(item("Report.pdf"), "report");
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    ASSERT_TRUE(trash.moveToTrash(item("Report.pdf")));
    EXPECT_FALSE(present(item("Report.pdf")));
    EXPECT_EQ(fileContents(trashFiles() + "/Report.pdf"), "report");
    const auto [recorded, deleted] = readInfo(trashInfo() + "/Report.pdf.trashinfo");
    EXPECT_EQ(recorded, item("Report.pdf"));
    EXPECT_GE(deleted, before);
    EXPECT_LE(deleted, QDateTime::currentDateTime().addSecs(1));
    EXPECT_THAT(fileTree(root.filePath("data"), true).at("Trash"), HasSubstr(" mode 700 "))
        << "the trash's folders are the user's alone";
}

TEST_F(XdgTrashTest, SameNamesGetNumbersBeforeTheLastExtension) {
    for (int round = 0; round < 3; ++round) {
        for (const char* name : {"Report.pdf", "archive.tar.gz", ".hidden", "Notes"}) {
            writeFile(item(name), QByteArray(name) + QByteArray::number(round));
            ASSERT_TRUE(trash.moveToTrash(item(name))) << name;
        }
    }
    EXPECT_EQ(entries(trashFiles()),
              QStringList({".hidden", ".hidden 2", ".hidden 3", "Notes", "Notes 2", "Notes 3",
                           "Report 2.pdf", "Report 3.pdf", "Report.pdf", "archive.tar 2.gz",
                           "archive.tar 3.gz", "archive.tar.gz"}));
    EXPECT_EQ(fileContents(trashFiles() + "/archive.tar 3.gz"), "archive.tar.gz2");
    EXPECT_EQ(entries(trashInfo()).size(), 12);
    EXPECT_EQ(readInfo(trashInfo() + "/Report 2.pdf.trashinfo").first, item("Report.pdf"));

    // A name taken in files/ without its info (left by a crash) is skipped too.
    writeFile(trashFiles() + "/Stray.txt", "old");
    writeFile(item("Stray.txt"), "new");
    ASSERT_TRUE(trash.moveToTrash(item("Stray.txt")));
    EXPECT_EQ(fileContents(trashFiles() + "/Stray.txt"), "old");
    EXPECT_EQ(fileContents(trashFiles() + "/Stray 2.txt"), "new");
    EXPECT_FALSE(present(trashInfo() + "/Stray.txt.trashinfo"));
}

TEST_F(XdgTrashTest, ThePathIsPercentEncodedAndRecordedWithoutSymbolicLinks) {
    const QString odd = item("a b/100% ü;#?.txt");
    writeFile(odd, "odd");
    ASSERT_TRUE(QFile::link(items, root.filePath("shortcut")));
    ASSERT_TRUE(trash.moveToTrash(root.filePath("shortcut/a b/100% ü;#?.txt")));
    EXPECT_FALSE(present(odd));
    const QString infoFile = trashInfo() + "/100% ü;#?.txt.trashinfo";
    EXPECT_THAT(fileContents(infoFile).toStdString(),
                HasSubstr("a%20b/100%25%20%C3%BC%3B%23%3F.txt\n"));
    EXPECT_EQ(readInfo(infoFile).first, odd);
    EXPECT_EQ(XdgTrash::trashInfo("/x/y z", QDateTime(QDate(2024, 2, 29), QTime(13, 5, 9))),
              "[Trash Info]\nPath=/x/y%20z\nDeletionDate=2024-02-29T13:05:09\n");
}

TEST_F(XdgTrashTest, FoldersAndSymbolicLinksGoWhole) {
    writeFile(item("Folder/inner/deep.txt"), "deep");
    writeFile(item("target.txt"), "target");
    ASSERT_TRUE(QFile::link(item("target.txt"), item("link")));
    ASSERT_TRUE(trash.moveToTrash(item("Folder")));
    ASSERT_TRUE(trash.moveToTrash(item("link")));
    EXPECT_EQ(fileTree(items), (std::map<std::string, std::string>{{"target.txt", "target"}}));
    EXPECT_EQ(fileTree(trashFiles()), (std::map<std::string, std::string>{
                                          {"Folder", "folder"},
                                          {"Folder/inner", "folder"},
                                          {"Folder/inner/deep.txt", "deep"},
                                          {"link", "-> " + item("target.txt").toStdString()}}));
}

TEST_F(XdgTrashTest, WhatCannotBeTrashedStaysAndLeavesNoTrace) {
    writeFile(item("in.txt"), "in");
    ASSERT_TRUE(trash.moveToTrash(item("in.txt")));
    writeFile(item("kept.txt"), "kept");
    // A trash whose files folder is a file cannot take anything.
    writeFile(root.filePath("Broken/files"), "in the way");
    XdgTrash broken(root.filePath("Broken"), false);
    const auto before = fileTree(root.path());

    // Not the trash itself, nor a folder that holds it, nor what is in it.
    for (const QString& path : {item("missing.txt"), QString(), QString("/"), home(),
                                root.filePath("data"), trashFiles() + "/in.txt"}) {
        EXPECT_FALSE(trash.moveToTrash(path)) << path.toStdString();
    }
    EXPECT_FALSE(broken.moveToTrash(item("kept.txt")));
    EXPECT_EQ(fileTree(root.path()), before);
}

// Items of another file system than the home trash's.
class OtherFileSystem : public XdgTrashTest {
protected:
    void SetUp() override {
        XdgTrashTest::SetUp();
        far = test::folderOnAnotherFileSystem(items);
        if (!far)
            GTEST_SKIP() << "no second file system to write to";
    }
    std::unique_ptr<QTemporaryDir> far;
};

TEST_F(OtherFileSystem, WithoutATrashThereTheItemIsCopiedHomeThenRemoved) {
    writeFile(far->filePath("Stack/sub/page.txt"), "page");
    ASSERT_TRUE(trash.moveToTrash(far->filePath("Stack")));
    EXPECT_FALSE(present(far->filePath("Stack")));
    EXPECT_EQ(fileContents(trashFiles() + "/Stack/sub/page.txt"), "page");
    EXPECT_EQ(readInfo(trashInfo() + "/Stack.trashinfo").first, far->filePath("Stack"));

    // An item that cannot be copied whole stays whole.
    writeFile(far->filePath("Mixed/a.txt"), "a");
    test::makeSocket(far->filePath("Mixed/socket"));
    const auto there = fileTree(far->path());
    const auto home = fileTree(this->home());
    EXPECT_FALSE(trash.moveToTrash(far->filePath("Mixed")));
    EXPECT_EQ(fileTree(far->path()), there);
    EXPECT_EQ(fileTree(this->home()), home);
}

TEST_F(OtherFileSystem, TheTrashAtTheTopOfThatFileSystemTakesItWithARelativePath) {
    const QString topTrash = "/dev/shm/.Trash-" + QString::number(getuid());
    if (present(topTrash) || present("/dev/shm/.Trash"))
        GTEST_SKIP() << "a trash is already there; leaving it alone";
    XdgTrash withTopTrashes(home());
    writeFile(far->filePath("far.txt"), "far");
    const bool trashed = withTopTrashes.moveToTrash(far->filePath("far.txt"));
    const QByteArray stored = fileContents(topTrash + "/files/far.txt");
    const QString recorded = readInfo(topTrash + "/info/far.txt.trashinfo").first;
    struct stat info {};
    const bool made = lstat(QFile::encodeName(topTrash).constData(), &info) == 0;
    QDir(topTrash).removeRecursively();
    ASSERT_TRUE(trashed);
    EXPECT_EQ(stored, "far");
    EXPECT_EQ(recorded, QDir("/dev/shm").relativeFilePath(far->filePath("far.txt")));
    EXPECT_FALSE(present(far->filePath("far.txt")));
    ASSERT_TRUE(made);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(entries(trashFiles()).isEmpty()) << "not copied home";
}

}  // namespace
}  // namespace tandri
