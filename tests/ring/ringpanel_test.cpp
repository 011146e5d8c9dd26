// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "platform/sim/simoverlaywindow.h"
#include "prefs/ringstyle.h"
#include "ring/clickshield.h"
#include "ring/ringpanel.h"
#include "ringharness.h"
#include "support/ringentries.h"
#include "support/viewpicture.h"

namespace tandri::test {
namespace {

using Material = OverlayBackdrop::Material;

constexpr const char* twoScreens = R"({"screens": [
    {"frame": [0, 0, 1440, 900], "visible": [0, 70, 1440, 805]},
    {"frame": [1440, 0, 1920, 1080], "visible": [1440, 0, 1920, 1050]}]})";

LookChoice lookOf(RingStyle style, RingBackground background = RingBackground::Disc) {
    return LookChoice{style, background, true};
}

// The mask's alpha at a point given in points from the backdrop's centre, y up.
int maskAlpha(const OverlayBackdrop& backdrop, QPointF fromCentre) {
    const double perPoint = backdrop.mask.width() / backdrop.frame.width();
    const int x = int((backdrop.frame.width() / 2 + fromCentre.x()) * perPoint);
    const int y = int((backdrop.frame.height() / 2 - fromCentre.y()) * perPoint);
    return qAlpha(backdrop.mask.pixel(x, y));
}

// Whether anything is drawn inside a rect of the window's picture (window points, y up).
bool drawnWithin(const sim::SimOverlayWindow& window, const QRectF& rect) {
    return !ViewPicture(window.contents(), QRectF(QPointF(), window.frame().size())).blank(rect);
}

class RingPanelTest : public ::testing::Test {
protected:
    RingPanelTest() : desktop(twoScreens), panel(desktop.platform().overlays, desktop.clock()) {
        screens = desktop.platform().screens.screens();
        panel.ringView().apps = runningApps(8);
    }
    sim::SimOverlayWindow& window() { return *desktop.sim().panel(); }
    void open(const Screen& screen, QPointF center, const LookChoice& look) {
        panel.configure(RingLayout(8), screen, center, look, true);
        panel.orderFront();
    }

    TestDesktop desktop;
    RingPanel panel;
    std::vector<Screen> screens;
};

TEST_F(RingPanelTest, TheGlassLookGetsABandWithItsHoleClearWhileItIsTheLook) {
    open(screens[0], QPointF(720, 450), lookOf(RingStyle::Glass));
    ASSERT_TRUE(window().backdrop());
    const OverlayBackdrop& band = *window().backdrop();
    // R = 26 + 88 + 12 = 126 and H = 88 - 26 - 10 = 52 for eight entries.
    EXPECT_EQ(band.material, Material::Popover);
    EXPECT_EQ(band.frame, QRectF(720 - 126, 450 - 126, 252, 252));
    EXPECT_EQ(band.mask.size(), QSize(252, 252));  // the sim's screens are one pixel a point
    EXPECT_EQ(maskAlpha(band, {0, 0}), 0);
    EXPECT_EQ(maskAlpha(band, {45, 0}), 0);
    EXPECT_EQ(maskAlpha(band, {0, 60}), 255);
    EXPECT_EQ(maskAlpha(band, {-120, 0}), 255);
    EXPECT_EQ(maskAlpha(band, {110, 110}), 0);  // outside the outer edge

    // Switching to a look without a blur hides it; switching back restores it.
    panel.orderOut();
    open(screens[0], QPointF(720, 450), lookOf(RingStyle::Outline));
    EXPECT_FALSE(window().backdrop());
    panel.orderOut();
    open(screens[0], QPointF(500, 400), lookOf(RingStyle::Glass));
    ASSERT_TRUE(window().backdrop());
    EXPECT_EQ(window().backdrop()->frame.center(), QPointF(500, 400));
    EXPECT_EQ(maskAlpha(*window().backdrop(), {0, 0}), 0);
    EXPECT_EQ(maskAlpha(*window().backdrop(), {0, 90}), 255);
}

TEST_F(RingPanelTest, EveryLookGetsItsOwnBackdrop) {
    const QPointF centre(720, 450);
    open(screens[0], centre, lookOf(RingStyle::Quib, RingBackground::Disc));
    ASSERT_TRUE(window().backdrop());
    EXPECT_EQ(window().backdrop()->material, Material::Hud);
    EXPECT_EQ(window().backdrop()->frame.width(), 252);
    EXPECT_EQ(maskAlpha(*window().backdrop(), {0, 0}), 255);
    EXPECT_EQ(maskAlpha(*window().backdrop(), {0, -120}), 255);
    EXPECT_EQ(maskAlpha(*window().backdrop(), {110, -110}), 0);

    // The veil reaches 0.75 × 52 + 88 = 127 and fades out over its outer 15 %.
    open(screens[0], centre, lookOf(RingStyle::Orbit));
    ASSERT_TRUE(window().backdrop());
    const OverlayBackdrop veil = *window().backdrop();
    EXPECT_EQ(veil.material, Material::Popover);
    EXPECT_EQ(veil.frame, QRectF(720 - 127, 450 - 127, 254, 254));
    EXPECT_EQ(maskAlpha(veil, {0, 0}), 255);
    EXPECT_EQ(maskAlpha(veil, {100, 0}), 255);
    const int rim = maskAlpha(veil, {122, 0});
    EXPECT_GT(rim, 0);
    EXPECT_LT(rim, 200);

    open(screens[0], centre, lookOf(RingStyle::Aura, RingBackground::Veil));
    ASSERT_TRUE(window().backdrop());
    EXPECT_EQ(window().backdrop()->frame.width(), 254);

    open(screens[0], centre, lookOf(RingStyle::Quib, RingBackground::None));
    EXPECT_FALSE(window().backdrop());

    // Masks are drawn at the screen's pixel density.
    const auto band = RingPanel::backdrop({LookBackdrop::Shape::Band, BlurMaterial::Popover},
                                          RingLayout(8), QPointF(300, 200), 2);
    ASSERT_TRUE(band);
    EXPECT_EQ(band->mask.size(), QSize(504, 504));
    EXPECT_EQ(band->frame, QRectF(300 - 126, 200 - 126, 252, 252));
    EXPECT_EQ(maskAlpha(*band, {51, 0}), 0);
    EXPECT_EQ(maskAlpha(*band, {53, 0}), 255);
    EXPECT_EQ(maskAlpha(*band, {125, 0}), 255);
    EXPECT_FALSE(RingPanel::backdrop({LookBackdrop::Shape::None, BlurMaterial::HudWindow},
                                     RingLayout(8), QPointF(300, 200), 2));
}

TEST_F(RingPanelTest, OpeningOnASecondDisplayCoversIt) {
    Screen second = screens[1];
    second.scale = 2;
    open(second, QPointF(2400, 540), lookOf(RingStyle::Glass));
    EXPECT_EQ(window().frame(), QRectF(1440, 0, 1920, 1080));
    EXPECT_EQ(panel.ringView().bounds, QRectF(0, 0, 1920, 1080));
    EXPECT_EQ(panel.ringView().ringCenter, QPointF(960, 540));
    // 8 points inside the display's visible frame, in the panel's coordinates.
    EXPECT_EQ(panel.ringView().placementBounds, QRectF(8, 8, 1904, 1034));
    ASSERT_TRUE(window().backdrop());
    EXPECT_EQ(window().backdrop()->frame.center(), QPointF(960, 540));
    EXPECT_EQ(window().backdrop()->mask.width(), 504);

    panel.display();
    EXPECT_EQ(panel.scale(), 2);
    EXPECT_EQ(window().contentsScale(), 2);
    EXPECT_EQ(window().contents().size(), QSize(3840, 2160));
    EXPECT_TRUE(drawnWithin(window(), QRectF(960 - 134, 540 - 134, 268, 268)));
    EXPECT_FALSE(drawnWithin(window(), QRectF(0, 0, 700, 1080)));

    // A screen that tells no scale is drawn at two pixels a point.
    Screen odd = screens[0];
    odd.scale = 0;
    open(odd, QPointF(720, 450), lookOf(RingStyle::Outline));
    EXPECT_EQ(panel.scale(), 2);
}

TEST_F(RingPanelTest, DisplayDrawsOnlyWhatChangedAndNothingWhileHidden) {
    panel.configure(RingLayout(8), screens[0], QPointF(720, 450), lookOf(RingStyle::Outline), true);
    panel.display();  // not ordered front yet
    EXPECT_EQ(window().contentsUpdates(), 0);
    EXPECT_TRUE(window().contents().isNull());

    panel.orderFront();
    panel.display();
    EXPECT_EQ(window().contentsUpdates(), 1);
    EXPECT_TRUE(drawnWithin(window(), QRectF(720 - 134, 450 - 134, 268, 268)));
    panel.display();
    EXPECT_EQ(window().contentsUpdates(), 1);

    // The aimed entry and the name in the middle, as pieces of their own.
    panel.ringView().setSelectedApp(3);
    panel.display();
    const int aimed = window().contentsUpdates();
    EXPECT_GT(aimed, 1);
    // The view's own request to draw at once goes to the window too.
    panel.ringView().setNotice(QStringLiteral("Loading"));
    panel.ringView().displayNow();
    EXPECT_EQ(window().contentsUpdates(), aimed + 1);
}

TEST_F(RingPanelTest, NeitherChipsThatGoAwayNorAnEarlierOpeningLeaveAnythingBehind) {
    open(screens[0], QPointF(720, 450), lookOf(RingStyle::Glass));
    panel.ringView().showChips(windowChips(4), 2);
    ASSERT_EQ(panel.ringView().chips().size(), 4u);
    // The part of the chips' area beyond the ring's outer edge (126 points from the centre).
    QRectF chips = panel.ringView().chipsBounds();
    chips.setLeft(std::max(chips.left(), 720.0 + 130));
    ASSERT_FALSE(chips.isEmpty());
    panel.display();
    EXPECT_TRUE(drawnWithin(window(), chips));

    panel.ringView().hideChips();
    panel.display();
    EXPECT_FALSE(drawnWithin(window(), chips));
    EXPECT_TRUE(drawnWithin(window(), QRectF(720 - 134, 450 - 134, 268, 268)));

    // After orderOut the next opening shows no stale frame.
    panel.ringView().showChips(windowChips(3), 2);
    panel.display();

    panel.orderOut();
    EXPECT_FALSE(window().isVisible());
    EXPECT_TRUE(window().contents().isNull());
    EXPECT_FALSE(window().backdrop());

    open(screens[0], QPointF(1000, 500), lookOf(RingStyle::Glass));
    EXPECT_TRUE(window().contents().isNull());  // nothing until the first frame is drawn
    EXPECT_TRUE(panel.ringView().chips().empty());
    panel.display();
    EXPECT_FALSE(drawnWithin(window(), QRectF(720 - 134, 450 - 134, 268, 268)));
    EXPECT_TRUE(drawnWithin(window(), QRectF(1000 - 134, 500 - 134, 268, 268)));
}

TEST(RingPanelController, EveryFrameEndsWithTheChangesDrawn) {
    for (const bool still : {false, true}) {
        SCOPED_TRACE(still ? "shown whole at once" : "fading in");
        RingHarness h(desktopWithApps(8, 1, still ? R"({"reduceMotion": true})" : ""));
        h.ring.triggerDown();
        sim::SimOverlayWindow& window = *h.desktop.sim().panel();
        // The fade's first step, or the whole ring, comes with the window, not a tick later.
        ASSERT_FALSE(window.contents().isNull());
        EXPECT_EQ(window.contentsUpdates(), 1);
        if (!still)
            h.frame(20);  // past the opening fade
        const QPointF centre = h.view().ringCenter;
        EXPECT_TRUE(drawnWithin(window, QRectF(centre - QPointF(100, 100), QSizeF(200, 200))));
        const int updates = window.contentsUpdates();
        h.frame(3);  // nothing changed
        EXPECT_EQ(window.contentsUpdates(), still ? 1 : updates);
        h.moveFromCenter(80, 90);
        EXPECT_EQ(window.contentsUpdates(), updates + 1);

        h.view().keyDown({53, 0});  // Escape
        EXPECT_TRUE(window.contents().isNull());
        EXPECT_FALSE(window.backdrop());
    }
}

TEST(RingPanelController, ChipsOnASecondDisplayStayInsideItsVisibleFrame) {
    RingHarness h(desktopWithApps(8, 6, twoScreens));
    // Near the right edge of the second display: chips of the right-hand entry must turn back.
    h.desktop.sim().setMouseLocation({3300, 540});
    h.ring.triggerDown();
    h.load();
    EXPECT_EQ(h.ring.panel().frame(), QRectF(1440, 0, 1920, 1080));
    const QRectF bounds = h.view().placementBounds;
    EXPECT_EQ(bounds, QRectF(8, 8, 1904, 1034));
    h.moveFromCenter(100, 0);
    ASSERT_EQ(h.ring.expandedApp(), 2);
    ASSERT_FALSE(h.view().chips().empty());
    for (const auto& chip : h.view().chips()) {
        EXPECT_TRUE(bounds.contains(chip.frame)) << chip.frame.x() << "," << chip.frame.y();
    }
}

TEST(ClickShield, EveryButtonCallsItsClickAndAShieldWithoutOneIgnoresIt) {
    TestDesktop desktop;
    ClickShield shield(desktop.platform().overlays);
    sim::SimOverlayWindow& window = *desktop.sim().shields().at(0);
    EXPECT_TRUE(window.acceptsMouseEvents());
    window.mouseDown(MouseButton::Left);  // no callback yet: nothing happens

    int clicks = 0;
    shield.onClick = [&] {
        ++clicks;
    };
    window.mouseDown(MouseButton::Left);
    window.mouseDown(MouseButton::Right);
    window.mouseDown(MouseButton::Other);
    EXPECT_EQ(clicks, 3);

    shield.setFrame(QRectF(1440, 0, 1920, 1080));
    shield.orderFront();
    EXPECT_EQ(window.frame(), QRectF(1440, 0, 1920, 1080));
    EXPECT_TRUE(shield.isVisible());
    shield.orderOut();
    EXPECT_FALSE(shield.isVisible());
}

}  // namespace
}  // namespace tandri::test
