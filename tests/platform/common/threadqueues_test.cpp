// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>
#include <QThread>
#include <atomic>
#include <cerrno>
#include <thread>
#include <vector>

#include "platform/common/threadqueues.h"
#include "support/waitforevents.h"

namespace tandri {
namespace {

using Priority = Queues::Priority;

TEST(ThreadQueuesTest, BackgroundWorkRunsOffTheMainThreadAtEveryPriority) {
    ThreadQueues queues;
    QThread* const mainThread = QThread::currentThread();
    std::atomic<int> done{0};
    std::atomic<int> onMain{0};
    for (Priority priority :
         {Priority::UserInteractive, Priority::UserInitiated, Priority::Utility}) {
        queues.background(priority, [&] {
            if (QThread::currentThread() == mainThread)
                ++onMain;
            ++done;
        });
    }
    ASSERT_TRUE(test::waitForEvents([&] { return done.load() == 3; }));
    EXPECT_EQ(onMain.load(), 0);
}

TEST(ThreadQueuesTest, UtilityWorkRunsAtALowerPriority) {
    errno = 0;
    const int base = getpriority(PRIO_PROCESS, 0);
    if (errno != 0 || base > 9)
        GTEST_SKIP() << "the process already runs at a low priority";
    ThreadQueues queues;
    std::atomic<int> utility{-100};
    std::atomic<int> interactive{-100};
    queues.background(Priority::Utility,
                      [&] { utility = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())); });
    queues.background(Priority::UserInteractive, [&] {
        interactive = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    });
    ASSERT_TRUE(test::waitForEvents([&] { return utility != -100 && interactive != -100; }));
    EXPECT_EQ(utility.load(), base + 10);
    EXPECT_EQ(interactive.load(), base);
}

TEST(ThreadQueuesTest, MainWorkRunsLaterOnTheMainThreadInPostingOrder) {
    ThreadQueues queues;
    QThread* const mainThread = QThread::currentThread();
    std::vector<int> order;
    bool allOnMain = true;
    auto record = [&](int n) {
        return [&, n] {
            allOnMain = allOnMain && QThread::currentThread() == mainThread;
            order.push_back(n);
        };
    };
    queues.main(record(0));
    queues.main(record(1));
    EXPECT_TRUE(order.empty()) << "main work must not run inside the call";
    queues.background(Priority::UserInitiated, [&] {
        for (int n = 2; n < 100; ++n) queues.main(record(n));
    });
    ASSERT_TRUE(test::waitForEvents([&] { return order.size() == 100; }));
    std::vector<int> expected(100);
    for (int n = 0; n < 100; ++n) expected[n] = n;
    EXPECT_EQ(order, expected);
    EXPECT_TRUE(allOnMain);
}

// Main work still queued when the queues go is dropped, wherever it was posted from.
TEST(ThreadQueuesTest, DestructionWaitsForRunningWorkAndDropsMainWork) {
    std::atomic<bool> started{false};
    std::atomic<bool> release{false};
    std::atomic<bool> finished{false};
    bool mainRan = false, queuedRan = false;
    std::thread releaser;
    {
        ThreadQueues queues;
        queues.main([&] { queuedRan = true; });
        queues.background(Priority::Utility, [&] {
            started = true;
            test::spinUntil([&] { return release.load(); });
            queues.main([&] { mainRan = true; });  // goes with the queues
            finished = true;
        });
        EXPECT_TRUE(test::spinUntil([&] { return started.load(); }));
        releaser = std::thread([&] { release = true; });
    }
    releaser.join();
    EXPECT_TRUE(finished.load());
    bool marker = false;
    ThreadQueues later;  // something else that does arrive, to know the loop went round
    later.main([&] { marker = true; });
    ASSERT_TRUE(test::waitForEvents([&] { return marker; }));
    EXPECT_FALSE(mainRan);
    EXPECT_FALSE(queuedRan);
}

}  // namespace
}  // namespace tandri
