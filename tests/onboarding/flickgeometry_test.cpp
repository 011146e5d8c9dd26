// SPDX-License-Identifier: MIT
#include "onboarding/flickgeometry.h"

#include <gtest/gtest.h>

namespace tandri::test {
namespace {

constexpr double P = FlickGeometry::period;

void expectNear(QPointF actual, QPointF expected) {
    EXPECT_NEAR(actual.x(), expected.x(), 1e-6);
    EXPECT_NEAR(actual.y(), expected.y(), 1e-6);
}

TEST(FlickGeometry, RingAndIconsFollowTheViewAndTheCount) {
    const FlickGeometry square = FlickGeometry::at(0, 4, {230, 230});
    expectNear(square.centre, {115, 115});
    EXPECT_NEAR(square.radius, 82.8, 1e-9);
    EXPECT_NEAR(square.bandWidth, 46, 1e-9);
    ASSERT_EQ(square.icons.size(), 4u);
    // The first at the top, then clockwise as seen: right, bottom, left.
    expectNear(square.icons[0], {115, 115 - 82.8});
    expectNear(square.icons[1], {115 + 82.8, 115});
    expectNear(square.icons[2], {115, 115 + 82.8});
    expectNear(square.icons[3], {115 - 82.8, 115});
    // The smaller side sets the ring; the middle of the view holds it.
    const FlickGeometry wide = FlickGeometry::at(0, 3, {300, 200});
    expectNear(wide.centre, {150, 100});
    EXPECT_NEAR(wide.radius, 72, 1e-9);
    EXPECT_NEAR(wide.bandWidth, 40, 1e-9);
}

TEST(FlickGeometry, TheCursorFlicksToOneIconPerCycleAndTheIconGrowsWhileItIsThere) {
    const double r = 82.8;
    const double reach = r * 0.78;
    const struct {
        double t;
        int count;
        int target;
        bool highlighted;
        double scale;
        QPointF cursor;
    } cases[] = {
        // At rest in the centre (the image offset by (4, 8)) until 15 % of the cycle.
        {0, 4, 0, false, 1, {119, 123}},
        {0.1 * P, 4, 0, false, 1, {119, 123}},
        // Half way through the ease-out: 1 − 0.5³ of the reach, toward the top icon.
        {0.3 * P, 4, 0, false, 1, {119, 123 - reach * 0.875}},
        // Arrived, and the icon grown.
        {0.6 * P, 4, 0, true, 1.3, {119, 123 - reach}},
        // Half way home; the icon back to its size.
        {0.925 * P, 4, 0, false, 1, {119, 123 - reach * 0.5}},
        // The next cycle goes to the next icon, on the right.
        {1.6 * P, 4, 1, true, 1.3, {119 + reach, 123}},
        // Round the ring and back to the first.
        {5.6 * P, 4, 1, true, 1.3, {119 + reach, 123}},
        {4.6 * P, 4, 0, true, 1.3, {119, 123 - reach}},
        // Without icons the cursor still flicks, upward.
        {7.6 * P, 0, 0, true, 1.3, {119, 123 - reach}},
        // One icon: every cycle.
        {3.6 * P, 1, 0, true, 1.3, {119, 123 - reach}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "t = " << c.t << ", n = " << c.count);
        const FlickGeometry g = FlickGeometry::at(c.t, c.count, {230, 230});
        EXPECT_EQ(g.target, c.target);
        EXPECT_EQ(g.highlighted, c.highlighted);
        EXPECT_NEAR(g.targetScale, c.scale, 1e-6);
        expectNear(g.cursor, c.cursor);
        EXPECT_EQ(g.icons.size(), size_t(c.count));
    }
    // The highlight grows and shrinks over a short ease-out.
    // 0.075 s into the 0.15 s growth: 1 − 0.5³ of the way.
    const double growing = (0.4 + 0.075 / P) * P;
    EXPECT_NEAR(FlickGeometry::at(growing, 4, {230, 230}).targetScale, 1 + 0.3 * 0.875, 1e-6);
    const double shrinking = (0.85 + 0.075 / P) * P;
    const FlickGeometry g = FlickGeometry::at(shrinking, 4, {230, 230});
    EXPECT_FALSE(g.highlighted);
    EXPECT_NEAR(g.targetScale, 1.3 - 0.3 * 0.875, 1e-6);
    // A clock before the reference date still picks an icon of the ring.
    const FlickGeometry early = FlickGeometry::at(-0.9 * P, 4, {230, 230});
    EXPECT_EQ(early.target, 3);
    expectNear(early.cursor, {119, 123});
}

}  // namespace
}  // namespace tandri::test
