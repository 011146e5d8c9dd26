// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/screens.h"
#include "platform/sim/simoverlaywindow.h"
#include "ring/clickshield.h"
#include "ringharness.h"

namespace tandri::test {
namespace {

using Mode = RingController::Mode;

std::vector<RingApp> folders(int count) {
    std::vector<RingApp> list;
    for (int i = 0; i < count; ++i) {
        RingApp folder;
        folder.kind = RingApp::Kind::Folder;
        folder.name = QStringLiteral("F%1").arg(i);
        folder.url = QUrl::fromLocalFile(QStringLiteral("/nonexistent/F%1").arg(i));
        list.push_back(folder);
    }
    return list;
}

TEST(RingController, QuickTapKeepsTheRingOpenAndALongHoldCloses) {
    RingHarness h(desktopWithApps(8));
    h.ring.triggerDown();
    EXPECT_EQ(h.ring.mode(), Mode::Holding);
    h.frame(32);  // 0.27 s without moving
    h.ring.triggerUp();
    EXPECT_EQ(h.ring.mode(), Mode::Sticky);
    EXPECT_EQ(h.events, (std::vector<QString>{"opened", "sticky"}));
    EXPECT_TRUE(h.desktop.sim().panel()->isKey());

    h.ring.triggerUp();  // a release while sticky changes nothing
    EXPECT_EQ(h.ring.mode(), Mode::Sticky);
    h.ring.triggerDown();  // a second press dismisses without a pick
    EXPECT_EQ(h.ring.mode(), Mode::Hidden);
    EXPECT_FALSE(h.desktop.sim().panel()->isVisible());

    h.events.clear();
    h.desktop.sim().clearActions();
    h.ring.triggerDown();
    h.frame(35);  // 0.29 s
    h.ring.triggerUp();
    EXPECT_EQ(h.ring.mode(), Mode::Hidden);
    EXPECT_EQ(h.events, (std::vector<QString>{"opened"}));
    EXPECT_FALSE(h.logged("activate 101"));

    // Released with the primary button held, it stays open, even with an entry aimed at.
    h.ring.triggerDown();
    h.moveFromCenter(80, 90);
    ASSERT_EQ(h.selectedApp(), 0);
    h.frame(60);
    h.desktop.sim().setPressedMouseButtons(Screens::primaryButton);
    h.ring.triggerUp();
    EXPECT_EQ(h.ring.mode(), Mode::Sticky);
    EXPECT_EQ(h.events, (std::vector<QString>{"opened", "opened", "sticky"}));
}

// The first opening makes the ring's windows and can take a good part of the tap's time; the
// tap and the growing animation count from when the ring shows.
TEST(RingController, ASlowOpeningNeitherTurnsATapIntoAHoldNorSkipsTheAnimation) {
    RingHarness h(desktopWithApps(8));
    // Something on the main thread holds the opening up for 0.2 s before it returns.
    auto slow = h.desktop.notifications().observe(RingController::openedNotification,
                                                  [&](const QVariant& sticky) {
                                                      if (!sticky.toBool())
                                                          h.desktop.clock().advance(0.2);
                                                  });
    h.ring.triggerDown();
    h.frame();
    // One tick into the animation (after the step shown with the window), not 0.2 s into it.
    EXPECT_NEAR(h.view().progress(),
                2 * RingController::frameInterval / RingController::openingDuration, 1e-9);
    h.frame(10);  // released 0.29 s after the press, 0.09 s after the ring showed
    h.ring.triggerUp();
    EXPECT_EQ(h.ring.mode(), Mode::Sticky);
    h.ring.triggerDown();

    // Held for 0.29 s once the ring shows: a hold, however the opening went.
    h.ring.triggerDown();
    h.frame(35);
    h.ring.triggerUp();
    EXPECT_EQ(h.ring.mode(), Mode::Hidden);
    EXPECT_EQ(h.events, (std::vector<QString>{"opened", "sticky", "opened"}));
}

// A program kept waiting by a busy machine may not have run a frame since the pointer moved: a
// release or a click still acts on the entry the pointer is on, not on the one it was on.
TEST(RingController, AReleaseOrAClickCommitsWhereThePointerIsAfterClosing) {
    for (const bool release : {true, false}) {
        SCOPED_TRACE(release ? "release" : "click");
        RingHarness h(desktopWithApps(8));
        h.open(release);
        h.moveFromCenter(80, 0);  // right: entry 2 of 8
        ASSERT_EQ(h.selectedApp(), 2);
        EXPECT_EQ(h.view().selectedApp(), 2);
        h.desktop.sim().setMouseLocation(h.center() - QPointF(80, 0));  // entry 6, no frame yet
        if (release)
            h.ring.triggerUp();
        else
            h.desktop.sim().panel()->mouseDown(MouseButton::Left);
        EXPECT_TRUE(h.logged("activate 107"));
        EXPECT_FALSE(h.logged("activate 103"));
        EXPECT_EQ(h.ring.mode(), Mode::Hidden);
        EXPECT_FALSE(h.desktop.sim().panel()->isVisible());
        EXPECT_EQ(QStringList(h.events.begin(), h.events.end()).join(' '),
                  release ? "opened picked" : "opened sticky picked");
        EXPECT_TRUE(h.ring.apps().empty());
        EXPECT_TRUE(h.view().apps.empty());
    }
}

// The same keys act whether the trigger is still held or the ring was tapped open.
TEST(RingController, KeysCommitCloseOrOpenSettingsWhetherHeldOrTapped) {
    for (const bool held : {true, false}) {
        SCOPED_TRACE(held ? "held" : "tapped");
        RingHarness h(desktopWithApps(8));
        const Mode open = held ? Mode::Holding : Mode::Sticky;
        const auto openRing = [&] {
            h.open(held);
            ASSERT_EQ(h.ring.mode(), open);
        };
        // Return without a selection does nothing.
        openRing();
        h.view().keyDown({36, 0});
        EXPECT_EQ(h.ring.mode(), open);
        // Enter commits the selection.
        h.moveFromCenter(80, 180);  // left: entry 6
        h.view().keyDown({76, 0});
        EXPECT_EQ(h.ring.mode(), Mode::Hidden);
        EXPECT_TRUE(h.logged("activate 107"));

        // A plain comma does nothing; Escape closes without a pick.
        h.events.clear();
        openRing();
        h.view().keyDown({43, 0});
        h.view().keyDown({12, 0});
        EXPECT_EQ(h.ring.mode(), open);
        h.view().keyDown({53, 0});
        EXPECT_EQ(h.ring.mode(), Mode::Hidden);
        const std::vector<QString> events =
            held ? std::vector<QString>{"opened"} : std::vector<QString>{"opened", "sticky"};
        EXPECT_EQ(h.events, events);

        // Command- or Control-comma closes the ring first, then opens Settings; other
        // modifiers do not matter.
        for (const quint64 flag : {KeyEvent::commandFlag, KeyEvent::controlFlag}) {
            Mode modeWhenSettingsOpened = open;
            h.ring.onOpenSettings = [&] {
                modeWhenSettingsOpened = h.ring.mode();
            };
            openRing();
            h.view().keyDown({43, flag | (1u << 17)});
            EXPECT_EQ(modeWhenSettingsOpened, Mode::Hidden);
        }
    }
}

TEST(RingController, AClickOnTheRingWithoutAnAimClosesIt) {
    RingHarness h(desktopWithApps(8));
    h.view().mouseDown(MouseButton::Left);  // hidden: nothing happens
    EXPECT_TRUE(h.events.empty());
    h.ring.openSticky();
    h.view().mouseDown(MouseButton::Left);
    EXPECT_EQ(h.ring.mode(), Mode::Hidden);
    EXPECT_EQ(h.events, (std::vector<QString>{"opened", "sticky"}));
}

TEST(RingController, FitsEntriesToTheCapacityWithAnOverflowEntry) {
    // Twenty-four entries at most, places last; two slots always stay for apps. The overflow
    // entry follows the apps that fit and lists twenty of the rest at most.
    struct Case {
        int apps, places;
        size_t shown;
        int more;  // 0 for no overflow entry
        size_t listed;
    };
    for (const Case& c : {Case{30, 0, 24, 7, 7}, Case{60, 0, 24, 37, 20}, Case{3, 23, 25, 2, 2},
                          Case{22, 2, 24, 0, 0}}) {
        SCOPED_TRACE(testing::Message() << c.apps << " apps, " << c.places << " places");
        RingHarness h(desktopWithApps(1));
        h.useEntries(runningApps(c.apps), folders(c.places));
        h.ring.triggerDown();
        const std::vector<RingApp>& apps = h.ring.apps();
        ASSERT_EQ(apps.size(), c.shown);
        EXPECT_EQ(h.view().layout.count, static_cast<int>(c.shown));
        const std::vector<RingApp>& overflow = h.ring.overflow();
        ASSERT_EQ(overflow.size(), c.listed);
        if (!c.more) {
            EXPECT_FALSE(std::any_of(apps.begin(), apps.end(),
                                     [](const RingApp& a) { return a.moreCount().has_value(); }));
            continue;
        }
        const size_t at = c.shown - static_cast<size_t>(c.places) - 1;
        EXPECT_EQ(apps[at - 1].name, QStringLiteral("A%1").arg(at - 1));
        EXPECT_EQ(apps[at].moreCount(), c.more);
        EXPECT_EQ(apps[at].name, QStringLiteral("%1 more apps").arg(c.more));
        if (c.places) {
            EXPECT_EQ(apps[at + 1].name, "F0");
        }
        EXPECT_EQ(overflow.front().name, QStringLiteral("A%1").arg(at));
        EXPECT_EQ(overflow.back().name, QStringLiteral("A%1").arg(at + c.listed - 1));
        // The overflow entry offers its apps as chips, in order.
        const auto chips = h.ring.chips(static_cast<int>(at));
        ASSERT_TRUE(chips);
        ASSERT_EQ(chips->size(), c.listed);
        EXPECT_EQ(chips->front().title(), overflow.front().name);
    }
}

TEST(RingController, NothingToShowOpensNothing) {
    RingHarness h(desktopWithApps(0));
    h.useEntries({});
    h.ring.triggerDown();
    EXPECT_EQ(h.ring.mode(), Mode::Hidden);
    h.ring.triggerUp();
    h.ring.openSticky();
    EXPECT_EQ(h.ring.mode(), Mode::Hidden);
    EXPECT_TRUE(h.events.empty());
    EXPECT_EQ(h.desktop.sim().panel()->isVisible(), false);
}

TEST(RingController, RingNearAScreenEdgeShiftsInsideTheVisibleFrame) {
    RingHarness h(desktopWithApps(
        8, 1, R"({"screens": [{"frame": [0, 0, 1440, 900], "visible": [0, 70, 1440, 805]}]})"));
    h.desktop.sim().setMouseLocation({5, 880});
    h.ring.triggerDown();
    const double half = h.view().layout.size / 2;  // 134
    EXPECT_DOUBLE_EQ(h.center().x(), half);
    EXPECT_DOUBLE_EQ(h.center().y(), 875 - half);
    // Chips must stay 8 points inside the visible frame.
    EXPECT_EQ(h.view().placementBounds, QRectF(8, 78, 1424, 789));
}

TEST(RingController, OtherScreensGetShieldsThatCloseTheRingAndNoScreenMeansTheMainOne) {
    RingHarness h(desktopWithApps(8, 1, R"({"screens": [
        {"frame": [0, 0, 1440, 900]}, {"frame": [1440, 0, 1920, 1080]}]})"));
    h.desktop.sim().setMouseLocation({2400, 540});
    h.ring.triggerDown();
    EXPECT_EQ(h.ring.panel().frame(), QRectF(1440, 0, 1920, 1080));
    EXPECT_DOUBLE_EQ(h.view().ringCenter.x(), 960);
    ASSERT_EQ(h.ring.shields().size(), 1u);
    EXPECT_EQ(h.ring.shields()[0]->frame(), QRectF(0, 0, 1440, 900));
    EXPECT_TRUE(h.ring.shields()[0]->isVisible());
    h.desktop.sim().shields()[0]->mouseDown(MouseButton::Right);
    EXPECT_EQ(h.ring.mode(), Mode::Hidden);
    EXPECT_FALSE(h.ring.shields()[0]->isVisible());

    // The spare shield is reused for the other screen next time.
    h.desktop.sim().setMouseLocation({100, 100});
    h.ring.triggerDown();
    ASSERT_EQ(h.ring.shields().size(), 1u);
    EXPECT_EQ(h.ring.shields()[0]->frame(), QRectF(1440, 0, 1920, 1080));
    EXPECT_EQ(h.ring.panel().frame(), QRectF(0, 0, 1440, 900));

    // A click in another application dismisses the ring too.
    h.desktop.sim().clickInOtherApp();
    EXPECT_EQ(h.ring.mode(), Mode::Hidden);
    h.desktop.sim().clickInOtherApp();  // the monitor went with the ring
    EXPECT_EQ(h.ring.mode(), Mode::Hidden);

    // A pointer off every screen opens it on the main one.
    h.desktop.sim().setMouseLocation({-500, -500});
    h.ring.triggerDown();
    EXPECT_EQ(h.ring.panel().frame(), QRectF(0, 0, 1440, 900));
    EXPECT_EQ(h.center(), QPointF(134, 134));
}

TEST(RingController, OpeningFadesInOverATenthOfASecondFromItsFirstStepShownAtOnce) {
    RingHarness h(desktopWithApps(8));
    const double step = (1.0 / 120) / 0.12;
    h.ring.triggerDown();
    EXPECT_NEAR(h.view().progress(), step, 1e-9);
    EXPECT_NEAR(h.desktop.sim().panel()->backdropAlpha(), step, 1e-9);
    h.frame(6);  // 0.05 s
    EXPECT_NEAR(h.view().progress(), 7 * step, 1e-9);
    EXPECT_NEAR(h.desktop.sim().panel()->backdropAlpha(), 7 * step, 1e-9);
    h.frame(12);
    EXPECT_EQ(h.view().progress(), 1.0);
    h.ring.triggerUp();

    RingHarness still(desktopWithApps(8, 1, R"({"reduceMotion": true})"));
    still.ring.triggerDown();
    EXPECT_EQ(still.view().progress(), 1.0);
    EXPECT_EQ(still.desktop.sim().panel()->backdropAlpha(), 1.0);
}

TEST(RingController, ViewMirrorsTheSessionState) {
    RingHarness h(desktopWithApps(3, 1, R"({"frontmost": 102})"));
    h.caches.lastCounts = {{101, 4}, {103, 12}};
    h.ring.triggerDown();
    EXPECT_EQ(h.view().frontmostPID, 102);
    EXPECT_EQ(h.view().windowCounts(), (std::vector<int>{4, 0, 12}));
    EXPECT_EQ(h.view().windowLayout, WindowLayout::Arc);
    EXPECT_FALSE(h.view().showsThumbnails);
    EXPECT_EQ(h.view().previewWidth, 280);
    EXPECT_EQ(h.view().lookChoice.style, RingStyle::Glass);
    EXPECT_TRUE(h.view().look());
}

// The rehearsal after start-up shows and announces nothing, and the first opening after it
// draws the same picture as one without it.
TEST(RingController, ARehearsalLeavesNoTraceOnTheFirstOpening) {
    const auto firstPicture = [](bool rehearsed) {
        RingHarness h(desktopWithApps(6));
        if (rehearsed) {
            h.ring.rehearse();
            EXPECT_EQ(h.ring.mode(), Mode::Hidden);
            EXPECT_TRUE(h.events.empty());
            EXPECT_EQ(h.desktop.sim().panel()->orderFrontCount(), 0);
            EXPECT_TRUE(h.desktop.sim().panel()->contents().isNull());
            EXPECT_FALSE(h.desktop.sim().panel()->backdrop());
        }
        h.ring.triggerDown();
        h.frame(20);
        EXPECT_EQ(h.view().apps.size(), 6u);
        return h.desktop.sim().panel()->contents();
    };
    const QImage plain = firstPicture(false);
    ASSERT_FALSE(plain.isNull());
    EXPECT_EQ(firstPicture(true), plain);

    RingHarness open(desktopWithApps(6));
    open.ring.triggerDown();
    open.ring.rehearse();  // an open ring is left alone
    EXPECT_EQ(open.ring.mode(), Mode::Holding);
    EXPECT_EQ(open.view().apps.size(), 6u);
    EXPECT_TRUE(open.desktop.sim().panel()->isVisible());
}

}  // namespace
}  // namespace tandri::test
