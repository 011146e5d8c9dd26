#include "ring/renderthread.h"

#include <gtest/gtest.h>

#include <QThread>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
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
    for (int y = 0; y < 64; ++y) {
        ASSERT_EQ(outer.rows[static_cast<size_t>(y)].load(), 1) << y;
        for (int x = 0; x < 300; ++x)
            ASSERT_EQ(inner[static_cast<size_t>(y)]->rows[static_cast<size_t>(x)].load(), 1)
                << y << ", " << x;
    }

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
    for (int i = 0; i < 200; ++i) {
        for (int y = 0; y < 200; ++y) {
            ASSERT_EQ(mine[static_cast<size_t>(i)]->rows[static_cast<size_t>(y)].load(), 1);
            ASSERT_EQ(theirs[static_cast<size_t>(i)]->rows[static_cast<size_t>(y)].load(), 1);
        }
        EXPECT_LE(mine[static_cast<size_t>(i)]->threads.size(), 2u);
    }

    // From a frame being drawn on the pool, as the ring does.
    Visits inside(500);
    renderThread::run([&] { renderThread::shareRows(0, 500, 16, inside.visitor()); });
    for (int y = 0; y < 500; ++y) ASSERT_EQ(inside.rows[static_cast<size_t>(y)].load(), 1) << y;
}

TEST(RenderThreadTest, AHelperThatFallsAsleepAfterEveryShareIsWokenForTheNext) {
    // Asleep at once after each share: every share wakes it, or takes its rows back when it
    // wakes too late. A lost wake-up would leave a share waiting for ever.
    renderThread::setHelperWatch(std::chrono::microseconds(0));
    int helped = 0;
    for (int i = 0; i < 500; ++i) {
        Visits visits(400);
        // Rows slow enough for a woken helper to arrive before they are all taken.
        renderThread::shareRows(0, 400, 4, [&](int from, int to) {
            visits.visitor()(from, to);
            volatile double x = 0;
            for (int k = 0; k < 2000; ++k) x = x + k;
        });
        for (int y = 0; y < 400; ++y) ASSERT_EQ(visits.rows[static_cast<size_t>(y)].load(), 1);
        helped += visits.threads.size() == 2 ? 1 : 0;
    }
    renderThread::setHelperWatch(std::chrono::microseconds(250));
    // The helper did take part, so the shares above did go through its waking.
    EXPECT_GT(helped, 0);
}

}  // namespace
}  // namespace tandri
