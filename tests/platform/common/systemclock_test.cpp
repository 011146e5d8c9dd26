#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>
#include <thread>

#include "platform/common/systemclock.h"
#include "support/waitforevents.h"

namespace tandri {
namespace {

// These tests run on real time, briefly: they check the wiring to Qt's timers, not durations.

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
    // Still once when a later timer has fired.
    bool later = false;
    auto marker = clock.schedule(0.04, [&] { later = true; });
    ASSERT_TRUE(test::waitForEvents([&] { return later; }));
    EXPECT_EQ(fired, 1);
}

TEST(SystemClockTest, ADestroyedTimerNeverFires) {
    SystemClock clock;
    bool fired = false;
    clock.schedule(0.001, [&] { fired = true; }).reset();
    auto cancelled = clock.repeat(0.001, [&] { fired = true; });
    cancelled->cancel();
    bool later = false;
    auto marker = clock.schedule(0.02, [&] { later = true; });
    ASSERT_TRUE(test::waitForEvents([&] { return later; }));
    EXPECT_FALSE(fired);
}

TEST(SystemClockTest, RepeatFiresUntilCancelledFromItsOwnCallback) {
    SystemClock clock;
    int fired = 0;
    std::unique_ptr<Timer> timer;
    timer = clock.repeat(0.002, [&] {
        if (++fired == 3)
            timer->cancel();
    });
    ASSERT_TRUE(test::waitForEvents([&] { return fired >= 3; }));
    bool later = false;
    auto marker = clock.schedule(0.03, [&] { later = true; });
    ASSERT_TRUE(test::waitForEvents([&] { return later; }));
    EXPECT_EQ(fired, 3);
}

TEST(SystemClockTest, ATimerMayBeDestroyedInsideItsOwnCallback) {
    SystemClock clock;
    int fired = 0;
    std::unique_ptr<Timer> timer;
    timer = clock.repeat(0.002, [&] {
        ++fired;
        timer.reset();
    });
    ASSERT_TRUE(test::waitForEvents([&] { return fired >= 1; }));
    bool later = false;
    auto marker = clock.schedule(0.03, [&] { later = true; });
    ASSERT_TRUE(test::waitForEvents([&] { return later; }));
    EXPECT_EQ(fired, 1);
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
