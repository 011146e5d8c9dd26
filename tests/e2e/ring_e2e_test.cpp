// SPDX-License-Identifier: MIT
// The real program on a real X server with a real window manager and real clients, driven by
// xdotool as a user would drive it.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QRasterWindow>

#include "e2e/xsession.h"
#include "platform/x11/x11connection.h"
#include "platform/x11/x11screencapture.h"
#include "support/testfiles.h"

namespace tandri::test {
namespace {

/// A window of one solid colour, owned by the test program: with two of them the test program is
/// an app with two windows whose pictures are easy to find on the screen.
class ColourWindow : public QRasterWindow {
public:
    ColourWindow(const QString& title, QColor colour, QRect geometry) : colour_(colour) {
        setTitle(title);
        setGeometry(geometry);
        show();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(QRect(QPoint(), size()), colour_);
    }

private:
    QColor colour_;
};

/// The screen as it looks now.
QImage screenshot() {
    static const auto connection = x11::X11Connection::open();
    return connection ? x11::X11ScreenCapture::captureScreen(*connection, QRect(0, 0, 1440, 900))
                      : QImage();
}

class RingOnTheRealDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        session.setPreferences({{"showPlaces", false}, {"onboardingDone", true}});
        // Each terminal is a process of its own, so an entry of its own. (xclock and xeyes never
        // take the focus, so they cannot show a switch.)
        alpha = session.startClient("xterm", {"-T", "Alpha"}, "Alpha");
        beta = session.startClient("xterm", {"-T", "Beta"}, "Beta");
        clock = session.startClient("xclock", {}, "xclock");
        ASSERT_TRUE(alpha && beta && clock);
        ASSERT_TRUE(session.startProgram()) << session.errors().toStdString();
        entries = ringEntries(session);
        ASSERT_EQ(entries.size(), 3) << entries.join(", ").toStdString();
    }

    void flick(QPoint target) { test::flick(session, target); }

    XSession session;
    unsigned long alpha = 0;
    unsigned long beta = 0;
    unsigned long clock = 0;
    QStringList entries;
};

// Hold, flick and release switches apps. A tap keeps the ring open; Escape and Return act on it,
// and while the keys are still held too.
TEST_F(RingOnTheRealDesktop, FlickingSwitchesAndEscapeAndReturnActOnTheOpenRingEvenWhileHeld) {
    XSession::xdotool({"windowactivate", "--sync", QString::number(alpha)});
    ASSERT_EQ(XSession::activeTitle(), "Alpha");
    const int index = indexOf(entries, "Beta");
    ASSERT_GE(index, 0) << entries.join(", ").toStdString();
    const QPoint towardBeta = toward(index, int(entries.size()));
    flick(towardBeta);
    EXPECT_TRUE(becomesActive("Beta"));
    EXPECT_TRUE(waitForEvents([&] { return !ringVisible(session); }, patience));
    flick(toward(indexOf(entries, "Alpha"), int(entries.size())));
    EXPECT_TRUE(becomesActive("Alpha"));

    move({centerX, centerY});
    XSession::xdotool({"key", "alt+space"});
    ASSERT_TRUE(waitForEvents([&] { return ringVisible(session); }, patience));
    pause(400);
    EXPECT_TRUE(ringVisible(session));
    XSession::xdotool({"key", "Escape"});
    EXPECT_TRUE(waitForEvents([&] { return !ringVisible(session); }, patience));
    EXPECT_EQ(XSession::activeTitle(), "Alpha");
    Held trigger = holdToward(session, towardBeta, 300);
    XSession::xdotool({"key", "Escape"});
    EXPECT_TRUE(waitForEvents([&] { return !ringVisible(session); }, patience));
    trigger.release();
    pause(300);
    EXPECT_EQ(XSession::activeTitle(), "Alpha") << "the release after Escape picks nothing";

    Held again = holdToward(session, towardBeta, 300);
    XSession::xdotool({"key", "Return"});
    EXPECT_TRUE(becomesActive("Beta"));
    EXPECT_TRUE(waitForEvents([&] { return !ringVisible(session); }, patience));
}

TEST_F(RingOnTheRealDesktop, MiddleButtonOpensTheRingAndNeverReachesTheWindowBelow) {
    ButtonProbe probe("400x300+520+300");
    ASSERT_TRUE(probe.shown());
    move({centerX, centerY});
    // The probe window hears an ordinary click.
    XSession::xdotool({"click", "1"});
    ASSERT_TRUE(waitForEvents([&] { return probe.heard().contains("ButtonPress"); }, patience));

    XSession::xdotool({"mousedown", "2"});
    EXPECT_TRUE(waitForEvents([&] { return ringVisible(session); }, patience));
    pause(450);
    XSession::xdotool({"mouseup", "2"});
    EXPECT_TRUE(waitForEvents([&] { return !ringVisible(session); }, patience));
    pause(200);
    const QByteArray heard = probe.heard();
    EXPECT_FALSE(heard.contains("button 2")) << heard.toStdString();
}

// An app with two windows of colours nothing else on the screen has: its entry's chips show
// them, and flicking onto one raises that window.
TEST_F(RingOnTheRealDesktop, ListsTheClientsAndFlickingOntoAWindowsChipRaisesIt) {
    const QString listing = session.runProgram({"--list-windows"});
    EXPECT_TRUE(listing.contains("Accessibility: allowed")) << listing.toStdString();
    EXPECT_TRUE(listing.contains("• Alpha")) << listing.toStdString();
    EXPECT_TRUE(listing.contains("• xclock")) << listing.toStdString();

    session.program.terminate();
    session.program.waitForFinished();
    ColourWindow red("Red", Qt::red, {10, 40, 240, 160});
    ColourWindow blue("Blue", Qt::blue, {10, 260, 240, 160});
    ASSERT_TRUE(XSession::waitForWindow("Red") && XSession::waitForWindow("Blue"));
    session.setPreferences(
        {{"showPlaces", false}, {"onboardingDone", true}, {"windowThumbnails", true}});
    ASSERT_TRUE(session.startProgram()) << session.errors().toStdString();
    const QStringList now = ringEntries(session);
    const int index = indexOf(now, "Red");
    ASSERT_GE(index, 0) << now.join(", ").toStdString();
    const QString png = session.config.filePath("ring.png");
    const QString line = session.runProgram({"--snapshot", png, QString::number(index)});
    EXPECT_TRUE(line.contains("expanded")) << line.toStdString();
    const QImage picture(png);
    ASSERT_FALSE(picture.isNull());
    EXPECT_GT(findPixels(picture, picture.rect(), near(Qt::red)).first, 200) << line.toStdString();
    EXPECT_GT(findPixels(picture, picture.rect(), near(Qt::blue)).first, 200) << line.toStdString();

    XSession::xdotool({"windowactivate", "--sync", QString::number(alpha)});

    const auto flickOntoBlueChip = [&](bool save) {
        // Hold, aim at the entry, and find the blue window's chip where the ring shows it.
        move({centerX, centerY});
        Held trigger = Held::keys({"alt", "space"});
        ASSERT_TRUE(waitForEvents([&] { return ringVisible(session); }, patience));
        move(toward(index, int(now.size())));
        const QRect nearRing(centerX - 420, centerY - 420, 840, 840);
        const QRect windows(0, 0, 270, 440);  // the real windows, top left
        const auto blueChip = [&] {
            // Only the chips outside the ring count: the entries' icons may hold blue too.
            QImage masked = screenshot();
            QPainter painter(&masked);
            painter.fillRect(windows, Qt::black);
            painter.setBrush(Qt::black);
            painter.drawEllipse(QPoint(centerX, centerY), 140, 140);
            painter.end();
            // A minimized window's card is drawn faded.
            return findPixels(masked, nearRing, [](QColor c) {
                return c.blue() > 90 && c.blue() > 2 * c.red() + 40 &&
                       c.blue() > 2 * c.green() + 40;
            });
        };
        // Found once two readings agree: cards that are still flying out grow on their own.
        std::pair<int, QPoint> chip;
        const bool found = waitForEvents(
            [&] {
                const int before = chip.first;
                chip = blueChip();
                return chip.first > 100 && chip.first == before;
            },
            patience);
        if (found) {
            // The picture of the ring over real windows that the README shows.
            if (save)
                screenshot().save(QStringLiteral(TANDRI_SCREENSHOTS "/ring-on-x11.png"));
            move(chip.second);
            // Let go only once the ring has seen the pointer there: the aimed card grows.
            EXPECT_TRUE(
                waitForEvents([&] { return blueChip().first > chip.first * 6 / 5; }, patience))
                << "the blue window's card never grew under the pointer";
        }
        trigger.release();
        ASSERT_TRUE(found) << "no chip showing the blue window";
    };

    flickOntoBlueChip(true);
    EXPECT_TRUE(becomesActive("Blue"));
    // A minimized window comes back when its chip is picked.
    XSession::xdotool({"windowminimize", "--sync", QString::number(blue.winId())});
    XSession::xdotool({"windowactivate", "--sync", QString::number(alpha)});
    flickOntoBlueChip(false);
    EXPECT_TRUE(becomesActive("Blue"));
    EXPECT_TRUE(waitForEvents([&] { return blue.isExposed(); }, patience));
}

// The window manager has four desktops: an app whose only window is on another one is still in
// the ring, not as minimized, and picking it goes to that desktop.
TEST_F(RingOnTheRealDesktop, PickingAnAppWhoseWindowIsOnAnotherDesktopGoesThere) {
    const auto desktop = [] {
        return XSession::xdotool({"get_desktop"});
    };
    struct BackToFirstDesktop {
        ~BackToFirstDesktop() {
            XSession::xdotool({"set_desktop", "0"});
            EXPECT_TRUE(waitForEvents([] { return XSession::xdotool({"get_desktop"}) == "0"; }));
        }
    } restore;
    const QString betaID = QString::number(beta);
    XSession::xdotool({"set_desktop_for_window", betaID, "1"});
    ASSERT_TRUE(waitForEvents([&] {
        return XSession::xdotool({"get_desktop_for_window", betaID}) == "1";
    }));
    XSession::xdotool({"windowactivate", "--sync", QString::number(alpha)});
    ASSERT_EQ(desktop(), "0");
    EXPECT_TRUE(session.runProgram({"--list-windows"}).contains("• Beta"));

    const QStringList now = ringEntries(session);
    ASSERT_EQ(now.size(), 3) << now.join(", ").toStdString();
    flick(toward(indexOf(now, "Beta"), int(now.size())));
    EXPECT_TRUE(waitForEvents([&] { return desktop() == "1"; }, patience));
    EXPECT_TRUE(becomesActive("Beta"));
}

// Runs only in the session whose one wide screen is split into two monitors.
TEST(TwoScreens, AClickOnTheOtherScreenClosesTheRing) {
    if (qEnvironmentVariable("X_SCREEN") != "2880x900x24")
        GTEST_SKIP() << "this session has one screen";
    XSession::run("xrandr", {"--setmonitor", "left", "1440/381x900/238+0+0", "screen"});
    XSession::run("xrandr", {"--setmonitor", "right", "1440/381x900/238+1440+0", "none"});
    XSession session;
    session.setPreferences({{"onboardingDone", true}});
    ASSERT_TRUE(session.startClient("xterm", {"-T", "Alpha", "-geometry", "+100+100"}, "Alpha"));
    ButtonProbe probe("400x300+1960+300");
    ASSERT_TRUE(probe.shown());
    ASSERT_TRUE(session.startProgram()) << session.errors().toStdString();
    // A tap leaves the ring open on the left screen, with the right one shielded.
    move({centerX, centerY});
    XSession::xdotool({"key", "alt+space"});
    ASSERT_TRUE(waitForEvents([&] { return ringVisible(session); }, patience));
    pause(400);
    ASSERT_TRUE(ringVisible(session));
    XSession::xdotool({"mousemove", "2160", "450", "click", "1"});
    EXPECT_TRUE(waitForEvents([&] { return !ringVisible(session); }, patience));
    // The shield took the click: the window below never saw it.
    pause(200);
    const QByteArray heard = probe.heard();
    EXPECT_FALSE(heard.contains("ButtonPress")) << heard.toStdString();
    // With the ring closed, the same click reaches it.
    XSession::xdotool({"click", "1"});
    EXPECT_TRUE(waitForEvents([&] { return probe.heard().contains("ButtonPress"); }, patience));
}

// A Plasma user's panel: its pinned app that does not run is on the ring and starts when picked,
// and KRunner's hold on Alt+Space is named.
TEST(DesktopDataOnTheRealDesktop, APlasmaPanelsPinnedAppIsOnTheRingAndKRunnerIsNamed) {
    XSession session;
    session.extraEnvironment.insert("XDG_CURRENT_DESKTOP", "KDE");
    session.setPreferences({{"showPlaces", false}, {"onboardingDone", true}});
    writeFile(session.data.filePath("applications/pinned-term.desktop"),
              "[Desktop Entry]\nType=Application\nName=Pinned Term\nExec=xterm -T Pinned\n");
    writeFile(session.config.filePath("plasma-org.kde.plasma.desktop-appletsrc"),
              "[Containments][1][Applets][2]\nplugin=org.kde.plasma.icontasks\n"
              "[Containments][1][Applets][2][Configuration][General]\n"
              "launchers=applications:pinned-term.desktop,applications:uninstalled.desktop\n");
    writeFile(session.config.filePath("kglobalshortcutsrc"),
              "[org.kde.krunner.desktop]\n_k_friendly_name=KRunner\n"
              "_launch=Alt+Space\\tAlt+F2,Alt+Space\\tAlt+F2,KRunner\n");
    ASSERT_TRUE(session.startClient("xterm", {"-T", "Alpha"}, "Alpha"));

    const QString listing = session.runProgram({"--list-windows"});
    EXPECT_TRUE(listing.contains("Shortcut: Alt+Space may also open KRunner."))
        << listing.toStdString();
    EXPECT_TRUE(listing.contains("0. Pinned Term — not running (pinned in the panel)"))
        << listing.toStdString();

    ASSERT_TRUE(session.startProgram()) << session.errors().toStdString();
    const QStringList entries = ringEntries(session);
    ASSERT_EQ(entries.size(), 2) << entries.join(", ").toStdString();
    flick(session, toward(indexOf(entries, "Pinned Term"), 2));
    const unsigned long started = XSession::waitForWindow("Pinned");
    EXPECT_NE(started, 0u) << session.errors().toStdString();
    if (started)
        XSession::xdotool({"windowkill", QString::number(started)});
}

// The desktop's scale as GNOME and KDE set it on X11 (Xft.dpi) is the ring's: twice the dots per
// inch draw it with twice the pixels each way, with no Qt variable set.
TEST(ScreenScale, TwiceTheDotsPerInchDrawTheRingWithFourTimesThePixels) {
    const auto ringShare = [](const QByteArray& resources) {
        QProcess xrdb;
        xrdb.start("xrdb", {resources.isEmpty() ? "-remove" : "-merge"});
        EXPECT_TRUE(xrdb.waitForStarted());
        xrdb.write(resources);
        xrdb.closeWriteChannel();
        XSession::finish(xrdb, 20000);
        XSession session;
        session.setPreferences({{"onboardingDone", true}, {"showPlaces", false}});
        // An empty ring does not open: one app to show. Minimized, as the screen around the ring
        // stays live: its title bar, which turns pale when the ring takes the keyboard, would
        // count as the ring's pixels.
        const unsigned long app = session.startClient("xterm", {"-title", "Scale"}, "Scale");
        EXPECT_NE(app, 0u);
        XSession::xdotool({"windowminimize", "--sync", QString::number(app)});
        EXPECT_TRUE(session.startProgram()) << session.errors().toStdString();
        move({720, 450});
        const QImage before = settledPicture("root", {});
        XSession::xdotool({"key", "alt+space"});
        EXPECT_TRUE(waitForEvents([&] { return ringVisible(session); }, patience))
            << session.errors().toStdString();
        const QImage open = settledPicture("root", {});
        XSession::xdotool({"key", "Escape"});
        EXPECT_TRUE(waitForEvents([&] { return !ringVisible(session); }, patience));
        return differingShare(before, open);
    };
    const double plain = ringShare({});
    const double doubled = ringShare("Xft.dpi: 192\n");
    ringShare({});  // the session's other tests run without the setting
    ASSERT_GT(plain, 0.0);
    EXPECT_NEAR(doubled / plain, 4.0, 0.6) << plain << " " << doubled;
}

}  // namespace
}  // namespace tandri::test
