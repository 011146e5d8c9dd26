// SPDX-License-Identifier: MIT
#include "platform/sim/virtualclock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tandri::sim {
namespace {

class VirtualClockTest : public ::testing::Test {
protected:
    // A callback that notes its name and the time it fired at.
    std::function<void()> note(const std::string& name) {
        return [this, name] {
            fired.push_back(name + " " + std::to_string(clock.now()));
        };
    }

    VirtualClock clock;
    std::vector<std::string> fired;
};

TEST_F(VirtualClockTest, FiresInDueOrderThenInCreationOrderWithNowAtEachDueTime) {
    auto late = clock.schedule(0.5, note("late"));
    auto early = clock.schedule(0.2, note("early"));
    auto beyond = clock.schedule(2.0, note("beyond"));
    auto a = clock.schedule(0.3, note("a"));
    auto b = clock.schedule(0.3, note("b"));
    auto c = clock.schedule(0.3, note("c"));
    clock.advance(1.0);
    EXPECT_EQ(fired,
              (std::vector<std::string>{"early 1000.200000", "a 1000.300000", "b 1000.300000",
                                        "c 1000.300000", "late 1000.500000"}));
    EXPECT_DOUBLE_EQ(clock.now(), 1001.0);
    EXPECT_EQ(clock.pendingTimers(), 1);
}

TEST_F(VirtualClockTest, RepeatingTickFires36TimesInPointThreeSeconds) {
    std::vector<double> times;
    auto tick = clock.repeat(1.0 / 120, [&] { times.push_back(clock.now()); });
    clock.advance(0.3);
    ASSERT_EQ(times.size(), 36u);
    EXPECT_NEAR(times.front(), 1000.0 + 1.0 / 120, 1e-9);
    EXPECT_NEAR(times.back(), 1000.3, 1e-9);
    // Small steps add up to the same count: the due times do not drift.
    clock.advance(0.05);
    clock.advance(0.05);
    clock.advance(0.2);
    EXPECT_EQ(times.size(), 72u);
}

TEST_F(VirtualClockTest, ZeroDelayFiresOnTheNextAdvanceEvenOfZero) {
    auto timer = clock.schedule(0, note("now"));
    EXPECT_TRUE(fired.empty());
    clock.advance(0);
    EXPECT_EQ(fired, std::vector<std::string>{"now 1000.000000"});
    clock.advance(1);
    EXPECT_EQ(fired.size(), 1u);
    EXPECT_EQ(clock.pendingTimers(), 0);
}

TEST_F(VirtualClockTest, CancellingOrDroppingInsideACallbackIsHonoured) {
    int ticks = 0;
    std::unique_ptr<Timer> tick;
    tick = clock.repeat(0.1, [&] {
        if (++ticks == 3)
            tick->cancel();
    });
    // A timer due at the same moment as an earlier-made one is cancelled by that one's callback.
    std::unique_ptr<Timer> victim;
    auto killer = clock.schedule(0.5, [&] { victim.reset(); });
    victim = clock.schedule(0.5, note("victim"));
    // A timer may drop itself.
    std::unique_ptr<Timer> self;
    self = clock.repeat(0.1, [&] {
        fired.push_back("self");
        self.reset();
    });
    // A handle dropped before it fires cancels it.
    clock.schedule(0.1, note("dropped")).reset();
    clock.advance(1.0);
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(fired, std::vector<std::string>{"self"});
    EXPECT_EQ(clock.pendingTimers(), 0);
}

TEST_F(VirtualClockTest, TimersCreatedInsideACallbackFireInTheSameAdvanceWhenDue) {
    std::unique_ptr<Timer> inner;
    std::unique_ptr<Timer> tooLate;
    auto outer = clock.schedule(0.2, [&] {
        inner = clock.schedule(0.3, note("inner"));
        tooLate = clock.schedule(0.9, note("too late"));
    });
    clock.advance(1.0);
    EXPECT_EQ(fired, std::vector<std::string>{"inner 1000.500000"});
    EXPECT_EQ(clock.pendingTimers(), 1);
    clock.advance(0.1);
    EXPECT_EQ(fired.size(), 2u);
}

TEST_F(VirtualClockTest, StartsAtAThousandSecondsAndAdvanceOrSetNowMoveOnlyForward) {
    EXPECT_DOUBLE_EQ(clock.now(), 1000.0);
    clock.advance(0.25);
    EXPECT_DOUBLE_EQ(clock.now(), 1000.25);
    clock.advance(-5);
    EXPECT_DOUBLE_EQ(clock.now(), 1000.25);
    // Setting the time fires nothing.
    auto timer = clock.schedule(1.0, note("once"));
    auto tick = clock.repeat(0.1, note("tick"));
    clock.setNow(1005.0);
    clock.setNow(1001.0);
    EXPECT_DOUBLE_EQ(clock.now(), 1005.0);
    EXPECT_TRUE(fired.empty());
    // Overdue timers fire on the next advance, a repeating one once rather than fifty times
    // and then on its own beat (from 1000.25).
    clock.advance(0);
    clock.advance(0.1);
    EXPECT_EQ(fired, (std::vector<std::string>{"tick 1005.000000", "once 1005.000000",
                                               "tick 1005.050000"}));
}

TEST(VirtualClock, HandlesMayOutliveTheClock) {
    std::unique_ptr<Timer> timer;
    {
        VirtualClock clock;
        timer = clock.repeat(0.1, [] {});
    }
    // Under the sanitizers this would report a use after free if the handle reached back.
    timer->cancel();
    timer.reset();
    EXPECT_EQ(timer, nullptr);
}

}  // namespace
}  // namespace tandri::sim
