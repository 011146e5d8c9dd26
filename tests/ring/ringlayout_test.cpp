// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "ring/ringlayout.h"

namespace tandri {
namespace {

using std::numbers::pi;

struct Sample {
    int count;
    double iconSize, radius, size, outer, hole, band;
};

TEST(RingLayout, SizesFollowTheEntryCount) {
    const Sample samples[] = {
        {1, 52, 88, 268, 126, 52, 62},
        {8, 52, 88, 268, 126, 52, 62},
        {9, 46, 88, 262, 123, 55, 65},
        {10, 46, 95.49, 0, 0, 0, 0},
        {12, 46, 114.59, 315.18, 149.59, 81.59, 91.59},
        {13, 40, 111.73, 303.45, 143.73, 81.73, 91.73},
        {24, 40, 206.26, 492.53, 238.26, 176.26, 186.26},
    };
    for (const auto& s : samples) {
        SCOPED_TRACE(s.count);
        const RingLayout layout(s.count);
        EXPECT_EQ(layout.count, s.count);
        EXPECT_EQ(layout.iconSize, s.iconSize);
        EXPECT_NEAR(layout.radius, s.radius, 0.005);
        if (s.size == 0)
            continue;
        EXPECT_NEAR(layout.size, s.size, 0.005);
        EXPECT_NEAR(layout.outerRadius(), s.outer, 0.005);
        EXPECT_NEAR(layout.holeRadius(), s.hole, 0.005);
        EXPECT_NEAR(layout.iconBandRadius(), s.band, 0.005);
    }
}

TEST(RingLayout, EntriesRunClockwiseFromTheTopAndHalfWayRoundsAwayFromZero) {
    const RingLayout four(4);
    EXPECT_EQ(four.index(pi / 2), 0);
    EXPECT_EQ(four.index(0), 1);
    EXPECT_EQ(four.index(-pi / 2), 2);
    EXPECT_EQ(four.index(pi), 3);
    EXPECT_EQ(four.index(-pi), 3);
    EXPECT_NEAR(four.angle(1), 0, 1e-12);
    EXPECT_NEAR(four.angle(3), -pi, 1e-12);
    // Half-way between entry 0 (up) and entry 1 (right) is +0.5 steps, which rounds to 1; between
    // entry 0 and entry 3 (left), −0.5 rounds to −1, which is entry 3.
    EXPECT_EQ(four.index(pi / 4), 1);
    EXPECT_EQ(four.index(3 * pi / 4), 3);
    // Every angle maps onto a valid entry, however many turns it is away.
    for (double a = -20; a < 20; a += 0.37) {
        const int i = RingLayout(7).index(a);
        EXPECT_GE(i, 0);
        EXPECT_LT(i, 7);
    }
    // One entry takes every direction; none still makes a ring of one.
    const RingLayout one(1);
    EXPECT_DOUBLE_EQ(one.step(), 2 * pi);
    for (double a : {0.0, 1.0, pi, -pi / 2, 3.0}) EXPECT_EQ(one.index(a), 0);
    EXPECT_EQ(RingLayout(0).count, 1);
    EXPECT_EQ(RingLayout(0).radius, 88);
}

}  // namespace
}  // namespace tandri
