// SPDX-License-Identifier: MIT
#include "paint/renderthread.h"

#include <gtest/gtest.h>

#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "support/threadpool.h"
#include "support/waitforevents.h"

namespace tandri {
namespace {

using test::emptiedPool;
using test::spinUntil;

struct Visits {
    std::vector<std::atomic<int>> rows;
    std::mutex mutex;
    std::vector<std::pair<int, int>> bands;
    std::set<QThread*> threads;

    explicit Visits(int count) : rows(static_cast<size_t>(count)) {}

    /// Whether rows `first` to `end` (exclusive) were each visited once, and no other.
    bool onceEach(int first, int end) const {
        for (int y = 0; y < static_cast<int>(rows.size()); ++y) {
            if (rows[static_cast<size_t>(y)].load() != (y >= first && y < end ? 1 : 0))
                return false;
        }
        return true;
    }

    std::function<void(int, int)> visitor() {
        return [this](int from, int to) {
            for (int y = from; y < to; ++y) ++rows[static_cast<size_t>(y)];
            const std::lock_guard lock(mutex);
            bands.emplace_back(from, to);
            threads.insert(QThread::currentThread());
        };
    }
};

TEST(RenderThreadTest, SharedRowsAreEachVisitedOnceInBandsCountedFromTheFirst) {
    struct Case {
        int first;
        int end;
        int band;
    };
    for (const Case c : {Case{3, 1000, 16}, Case{0, 17, 16}, Case{10, 14, 16}, Case{7, 7, 16},
                         Case{9, 2, 16}, Case{0, 50, 0}, Case{1, 2001, 32}}) {
        SCOPED_TRACE(testing::Message() << c.first << ".." << c.end << " by " << c.band);
        Visits visits(2100);
        renderThread::shareRows(c.first, c.end, c.band, visits.visitor());
        ASSERT_TRUE(visits.onceEach(c.first, c.end));
        const int band = std::max(c.band, 1);
        for (const auto& [from, to] : visits.bands) {
            EXPECT_EQ((from - c.first) % band, 0);
            EXPECT_EQ(to, std::min(from + band, c.end));
        }
        EXPECT_LE(visits.threads.size(), 2u);
    }
}

TEST(RenderThreadTest, SharesWithinSharesAndFromTwoThreadsAtOnceEachVisitEveryRowOnce) {
    // Within a share the helper is taken: the inner share is done by whoever makes it.
    Visits outer(64);
    std::vector<std::unique_ptr<Visits>> inner;
    for (int i = 0; i < 64; ++i) inner.push_back(std::make_unique<Visits>(300));
    renderThread::shareRows(0, 64, 1, [&](int from, int to) {
        outer.visitor()(from, to);
        for (int y = from; y < to; ++y)
            renderThread::shareRows(0, 300, 16, inner[static_cast<size_t>(y)]->visitor());
    });
    ASSERT_TRUE(outer.onceEach(0, 64));
    for (const auto& visits : inner) ASSERT_TRUE(visits->onceEach(0, 300));

    // Two threads sharing at once, many times over: one of them has the helper, the other
    // works alone, and neither waits for the other's rows.
    std::vector<std::unique_ptr<Visits>> mine, theirs;
    for (int i = 0; i < 200; ++i) {
        mine.push_back(std::make_unique<Visits>(200));
        theirs.push_back(std::make_unique<Visits>(200));
    }
    std::thread other([&] {
        for (auto& v : theirs) renderThread::shareRows(0, 200, 8, v->visitor());
    });
    for (auto& v : mine) renderThread::shareRows(0, 200, 8, v->visitor());
    other.join();
    for (size_t i = 0; i < mine.size(); ++i) {
        ASSERT_TRUE(mine[i]->onceEach(0, 200) && theirs[i]->onceEach(0, 200)) << i;
        EXPECT_LE(mine[i]->threads.size(), 2u);
    }

    // From a frame being drawn on the pool, as the ring does.
    Visits inside(500);
    renderThread::run([&] { renderThread::shareRows(0, 500, 16, inside.visitor()); });
    EXPECT_TRUE(inside.onceEach(0, 500));
}

TEST(RenderThreadTest, AHelperThatFallsAsleepAfterEveryShareIsWokenForTheNext) {
    // Asleep at once after each share: every share wakes it, or takes its rows back when it
    // wakes too late. In every other share the first band waits until another thread has taken
    // one, so the helper surely has to be woken; a lost wake-up would leave that band waiting.
    renderThread::setHelperWatch(std::chrono::microseconds(0));
    struct WatchBack {
        ~WatchBack() { renderThread::setHelperWatch(std::chrono::microseconds(250)); }
    } watchBack;
    const std::thread::id caller = std::this_thread::get_id();
    for (int i = 0; i < 500; ++i) {
        SCOPED_TRACE(i);
        const bool waitForHelper = i % 2 == 0;
        Visits visits(400);
        std::atomic<bool> helped{false};
        std::atomic<bool> waitedInVain{false};
        renderThread::shareRows(0, 400, 4, [&](int from, int to) {
            visits.visitor()(from, to);
            if (std::this_thread::get_id() != caller)
                helped = true;
            if (waitForHelper && from == 0 && !spinUntil([&] { return helped.load(); }))
                waitedInVain = true;
        });
        ASSERT_TRUE(visits.onceEach(0, 400));
        ASSERT_FALSE(waitedInVain.load()) << "the helper was never woken";
    }
}

// Holds every thread of Qt's pool until released.
class PoolHold {
public:
    PoolHold() {
        // Threads just done with earlier work would soon be free again.
        EXPECT_TRUE(emptiedPool());
        QThreadPool* pool = QThreadPool::globalInstance();
        while (pool->tryStart([this] {
            while (!released_.load()) std::this_thread::yield();
        })) {
        }
    }
    ~PoolHold() {
        released_.store(true);
        EXPECT_TRUE(emptiedPool());
    }

private:
    std::atomic<bool> released_{false};
};

TEST(RenderThreadTest, TasksAsideAreEachDoneOnceAndFinishWaitsForTheOneUnderWay) {
    const test::PoolLimit limit(std::max(QThreadPool::globalInstance()->maxThreadCount(), 2));
    ASSERT_TRUE(emptiedPool());  // so that the tasks surely get a thread
    constexpr int count = 40;
    std::vector<std::atomic<int>> done(count);
    std::vector<int> results(count, 0);
    std::atomic<int> byCaller{0};
    std::atomic<int> asideBegun{0};
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<bool> misreported{false};
    std::atomic<bool> waitedInVain{false};
    {
        renderThread::Aside aside(count, [&](int i, bool onOther) {
            if (onOther != (std::this_thread::get_id() != caller))
                misreported = true;
            if (onOther) {
                // The other thread's first task lasts until the caller has done all the rest,
                // so `finish` has one under way to wait for.
                if (asideBegun.fetch_add(1) == 0 &&
                    !spinUntil([&] { return byCaller.load() >= count - 1; })) {
                    waitedInVain = true;
                }
            } else {
                ++byCaller;
            }
            results[static_cast<size_t>(i)] = i + 1;
            ++done[static_cast<size_t>(i)];
        });
        // The caller goes on with work of its own until the other thread has begun.
        ASSERT_TRUE(spinUntil([&] { return asideBegun.load() > 0; }));
        aside.finish();
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(done[static_cast<size_t>(i)].load(), 1) << i;
            EXPECT_EQ(results[static_cast<size_t>(i)], i + 1) << i;
        }
    }  // finishing again does nothing
    EXPECT_FALSE(waitedInVain.load());
    EXPECT_EQ(asideBegun.load(), 1);
    EXPECT_EQ(byCaller.load(), count - 1);
    EXPECT_FALSE(misreported.load());
}

TEST(RenderThreadTest, WithThePoolBusyEveryTaskAsideRunsInFinishOnTheCaller) {
    std::vector<int> ranAside;
    std::vector<int> ranHere;
    {
        const PoolHold hold;
        renderThread::Aside aside(
            5, [&](int i, bool onOther) { (onOther ? ranAside : ranHere).push_back(i); });
        EXPECT_TRUE(ranHere.empty());  // nothing before `finish`
        aside.finish();
    }
    EXPECT_TRUE(ranAside.empty());
    EXPECT_EQ(ranHere, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(RenderThreadTest, AThreadThatBeginsAfterFinishTouchesNoTask) {
    // Many short sets of tasks: the pool's thread often wakes only after the caller has done
    // every task itself, and must then leave without calling any (the tasks' captures are gone).
    std::atomic<int> late{0};
    for (int round = 0; round < 2000; ++round) {
        auto finished = std::make_shared<std::atomic<bool>>(false);
        int ran = 0;
        std::mutex guard;
        {
            renderThread::Aside aside(2, [&ran, &guard, finished, &late](int, bool) {
                if (finished->load())
                    ++late;
                const std::lock_guard lock(guard);
                ++ran;
            });
        }
        finished->store(true);
        EXPECT_EQ(ran, 2);
    }
    EXPECT_TRUE(emptiedPool());
    EXPECT_EQ(late.load(), 0);
}

}  // namespace
}  // namespace tandri
