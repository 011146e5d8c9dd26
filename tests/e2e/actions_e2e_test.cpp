// SPDX-License-Identifier: MIT
// Actions on ring entries with the real program: the right-click menu and files dropped on
// entries by a real drag from another program.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>

#include "e2e/xsession.h"
#include "support/testfiles.h"

namespace tandri::test {
namespace {

// Two terminals, and the menu of the second one's entry.
class EntryMenuOnTheRealDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        session.setPreferences({{"showPlaces", false}, {"onboardingDone", true}});
        keeper = session.startClient("xterm", {"-T", "Keeper"}, "Keeper");
        ASSERT_TRUE(keeper && session.startClient("xterm", {"-T", "Other"}, "Other"));
        ASSERT_TRUE(session.startProgram()) << session.errors().toStdString();
        const QStringList entries = ringEntries(session);
        const int index = indexOf(entries, "Other");
        ASSERT_GE(index, 0) << entries.join(", ").toStdString();
        other = toward(index, int(entries.size()));
        XSession::xdotool({"windowactivate", "--sync", QString::number(keeper)});
    }
    // Right-clicks where the pointer is and waits for the menu, a window of the program's own.
    bool openMenu() {
        const qsizetype before = session.windows().size();
        XSession::xdotool({"click", "3"});
        return waitForEvents([&] { return session.windows().size() > before; }, patience);
    }

    XSession session;
    unsigned long keeper = 0;
    QPoint other;
};

TEST_F(EntryMenuOnTheRealDesktop, QuitFromTheMenuEndsTheApp) {
    QProcess& leaver = *session.clients[1];
    // A tap leaves the ring open; the pointer rests on the entry.
    move({centerX, centerY});
    XSession::xdotool({"key", "alt+space"});
    ASSERT_TRUE(waitForEvents([&] { return ringVisible(session); }, patience));
    pause(400);
    move(other);
    pause(300);
    ASSERT_TRUE(openMenu()) << "no menu opened";
    pause(300);
    // The menu's last item is Quit (Force Quit takes its place only while Alt is held).
    XSession::xdotool({"key", "Up"});
    pause(100);
    XSession::xdotool({"key", "Return"});
    EXPECT_TRUE(waitForEvents([&] { return leaver.state() == QProcess::NotRunning; }, patience))
        << "the terminal still runs";
    EXPECT_EQ(leaver.exitStatus(), QProcess::NormalExit) << "asked to quit, not killed";
    EXPECT_EQ(session.clients[0]->state(), QProcess::Running) << "only that app";
    EXPECT_TRUE(waitForEvents([&] { return !ringVisible(session); }, patience));
}

// A menu opened from a ring held open by the keys has the keyboard and the pointer, as one
// opened from a tapped ring has: dismissing it leaves the ring open, and nothing is picked.
TEST_F(EntryMenuOnTheRealDesktop, AMenuFromAHeldRingIsModalAndLeavesTheRingOpen) {
    const qsizetype none = session.windows().size();
    // The ring's own windows: the one it draws in and the one under it that takes the clicks.
    qsizetype ring = 0;
    const auto menuClosed = [&] {
        return waitForEvents([&] { return session.windows().size() == none + ring; }, patience);
    };

    // Held on past the key's repeat delay, the repeats choose nothing; the trigger is let go
    // while the menu is up, and Escape then closes the menu alone.
    Held trigger = holdToward(session, other, 300);
    ring = session.windows().size() - none;
    ASSERT_GT(ring, 0);
    ASSERT_TRUE(openMenu()) << "no menu opened";
    pause(1200);
    trigger.release();
    pause(200);
    XSession::xdotool({"key", "Escape"});
    EXPECT_TRUE(menuClosed()) << "the menu stays, or the ring went with it";
    pause(300);
    EXPECT_TRUE(ringVisible(session)) << "the ring went with the menu";
    // A click beside the menu closes the menu, not the ring, and picks nothing.
    ASSERT_TRUE(openMenu()) << "no second menu";
    XSession::xdotool({"mousemove", "40", "860", "click", "1"});
    EXPECT_TRUE(menuClosed()) << "the menu stays, or the ring went with it";
    pause(300);
    EXPECT_TRUE(ringVisible(session)) << "the ring went with the menu";
    XSession::xdotool({"key", "Escape"});
    EXPECT_TRUE(waitForEvents([&] { return !ringVisible(session); }, patience));
    EXPECT_EQ(XSession::activeTitle(), "Keeper");
    // The menu dismissed with the keys still held: their repeats are no new press of them,
    // which would close the ring that stays open.
    Held again = holdToward(session, other, 300);
    ASSERT_TRUE(openMenu()) << "no third menu";
    XSession::xdotool({"mousemove", "40", "860", "click", "1"});
    EXPECT_TRUE(menuClosed()) << "the menu stays, or the ring went with it";
    pause(1200);
    EXPECT_TRUE(ringVisible(session)) << "the held keys closed the ring";
    again.release();
    pause(300);
    EXPECT_TRUE(ringVisible(session));
    XSession::xdotool({"key", "Escape"});
    EXPECT_TRUE(waitForEvents([&] { return !ringVisible(session); }, patience));
    EXPECT_EQ(XSession::activeTitle(), "Keeper");
}

// Files dragged from another program onto the open ring's entries.
class DropOnTheRealDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(files.isValid());
        inbox = files.filePath("Inbox");
        ASSERT_TRUE(QDir().mkpath(inbox));
        session.setPreferences({{"showPlaces", true},
                                {"onboardingDone", true},
                                {"apps", "pinnedAndOpen"},
                                {"pinnedApps", QJsonArray{inbox}}});
    }

    /// Starts the drag source with `file`, then drags it onto place `place` of the ring (0 the
    /// folder, 1 the Trash; the places follow the running apps): the ring opened with a tap
    /// during the drag, the pointer moved to the entry, the button released there.
    void dragOnto(const QString& file, int place) {
        QProcess& source = *session.clients.emplace_back(std::make_unique<QProcess>());
        source.start(QStringLiteral(DRAG_SOURCE), {"--label", "Source", file});
        ASSERT_TRUE(source.waitForStarted());
        ASSERT_TRUE(XSession::waitForWindow("Source"));
        if (session.program.state() == QProcess::NotRunning) {
            ASSERT_TRUE(session.startProgram()) << session.errors().toStdString();
        }
        const QStringList apps = ringEntries(session);
        ASSERT_EQ(indexOf(apps, "Source"), apps.size() - 1) << apps.join(", ").toStdString();
        const int count = int(apps.size()) + 2;
        const int index = int(apps.size()) + place;
        // The drag starts on the source's window, then travels to where the ring will open.
        move({150, 140});
        Held button = Held::button("1");
        ASSERT_TRUE(waitForEvents(
            [&] { return source.readAllStandardOutput().contains("drag started"); }, patience));
        for (int step = 1; step <= 10; ++step)
            move({150 + (centerX - 150) * step / 10, 140 + (centerY - 140) * step / 10});
        pause(200);
        XSession::xdotool({"key", "alt+space"});
        ASSERT_TRUE(waitForEvents([&] { return ringVisible(session); }, patience));
        pause(400);
        const QPoint target = toward(index, count);
        for (int step = 1; step <= 5; ++step) {
            move({centerX + (target.x() - centerX) * step / 5,
                  centerY + (target.y() - centerY) * step / 5});
            pause(60);
        }
        pause(300);
        button.release();
        EXPECT_TRUE(waitForEvents([&] { return !ringVisible(session); }, patience))
            << "the drop closes the ring";
    }

    XSession session;
    QTemporaryDir files;
    QString inbox;
};

TEST_F(DropOnTheRealDesktop, AFileDroppedOnAFolderMovesIntoIt) {
    const QString file = files.filePath("Letter.txt");
    writeFile(file, "dear");
    dragOnto(file, 0);
    EXPECT_TRUE(waitForEvents([&] { return QFile::exists(inbox + "/Letter.txt"); }, patience))
        << session.errors().toStdString();
    EXPECT_EQ(fileContents(inbox + "/Letter.txt"), "dear");
    EXPECT_FALSE(QFile::exists(file)) << "moved, not copied: the same volume";
}

TEST_F(DropOnTheRealDesktop, AFileDroppedOnTheTrashGoesToTheFreedesktopTrash) {
    const QString file = files.filePath("Old Notes.txt");
    writeFile(file, "old");
    dragOnto(file, 1);
    const QString trash = session.data.filePath("Trash");
    EXPECT_TRUE(
        waitForEvents([&] { return QFile::exists(trash + "/files/Old Notes.txt"); }, patience))
        << session.errors().toStdString();
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(fileContents(trash + "/files/Old Notes.txt"), "old");
    const QByteArray info = fileContents(trash + "/info/Old Notes.txt.trashinfo");
    EXPECT_TRUE(info.startsWith("[Trash Info]\n")) << info.toStdString();
    EXPECT_TRUE(info.contains("Path=" + QFile::encodeName(file).toPercentEncoding("/") + "\n"))
        << info.toStdString();
    EXPECT_TRUE(info.contains("DeletionDate=")) << info.toStdString();
}

}  // namespace
}  // namespace tandri::test
