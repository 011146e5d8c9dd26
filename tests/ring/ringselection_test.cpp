// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "ringharness.h"

namespace tandri::test {
namespace {

using Selection = RingController::Selection;

using Aim = std::pair<int, int>;  // the aimed entry and the entry showing its chips

TEST(RingSelection, HeldRingNeedsAFlickAndAStickyOneUsesTheHoleAndASmallerReach) {
    RingHarness h(desktopWithApps(8, 2));
    h.ring.triggerDown();
    h.load();
    ASSERT_TRUE(h.ring.windowsLoaded());
    EXPECT_EQ(h.aimAt(10, 90), Aim(-1, -1));
    EXPECT_EQ(h.aimAt(30, 90), Aim(0, -1));
    EXPECT_EQ(h.aimAt(61, 90), Aim(0, -1));  // short of the icon band (62)
    EXPECT_EQ(h.aimAt(70, 90), Aim(0, 0));
    EXPECT_EQ(h.view().chips().size(), 2u);
    EXPECT_EQ(h.view().chipsApp(), 0);
    // Beyond 126 + 48, beside the chips that fan out above the entry rather than toward them.
    EXPECT_EQ(h.aimAt(175, 110), Aim(-1, -1));
    EXPECT_TRUE(h.view().chips().empty());
    EXPECT_EQ(h.view().selectedApp(), std::nullopt);
    // A sticky ring counts from its hole and reaches less far beyond its edge.
    RingHarness sticky(desktopWithApps(8, 2));
    sticky.ring.openSticky();
    sticky.load();
    EXPECT_EQ(sticky.aimAt(51, 90), Aim(-1, -1));
    EXPECT_EQ(sticky.aimAt(55, 90), Aim(0, -1));
    EXPECT_EQ(sticky.aimAt(100, 90), Aim(0, 0));
    // Still in entry 0's sector, but clear of its chips straight above.
    EXPECT_EQ(sticky.aimAt(137, 110).first, 0);
    EXPECT_EQ(sticky.aimAt(140, 110), Aim(-1, -1));  // beyond 126 + 12
}

TEST(RingSelection, SectorsTiesAndADeadZoneCountedFromTheStartAndFromTheCentre) {
    // Near the left edge the ring opens shifted right of the pointer.
    RingHarness h(desktopWithApps(8));
    h.desktop.sim().setMouseLocation({5, 450});
    h.ring.triggerDown();
    ASSERT_EQ(h.center(), QPointF(134, 450));
    EXPECT_EQ(h.aimAt({22, 450}).first, -1);   // 17 from the start, 112 from the centre
    EXPECT_EQ(h.aimAt({23, 450}).first, 6);    // 18 from the start
    EXPECT_EQ(h.aimAt({140, 450}).first, -1);  // far from the start but 6 from the centre
    EXPECT_EQ(h.aimAt({134, 470}).first, 0);   // 20 above the centre, 131 from the start
    // Each entry has its sector.
    RingHarness middle(desktopWithApps(8));
    middle.ring.triggerDown();
    const RingLayout layout = middle.view().layout;
    for (int i = 0; i < 8; ++i) EXPECT_EQ(middle.aimAt(80, layout.angle(i) * 180 / M_PI).first, i);
    // Four entries: the diagonals are exactly half-way and round away from zero.
    RingHarness four(desktopWithApps(4));
    four.ring.triggerDown();
    EXPECT_EQ(four.aimAt(four.center() + QPointF(60, 60)).first, 1);
    EXPECT_EQ(four.aimAt(four.center() + QPointF(-60, 60)).first, 3);
}

TEST(RingSelection, WindowChipsWaitForTheWindowLoadAndTheLayoutOffOffersNone) {
    RingHarness h(desktopWithApps(8, 3));
    h.ring.triggerDown();
    EXPECT_EQ(h.aimAt(80, 90), Aim(0, -1));
    h.load();
    h.frame();
    EXPECT_EQ(h.ring.expandedApp(), 0);
    ASSERT_EQ(h.view().chips().size(), 3u);
    EXPECT_EQ(h.view().chips()[0].title(), "Window 0.0");

    RingHarness off(desktopWithApps(8, 3));
    off.desktop.preferences().setValue(Preferences::appDomain, "windowLayout", "off");
    off.ring.triggerDown();
    off.load();
    EXPECT_EQ(off.aimAt(90, 90), Aim(0, -1));
    EXPECT_FALSE(off.view().showsThumbnails);
}

TEST(RingSelection, AimingAtTheChipsKeepsTheEntryUntilThePointerRests) {
    RingHarness h(desktopWithApps(8, 2));
    h.desktop.preferences().setValue(Preferences::appDomain, "windowLayout", "column");
    h.ring.openSticky();
    h.load();
    h.moveTo(h.center() + QPointF(64, 64));  // entry 1, up and to the right
    ASSERT_EQ(h.ring.expandedApp(), 1);
    const QRectF first = h.view().chips()[0].frame;
    ASSERT_GT(first.x(), h.center().x() + 126);  // the column sits right of the ring

    // Crossing entry 2's sector on the way to the second row keeps entry 1.
    EXPECT_EQ(h.aimAt(h.center() + QPointF(110, 40)), Aim(1, 1));
    // Beyond the ring's reach but still on course: no selection, the chips stay.
    EXPECT_EQ(h.aimAt(h.center() + QPointF(120, 70)), Aim(-1, 1));
    h.frame(29);  // at rest for 0.24 s: still aiming
    EXPECT_EQ(h.ring.expandedApp(), 1);
    h.frame(2);  // at rest for 0.26 s: no longer
    EXPECT_EQ(h.ring.expandedApp(), std::nullopt);
    EXPECT_TRUE(h.view().chips().empty());
}

TEST(RingSelection, PickingAChipRaisesItsWindow) {
    RingHarness h(desktopWithApps(8, 2));
    h.ring.triggerDown();
    h.load();
    ASSERT_EQ(h.aimAt(80, 90), Aim(0, 0));
    const QRectF second = h.view().chips()[1].frame;
    h.moveTo(second.center());
    EXPECT_EQ(h.ring.selection(), (Selection{0, 1}));
    EXPECT_EQ(h.view().selectedChip(), 1);
    EXPECT_EQ(h.view().selectedApp(), 0);
    // Within the reach of a held trigger, just outside the chip, still picks it.
    // (The chips fan out on an arc above the entry: "outside" is further out along its direction.)
    const QPointF out = second.center() - h.view().ringCenter;
    h.moveTo(second.center() + out / std::hypot(out.x(), out.y()) * (second.height() / 2 + 40));
    EXPECT_EQ(h.ring.selection()->chip.has_value(), true);
    h.moveTo(second.center());
    h.ring.triggerUp();
    EXPECT_TRUE(h.logged("set-main 1001"));
    EXPECT_TRUE(h.logged("raise 1001"));
    EXPECT_TRUE(h.logged("activate 101"));
    EXPECT_EQ(h.ring.mode(), RingController::Mode::Hidden);
}

TEST(RingSelection, WithoutPermissionSeveralWindowsOfferTheAccessChip) {
    RingHarness h(desktopWithApps(8, 2, R"({"trusted": false})"));
    h.ring.triggerDown();
    h.load();
    EXPECT_FALSE(h.ring.trusted());
    h.moveFromCenter(80, 90);
    ASSERT_EQ(h.view().chips().size(), 1u);
    EXPECT_EQ(h.view().chips()[0].title(), "Allow Accessibility to pick a window…");
    h.moveTo(h.view().chips()[0].frame.center());
    h.view().mouseDown(MouseButton::Left);
    EXPECT_TRUE(h.logged("request-access"));
}

}  // namespace
}  // namespace tandri::test
