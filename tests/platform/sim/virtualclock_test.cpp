#include "platform/sim/virtualclock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tandri::sim {
namespace {

TEST(VirtualClock, StartsAtAThousandSecondsAndMovesOnlyWhenAdvanced) {
    VirtualClock clock;
    EXPECT_DOUBLE_EQ(clock.now(), 1000.0);
    clock.advance(0.25);
    EXPECT_DOUBLE_EQ(clock.now(), 1000.25);
    clock.advance(-5);
    EXPECT_DOUBLE_EQ(clock.now(), 1000.25);
}

TEST(VirtualClock, FiresInDueOrderWithNowAtEachDueTime) {
    VirtualClock clock;
    std::vector<std::pair<std::string, double>> fired;
    auto late = clock.schedule(0.5, [&] { fired.push_back({"late", clock.now()}); });
    auto early = clock.schedule(0.2, [&] { fired.push_back({"early", clock.now()}); });
    auto beyond = clock.schedule(2.0, [&] { fired.push_back({"beyond", clock.now()}); });
    clock.advance(1.0);
    ASSERT_EQ(fired.size(), 2u);
    EXPECT_EQ(fired[0].first, "early");
    EXPECT_DOUBLE_EQ(fired[0].second, 1000.2);
    EXPECT_EQ(fired[1].first, "late");
    EXPECT_DOUBLE_EQ(fired[1].second, 1000.5);
    EXPECT_DOUBLE_EQ(clock.now(), 1001.0);
    EXPECT_EQ(clock.pendingTimers(), 1);
}

TEST(VirtualClock, EqualDueTimesFireInCreationOrder) {
    VirtualClock clock;
    std::string order;
    auto a = clock.schedule(0.1, [&] { order += 'a'; });
    auto b = clock.schedule(0.1, [&] { order += 'b'; });
    auto c = clock.schedule(0.1, [&] { order += 'c'; });
    clock.advance(0.1);
    EXPECT_EQ(order, "abc");
}

TEST(VirtualClock, RepeatingTickFires36TimesInPointThreeSeconds) {
    VirtualClock clock;
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

TEST(VirtualClock, ZeroDelayFiresOnTheNextAdvanceEvenOfZero) {
    VirtualClock clock;
    int fired = 0;
    auto timer = clock.schedule(0, [&] { ++fired; });
    EXPECT_EQ(fired, 0);
    clock.advance(0);
    EXPECT_EQ(fired, 1);
    clock.advance(1);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(clock.pendingTimers(), 0);
}

TEST(VirtualClock, CancellingInsideACallbackIsHonoured) {
    VirtualClock clock;
    int ticks = 0;
    std::unique_ptr<Timer> tick;
    tick = clock.repeat(0.1, [&] {
        if (++ticks == 3)
            tick->cancel();
    });
    // A timer due at the same moment as an earlier-made one is cancelled by that one's callback.
    int victimFired = 0;
    std::unique_ptr<Timer> victim;
    auto killer = clock.schedule(0.5, [&] { victim.reset(); });
    victim = clock.schedule(0.5, [&] { ++victimFired; });
    clock.advance(1.0);
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(victimFired, 0);
    EXPECT_EQ(clock.pendingTimers(), 0);
}

TEST(VirtualClock, TimerDroppingItselfInsideItsCallbackIsSafe) {
    VirtualClock clock;
    int fired = 0;
    std::unique_ptr<Timer> self;
    self = clock.repeat(0.1, [&] {
        ++fired;
        self.reset();
    });
    clock.advance(1.0);
    EXPECT_EQ(fired, 1);
}

TEST(VirtualClock, TimersCreatedInsideACallbackFireInTheSameAdvanceWhenDue) {
    VirtualClock clock;
    std::vector<double> times;
    std::unique_ptr<Timer> inner;
    std::unique_ptr<Timer> tooLate;
    auto outer = clock.schedule(0.2, [&] {
        inner = clock.schedule(0.3, [&] { times.push_back(clock.now()); });
        tooLate = clock.schedule(0.9, [&] { times.push_back(clock.now()); });
    });
    clock.advance(1.0);
    ASSERT_EQ(times.size(), 1u);
    EXPECT_DOUBLE_EQ(times[0], 1000.5);
    EXPECT_EQ(clock.pendingTimers(), 1);
    clock.advance(0.1);
    EXPECT_EQ(times.size(), 2u);
}

TEST(VirtualClock, DestroyingTheHandleCancels) {
    VirtualClock clock;
    int fired = 0;
    auto timer = clock.schedule(0.1, [&] { ++fired; });
    EXPECT_EQ(clock.pendingTimers(), 1);
    timer.reset();
    EXPECT_EQ(clock.pendingTimers(), 0);
    clock.advance(1);
    EXPECT_EQ(fired, 0);
}

TEST(VirtualClock, SetNowMovesOnlyForwardAndFiresNothing) {
    VirtualClock clock;
    int once = 0;
    int ticks = 0;
    auto timer = clock.schedule(1.0, [&] { ++once; });
    auto tick = clock.repeat(0.1, [&] { ++ticks; });
    clock.setNow(1005.0);
    EXPECT_DOUBLE_EQ(clock.now(), 1005.0);
    EXPECT_EQ(once, 0);
    EXPECT_EQ(ticks, 0);
    clock.setNow(1001.0);
    EXPECT_DOUBLE_EQ(clock.now(), 1005.0);
    // Overdue timers fire on the next advance, a repeating one once rather than fifty times.
    clock.advance(0);
    EXPECT_EQ(once, 1);
    EXPECT_EQ(ticks, 1);
    clock.advance(0.1);
    EXPECT_EQ(ticks, 2);
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
