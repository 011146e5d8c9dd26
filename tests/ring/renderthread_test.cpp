#include "ring/renderthread.h"

#include <gtest/gtest.h>

#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <atomic>
#include <mutex>
#include <set>
#include <vector>

namespace tandri {
namespace {

struct Visits {
    std::vector<std::atomic<int>> rows;
    std::mutex mutex;
    std::vector<std::pair<int, int>> bands;
    std::set<QThread*> threads;

    explicit Visits(int count) : rows(static_cast<size_t>(count)) {}

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
        for (int y = 0; y < 2100; ++y) {
            const bool inside = y >= c.first && y < c.end;
            ASSERT_EQ(visits.rows[static_cast<size_t>(y)].load(), inside ? 1 : 0) << y;
        }
        const int band = std::max(c.band, 1);
        for (const auto& [from, to] : visits.bands) {
            EXPECT_EQ((from - c.first) % band, 0);
            EXPECT_EQ(to, std::min(from + band, c.end));
        }
        EXPECT_LE(visits.threads.size(), 2u);
    }
}

TEST(RenderThreadTest, SharedRowsAreDoneAloneWhenThePoolIsBusyOrFromInsideIt) {
    QThreadPool* pool = QThreadPool::globalInstance();
    // Every thread of the pool held up: no helper is to be had.
    QSemaphore release;
    QSemaphore started;
    const int held = pool->maxThreadCount();
    for (int i = 0; i < held; ++i) {
        pool->start([&] {
            started.release();
            release.acquire();
        });
    }
    started.acquire(held);
    Visits alone(500);
    renderThread::shareRows(0, 500, 16, alone.visitor());
    release.release(held);
    pool->waitForDone();
    for (int y = 0; y < 500; ++y) ASSERT_EQ(alone.rows[static_cast<size_t>(y)].load(), 1) << y;
    EXPECT_EQ(alone.threads, std::set<QThread*>{QThread::currentThread()});

    // From a frame being drawn on the pool, as the ring does.
    Visits inside(500);
    renderThread::run([&] { renderThread::shareRows(0, 500, 16, inside.visitor()); });
    for (int y = 0; y < 500; ++y) ASSERT_EQ(inside.rows[static_cast<size_t>(y)].load(), 1) << y;
}

}  // namespace
}  // namespace tandri
