// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>
#include <thread>

#include "platform/common/systemclock.h"
#include "support/waitforevents.h"

namespace tandri {
namespace {

// These tests run on real time, briefly: they check the wiring to Qt's timers, not durations.

// Runs the event loop until a timer of `clock` due in `seconds` has fired: whatever was due
// before it has had its turn.
void letPass(SystemClock& clock, double seconds) {
    bool later = false;
    auto marker = clock.schedule(seconds, [&] { later = true; });
    ASSERT_TRUE(test::waitForEvents([&] { return later; }));
}

TEST(SystemClockTest, NowCountsSecondsMonotonically) {
    SystemClock clock;
    QElapsedTimer reference;
    reference.start();
    const double start = clock.now();
    double previous = start;
    bool monotonic = true;
    test::waitForEvents([&] {
        const double t = clock.now();
        monotonic = monotonic && t >= previous;
        previous = t;
        return reference.elapsed() >= 30;
    });
    EXPECT_TRUE(monotonic);
    const double elapsed = clock.now() - start;
    EXPECT_GE(elapsed, 0.029);
    EXPECT_LT(elapsed, 5.0) << "seconds, not milliseconds";
}

TEST(SystemClockTest, ScheduleFiresOnceOnTheMainThreadAfterTheDelay) {
    SystemClock clock;
    int fired = 0;
    double firedAt = 0;
    const double start = clock.now();
    auto timer = clock.schedule(0.02, [&] {
        ++fired;
        firedAt = clock.now();
    });
    EXPECT_EQ(fired, 0);
    ASSERT_TRUE(test::waitForEvents([&] { return fired == 1; }));
    EXPECT_GE(firedAt - start, 0.015);
    letPass(clock, 0.04);
    EXPECT_EQ(fired, 1);
}

TEST(SystemClockTest, TimersStopWhenDroppedOrCancelledEvenFromTheirOwnCallback) {
    SystemClock clock;
    bool fired = false;
    clock.schedule(0.001, [&] { fired = true; }).reset();
    auto cancelled = clock.repeat(0.001, [&] { fired = true; });
    cancelled->cancel();
    int repeats = 0;
    std::unique_ptr<Timer> repeating;
    repeating = clock.repeat(0.002, [&] {
        if (++repeats == 3)
            repeating->cancel();
    });
    int dropping = 0;
    std::unique_ptr<Timer> dropped;
    dropped = clock.repeat(0.002, [&] {
        ++dropping;
        dropped.reset();
    });
    ASSERT_TRUE(test::waitForEvents([&] { return repeats >= 3 && dropping >= 1; }));
    letPass(clock, 0.03);
    EXPECT_FALSE(fired);
    EXPECT_EQ(repeats, 3);
    EXPECT_EQ(dropping, 1);
}

TEST(SystemClockTest, TimersMadeOnAnotherThreadFireOnTheMainThread) {
    SystemClock clock;
    QThread* const mainThread = QThread::currentThread();
    QThread* firedOn = nullptr;
    std::unique_ptr<Timer> timer;
    std::thread([&] {
        timer = clock.schedule(0.001, [&] { firedOn = QThread::currentThread(); });
    }).join();
    ASSERT_TRUE(test::waitForEvents([&] { return firedOn != nullptr; }));
    EXPECT_EQ(firedOn, mainThread);
    std::thread([&] { timer.reset(); }).join();  // and may be dropped there too
}

}  // namespace
}  // namespace tandri
