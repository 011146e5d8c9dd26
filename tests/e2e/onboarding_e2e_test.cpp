// SPDX-License-Identifier: MIT
// The welcome guide of the real program on a real X server: shown on the first start, ticked by
// really opening the ring, finished by closing it, and not shown again.
#include <gtest/gtest.h>

#include <QImage>
#include <QJsonObject>

#include "e2e/accessibletree.h"
#include "e2e/xsession.h"

namespace tandri::test {
namespace {

constexpr int patience = 30000;
const QString title = QStringLiteral("Welcome to Tandri");

/// The window as the screen shows it now (the guide stays above the others).
QImage picture(unsigned long window) {
    return test::picture(QString::number(window));
}

/// The guide's check marks are this green and nothing else on its pages is.
int greenPixels(const QImage& image) {
    return findPixels(image, image.rect(), near(QColor(0x34, 0xa8, 0x53))).first;
}

/// The top of the page, where each page has its own heading (and the first its icon) and
/// nothing moves.
QImage headingStrip(const QImage& image) {
    return image.copy(0, 0, image.width(), 70);
}

/// Keeps the page's picture, when the run was asked for pictures.
void keep(const QImage& image, int step) {
    const QString folder = qEnvironmentVariable("TANDRI_GUIDE_SHOTS");
    if (!folder.isEmpty())
        image.save(folder + QStringLiteral("/guide-%1.png").arg(step));
}

class Guide : public ::testing::Test {
protected:
    /// Presses the focused primary button and waits until the next page is up.
    void next() {
        XSession::xdotool({"windowactivate", "--sync", QString::number(window)});
        const QImage before = headingStrip(picture(window));
        XSession::xdotool({"key", "space"});
        ASSERT_TRUE(waitForEvents(
            [&] {
                const QImage now = picture(window);
                return !now.isNull() && headingStrip(now) != before;
            },
            patience))
            << "the page did not change";
    }
    /// Waits until the window shows more green than `than`; the count then.
    int waitForTicks(int than) {
        int count = 0;
        waitForEvents(
            [&] {
                count = greenPixels(picture(window));
                return count > than;
            },
            patience);
        return count;
    }

    XSession session;
    unsigned long window = 0;
};

TEST_F(Guide, FirstStartShowsItTheRingTicksItAndClosedItStaysClosed) {
    session.setPreferences({{"showPlaces", false}});
    ASSERT_TRUE(session.startClient("xterm", {"-T", "Alpha"}, "Alpha"));
    ASSERT_TRUE(session.startProgram()) << session.errors().toStdString();
    window = XSession::waitForWindow(title, patience);
    ASSERT_NE(window, 0u) << "no guide on the first start";
    // The pictures wait until the window is drawn.
    ASSERT_TRUE(waitForEvents([&] { return !picture(window).isNull(); }, patience));
    keep(picture(window), 0);

    next();
    const QImage tryIt = picture(window);
    EXPECT_EQ(greenPixels(tryIt), 0) << "a row ticked before the ring opened";
    // Away from the guide, so that the ring does not cover it.
    const QPoint spot(220, 450);
    move(spot);
    int opened = 0;
    {
        // Held: the ring opens, and only the first row ticks.
        Held trigger = Held::keys({"alt", "space"});
        opened = waitForTicks(0);
        ASSERT_GT(opened, 0) << "holding the shortcut did not tick the first row";
        pause(400);
    }
    // Tapped: the ring stays open, and the keep-open row ticks.
    XSession::xdotool({"key", "alt+space"});
    const int kept = waitForTicks(opened + opened / 2);
    EXPECT_GT(kept, opened + opened / 2) << "a tap did not tick the keep-open row";
    XSession::xdotool({"key", "Escape"});
    {
        // Held, flicked up to the one app and let go: the switch row ticks.
        Held trigger = Held::keys({"alt", "space"});
        pause(100);
        move(spot - QPoint(0, 80));
        pause(450);
    }
    EXPECT_GT(waitForTicks(kept + opened / 2), kept + opened / 2) << "a pick did not tick";

    keep(picture(window), 1);
    next();
    keep(picture(window), 2);
    next();
    keep(picture(window), 3);
    // Closed by the user, from the title bar.
    XSession::run(QStringLiteral("wmctrl"), {"-c", title});
    ASSERT_TRUE(waitForEvents([&] { return XSession::waitForWindow(title, 100) == 0; }, patience))
        << "the guide did not close";
    // Finished, and no page to come back to.
    EXPECT_TRUE(
        waitForEvents([&] { return session.stored().value("onboardingDone").toBool(); }, patience));
    EXPECT_FALSE(session.stored().contains("onboardingStep"));
    session.program.terminate();
    XSession::finish(session.program, patience);
    // The next start shows no guide, until one is asked for.
    ASSERT_TRUE(session.startProgram()) << session.errors().toStdString();
    EXPECT_EQ(XSession::waitForWindow(title, 3000), 0u) << "the guide came back";
    session.runProgram({"--onboarding"});
    EXPECT_NE(XSession::waitForWindow(title, patience), 0u)
        << "the running copy did not open the guide it was handed";
}

// openbox keeps Alt+Space for its window menu: the program says so and keeps running, the middle
// button opens the ring, and the guide offers a free shortcut that its one click makes the ring's.
TEST(WindowManagerHoldsAltSpace, TheProgramGoesOnAndTheGuideOffersAFreeShortcut) {
    if (qEnvironmentVariable("X_WM_TAKES_ALT_SPACE") != "1")
        GTEST_SKIP() << "the window manager leaves Alt-Space free in this session";
    if (!AccessibleTree::busRuns())
        GTEST_SKIP() << "needs the accessibility bus (X_A11Y_BUS=1)";
    XSession session;
    session.setPreferences({{"showPlaces", false}});
    session.extraEnvironment.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    ASSERT_TRUE(session.startClient("xterm", {"-T", "Alpha"}, "Alpha"));
    ASSERT_TRUE(session.startProgram()) << session.errors().toStdString();
    const unsigned long window = XSession::waitForWindow(title, patience);
    ASSERT_NE(window, 0u) << "no guide on the first start";
    EXPECT_TRUE(waitForEvents(
        [&] { return session.errors().contains("Tandri: Alt+Space is taken by another app"); },
        patience))
        << session.errors().toStdString();
    // The ring: a window of the program other than the guide.
    const auto ringShown = [&] {
        return ringVisible(session, window);
    };
    move({220, 450});
    XSession::xdotool({"mousedown", "2"});
    EXPECT_TRUE(waitForEvents(ringShown, patience)) << "the middle button did not open the ring";
    pause(450);
    XSession::xdotool({"mouseup", "2"});
    EXPECT_TRUE(waitForEvents([&] { return !ringShown(); }, patience));

    AccessibleTree tree(session.program.processId());
    std::optional<AccessibleTree::Node> offer;
    ASSERT_TRUE(waitForEvents(
        [&] {
            offer = tree.find("label", [](const QString& name) {
                return name.startsWith("Alt+Space is held by");
            });
            return offer.has_value();
        },
        patience))
        << "the guide does not say that Alt+Space is held";
    EXPECT_EQ(tree.name(*offer),
              "Alt+Space is held by openbox's window menu. Super+Space is free on this desktop. "
              "The middle mouse button opens the ring either way.");
    EXPECT_FALSE(session.stored().contains("shortcut.label")) << "stored before the click";

    const auto use = tree.find("push button", "Use Super+Space");
    ASSERT_TRUE(use);
    ASSERT_TRUE(tree.press(*use));
    ASSERT_TRUE(waitForEvents(
        [&] {
            const QJsonObject values = session.stored();
            return values.value("shortcut.keyCode").toInt() == 49 &&
                   values.value("shortcut.modifiers").toInt() == 256;
        },
        patience))
        << "the offered shortcut was not stored";

    Held trigger = Held::keys({"super", "space"});
    EXPECT_TRUE(waitForEvents(ringShown, patience)) << "Super+Space did not open the ring";
    // Held past a tap, so that letting go closes it rather than keeping it open.
    pause(450);
    trigger.release();
    EXPECT_TRUE(waitForEvents([&] { return !ringShown(); }, patience));
}

}  // namespace
}  // namespace tandri::test
