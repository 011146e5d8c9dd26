// SPDX-License-Identifier: MIT
// The Settings window and the status icon of the real program on a real X server, found and
// pressed through the accessibility bus as a screen reader would.
#include <gtest/gtest.h>

#include <QImage>
#include <QJsonObject>
#include <QProcess>

#include "e2e/accessibletree.h"
#include "e2e/xsession.h"

namespace tandri::test {
namespace {

constexpr int focusedState = 12;

class SettingsOnTheRealDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        if (!AccessibleTree::busRuns())
            GTEST_SKIP() << "needs the accessibility bus (X_A11Y_BUS=1)";
        session.setPreferences({{"onboardingDone", true}});
        session.extraEnvironment.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    }

    /// Starts the program asking for Settings on `tab`, and waits for the window.
    void start(const QString& tab) {
        ASSERT_TRUE(session.startProgram({"--settings", tab})) << session.errors().toStdString();
        window = XSession::waitForWindow("Tandri Settings");
        ASSERT_NE(window, 0u) << session.errors().toStdString();
        tree = std::make_unique<AccessibleTree>(session.program.processId());
        ASSERT_TRUE(waitForEvents([&] { return selectedTab() == tab; }, patience))
            << "selected: " << selectedTab().toStdString();
    }
    /// A second start of the program, which hands its arguments over and ends.
    void startAgain(const QStringList& arguments) {
        QProcess again;
        again.setProcessEnvironment(session.environment());
        again.start(QStringLiteral(TANDRI_PROGRAM), arguments);
        XSession::finish(again, 30000);
        EXPECT_EQ(again.exitCode(), 0);
        EXPECT_TRUE(QString::fromUtf8(again.readAllStandardError()).contains("handed over"));
    }
    /// The selected tab's name, lowercased as the command line spells it: the tab list is
    /// named after it.
    QString selectedTab() {
        const auto tabs = tree->find("page tab list", [](const QString&) { return true; });
        return tabs ? tree->name(*tabs).toLower() : QString();
    }
    int settingsWindows() {
        return int(XSession::xdotool({"search", "--onlyvisible", "--name", "^Tandri Settings$"})
                       .split('\n', Qt::SkipEmptyParts)
                       .size());
    }
    /// Whether the program shows a window besides Settings: the ring.
    bool ringShown() { return ringVisible(session, window); }
    void saveShot(const QString& name) {
        const QImage shot = picture(QString::number(window));
        ASSERT_FALSE(shot.isNull());
        EXPECT_TRUE(shot.save(QStringLiteral(TANDRI_SCREENSHOTS) + "/settings-" + name + ".png"));
    }

    XSession session;
    unsigned long window = 0;
    std::unique_ptr<AccessibleTree> tree;
};

// A new look is the next ring's look; another start switches the tab of the one window.
TEST_F(SettingsOnTheRealDesktop, ANewLookIsTheNextRingsAndAnotherStartSwitchesTheTab) {
    start("look");
    saveShot("look");
    const QString around = "400x400+520+250";
    XSession::xdotool({"mousemove", "720", "450"});
    const auto ringPicture = [&] {
        XSession::xdotool({"key", "alt+space"});
        EXPECT_TRUE(waitForEvents([&] { return ringShown(); }, patience));
        const QImage shot = settledPicture("root", around);
        XSession::xdotool({"key", "Escape"});
        EXPECT_TRUE(waitForEvents([&] { return !ringShown(); }, patience));
        return shot;
    };
    const QImage glass = ringPicture();
    // The style picker, chosen from the keyboard: its last look.
    // A combo box is named after its choice; only the style picker shows "Glass".
    const auto picker = tree->find("combo box", "Glass");
    ASSERT_TRUE(picker);
    XSession::xdotool({"windowactivate", "--sync", QString::number(window)});
    // Tab moves the focus round the window, as it would for a user, until the picker has it.
    bool focused = false;
    for (int presses = 0; presses < 16 && !focused; ++presses) {
        focused = waitForEvents([&] { return tree->state(*picker, focusedState); }, 300);
        if (!focused)
            XSession::xdotool({"key", "Tab"});
    }
    ASSERT_TRUE(focused);
    XSession::xdotool({"key", "End"});
    ASSERT_TRUE(waitForEvents(
        [&] { return session.stored().value("ringStyle").toString() == "outline"; }, patience));
    const QImage outline = ringPicture();
    EXPECT_GT(differingShare(glass, outline), 0.05);

    for (const QString tab : {"windows", "apps", "general"}) {
        startAgain({"--settings", tab});
        EXPECT_TRUE(waitForEvents([&] { return selectedTab() == tab; }, patience))
            << tab.toStdString() << ", selected: " << selectedTab().toStdString();
        EXPECT_EQ(settingsWindows(), 1);
        saveShot(tab);
    }

    // Closed, then a plain second start: the running copy opens its Settings again.
    XSession::run("wmctrl", {"-c", "Tandri Settings"});
    ASSERT_TRUE(waitForEvents([&] { return settingsWindows() == 0; }, patience));
    startAgain({});
    EXPECT_TRUE(waitForEvents([&] { return settingsWindows() == 1; }, patience));
}

TEST_F(SettingsOnTheRealDesktop, ARecordedShortcutOpensTheRing) {
    start("general");
    const auto recorder = tree->find("push button", "Alt+Space");
    ASSERT_TRUE(recorder);
    XSession::xdotool({"windowactivate", "--sync", QString::number(window)});
    ASSERT_TRUE(tree->press(*recorder));
    ASSERT_TRUE(waitForEvents([&] { return tree->name(*recorder) == "Press keys…"; }, patience));
    XSession::xdotool({"key", "ctrl+alt+k"});
    EXPECT_TRUE(waitForEvents([&] { return tree->name(*recorder) == "Ctrl+Alt+K"; }, patience))
        << tree->name(*recorder).toStdString();
    // The old keys are let go, the new ones hold the ring open.
    XSession::xdotool({"key", "alt+space"});
    pause(300);
    EXPECT_FALSE(ringShown());
    {
        Held held = Held::keys({"ctrl", "alt", "k"});
        EXPECT_TRUE(waitForEvents([&] { return ringShown(); }, patience));
    }
    // A short hold counts as a tap and leaves the ring open.
    XSession::xdotool({"key", "Escape"});
    EXPECT_TRUE(waitForEvents([&] { return !ringShown(); }, patience));
}

TEST(StatusIconOnTheRealDesktop, ATrayThatStartsLaterGetsTheIcon) {
    XSession session;
    session.setPreferences({{"onboardingDone", true}});
    ASSERT_TRUE(session.startProgram()) << session.errors().toStdString();
    QProcess tray;
    tray.start(QStringLiteral(FAKE_TRAY), {});
    ASSERT_TRUE(tray.waitForStarted());
    QString output;
    const auto docked = [&] {
        output += QString::fromUtf8(tray.readAllStandardOutput());
        return output.contains("dock ");
    };
    const bool ok = waitForEvents(docked, patience);
    tray.kill();
    tray.waitForFinished(3000);
    ASSERT_TRUE(ok) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral(" pid %1\n").arg(session.program.processId())))
        << output.toStdString();
}

}  // namespace
}  // namespace tandri::test
