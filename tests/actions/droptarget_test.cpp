// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "actions/droptarget.h"
#include "platform/common/localfiles.h"
#include "platform/platform.h"
#include "platform/workspace.h"
#include "support/filetree.h"
#include "support/testdesktop.h"
#include "support/testfiles.h"

namespace tandri::test {
namespace {

QUrl file(const QString& path) {
    return QUrl::fromLocalFile(path);
}

// The real file system, except that the volumes can be made to look different or unreadable.
class VolumeFiles : public LocalFiles {
public:
    enum class Volumes { Real, Different, Unreadable };
    Volumes volumes = Volumes::Real;
    std::vector<QString> calls;

    std::optional<quint64> volumeID(const QString& path) const override {
        switch (volumes) {
            case Volumes::Real:
                return LocalFiles::volumeID(path);
            case Volumes::Different:
                return qHash(QFileInfo(path).path());
            case Volumes::Unreadable:
                return std::nullopt;
        }
        return std::nullopt;
    }
    bool move(const QString& source, const QString& destination) override {
        calls.push_back("move " + QFileInfo(destination).fileName());
        return LocalFiles::move(source, destination);
    }
    bool copy(const QString& source, const QString& destination) override {
        calls.push_back("copy " + QFileInfo(destination).fileName());
        return LocalFiles::copy(source, destination);
    }
};

/// A folder to drop into, on a desktop whose volumes the test decides.
class DropTargetTest : public ::testing::Test {
protected:
    int beeps() {
        const auto actions = desktop.sim().actions();
        return int(std::count(actions.begin(), actions.end(), QStringLiteral("beep")));
    }

    TestDesktop desktop;
    VolumeFiles files;
    Platform platform = replacing(desktop.platform(), {.files = &files});
    const QString folder = desktop.makeFolder("Folder");
};

TEST_F(DropTargetTest, FreeNamesCountFromTwoAndKeepTheLastExtensionApart) {
    EXPECT_EQ(DropTarget::freeName(platform, folder, "Report.pdf"), folder + "/Report.pdf");
    desktop.makeFile("Folder/Report.pdf");
    desktop.makeFile("Folder/Report 2.pdf");
    EXPECT_EQ(DropTarget::freeName(platform, folder, "Report.pdf"), folder + "/Report 3.pdf");
    desktop.makeFile("Folder/archive.tar.gz");
    EXPECT_EQ(DropTarget::freeName(platform, folder, "archive.tar.gz"),
              folder + "/archive.tar 2.gz");
    desktop.makeFolder("Folder/Notes");
    EXPECT_EQ(DropTarget::freeName(platform, folder, "Notes"), folder + "/Notes 2");
    desktop.makeFile("Folder/.profile");
    EXPECT_EQ(DropTarget::freeName(platform, folder, ".profile"), folder + "/.profile 2");
    // A dangling link still takes its name.
    QFile::link(folder + "/nowhere", folder + "/link.txt");
    EXPECT_EQ(DropTarget::freeName(platform, folder, "link.txt"), folder + "/link 2.txt");
}

TEST_F(DropTargetTest, PlaceMovesOnOneVolumeAndCopiesAcrossVolumes) {
    desktop.makeFile("Folder/Report.pdf", "old");
    desktop.makeFile("Folder/Report 2.pdf", "older");
    // Same volume: moved, under the first free name, the files already there untouched.
    const QString report = desktop.makeFile("Desk/Report.pdf", "new");
    DropTarget::place(platform, file(report), file(folder));
    EXPECT_FALSE(QFileInfo::exists(report));
    EXPECT_EQ(fileContents(folder + "/Report 3.pdf"), "new");
    EXPECT_EQ(fileContents(folder + "/Report.pdf"), "old");
    EXPECT_EQ(fileContents(folder + "/Report 2.pdf"), "older");
    EXPECT_EQ(files.calls, std::vector<QString>{"move Report 3.pdf"});
    // Different volumes, or a volume that cannot be read: copied, the original stays.
    files.volumes = VolumeFiles::Volumes::Different;
    const QString notes = desktop.makeFile("Desk/notes.txt", "n");
    DropTarget::place(platform, file(notes), file(folder));
    EXPECT_EQ(fileContents(notes), "n");
    EXPECT_EQ(fileContents(folder + "/notes.txt"), "n");
    files.volumes = VolumeFiles::Volumes::Unreadable;
    DropTarget::place(platform, file(notes), file(folder));
    EXPECT_EQ(fileContents(folder + "/notes 2.txt"), "n");
    EXPECT_EQ(files.calls,
              (std::vector<QString>{"move Report 3.pdf", "copy notes.txt", "copy notes 2.txt"}));
    EXPECT_EQ(beeps(), 0);
}

TEST_F(DropTargetTest, PlaceLeavesAnItemInItsOwnFolderAndRefusesWhatItCannotDo) {
    const QString inside = desktop.makeFile("Folder/Report.pdf", "r");
    // Already there, however the folder is spelt: nothing happens, silently.
    DropTarget::place(platform, file(inside), file(folder + "/../Folder/"));
    EXPECT_TRUE(files.calls.empty());
    EXPECT_EQ(beeps(), 0);
    EXPECT_FALSE(QFileInfo::exists(folder + "/Report 2.pdf"));
    // Into itself or a folder inside it: refused with a beep, nothing made or lost.
    const QString sub = desktop.makeFolder("Folder/Sub");
    files.volumes = VolumeFiles::Volumes::Different;
    DropTarget::place(platform, file(folder), file(sub));
    DropTarget::place(platform, file(folder), file(folder));
    EXPECT_TRUE(files.calls.empty());
    EXPECT_EQ(beeps(), 2);
    EXPECT_EQ(QDir(sub).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    EXPECT_EQ(fileContents(inside), "r");
    // A failed move beeps too; with the destination folder gone the item stays where it was.
    files.volumes = VolumeFiles::Volumes::Real;
    DropTarget::place(platform, file(desktop.path("Desk/missing.txt")), file(folder));
    EXPECT_EQ(beeps(), 3);
    const QString item = desktop.makeFile("Desk/item.txt", "i");
    DropTarget::place(platform, file(item), file(desktop.path("Gone")));
    EXPECT_EQ(beeps(), 4);
    EXPECT_EQ(fileContents(item), "i");
}

TEST_F(DropTargetTest, CopiesForRealAcrossFileSystems) {
    const QString item = desktop.makeFile("Desk/photo.jpg", "pixels");
    const auto far = test::folderOnAnotherFileSystem(item);
    if (!far)
        GTEST_SKIP() << "no second file system to copy to";
    DropTarget::moveInto(file(far->path())).perform(platform, {file(item)});
    EXPECT_EQ(fileContents(item), "pixels");
    EXPECT_EQ(fileContents(far->filePath("photo.jpg")), "pixels");
    EXPECT_EQ(beeps(), 0);
}

TEST_F(DropTargetTest, TrashGoesOnPastAFailureWithOneBeep) {
    const QString first = desktop.makeFile("Desk/one.txt", "1");
    const QString third = desktop.makeFile("Desk/three.txt", "3");
    DropTarget::trash().perform(platform,
                                {file(first), file(desktop.path("Desk/two.txt")), file(third)});
    EXPECT_EQ(beeps(), 1);
    const QString trash = platform.workspace.trashURL().toLocalFile();
    EXPECT_FALSE(QFileInfo::exists(first));
    EXPECT_FALSE(QFileInfo::exists(third));
    EXPECT_EQ(fileContents(trash + "/one.txt"), "1");
    EXPECT_EQ(fileContents(trash + "/three.txt"), "3");
    // The beep came for the second item, between the first and the third.
    const auto actions = desktop.sim().actions();
    const auto beep = std::find(actions.begin(), actions.end(), "beep");
    ASSERT_NE(beep, actions.end());
    EXPECT_TRUE((beep - 1)->startsWith("trash-failed"));
    EXPECT_TRUE((beep + 1)->startsWith("trash ") && (beep + 1)->endsWith("three.txt"));
}

TEST_F(DropTargetTest, OpenWithHandsAllFilesToTheAppAtOnce) {
    const auto target = DropTarget::openWith(file("/Applications/Preview.app"));
    EXPECT_EQ(target.dragOperation(), DragOperation::Copy);
    EXPECT_EQ(DropTarget::trash().dragOperation(), DragOperation::Move);
    EXPECT_EQ(DropTarget::moveInto(file("/tmp")).dragOperation(), DragOperation::Move);
    EXPECT_EQ(target, DropTarget::openWith(file("/Applications/Preview.app")));
    EXPECT_FALSE(target == DropTarget::openWith(file("/Applications/Other.app")));
    EXPECT_FALSE(DropTarget::moveInto(file("/a")) == DropTarget::openWith(file("/a")));
    target.perform(platform, {file("/tmp/a.png"), file("/tmp/b.png")});
    EXPECT_EQ(desktop.sim().actions(),
              std::vector<QString>{
                  "open-files /Applications/Preview.app activates=true /tmp/a.png /tmp/b.png"});
}

}  // namespace
}  // namespace tandri::test
