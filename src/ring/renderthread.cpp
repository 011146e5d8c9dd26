#include "ring/renderthread.h"

#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <atomic>

namespace tandri::renderThread {

void run(const std::function<void()>& work) {
    QThreadPool* pool = QThreadPool::globalInstance();
    if (!pool || pool->contains(QThread::currentThread())) {
        work();
        return;
    }
    QSemaphore done;
    // A busy pool would make the frame wait for somebody else's work.
    if (!pool->tryStart([&work, &done] {
            work();
            done.release();
        })) {
        work();
        return;
    }
    done.acquire();
}

void shareRows(int first, int end, int band, const std::function<void(int, int)>& rows) {
    band = std::max(band, 1);
    if (end - first <= band) {
        if (end > first)
            rows(first, end);
        return;
    }
    // Both threads take the next band until none is left: neither waits for the other to
    // start, and shapes whose rows cost unevenly still split evenly.
    std::atomic<int> next{first};
    const auto take = [&] {
        for (int from = next.fetch_add(band); from < end; from = next.fetch_add(band))
            rows(from, std::min(from + band, end));
    };
    QThreadPool* pool = QThreadPool::globalInstance();
    QSemaphore done;
    const bool helped = pool && pool->tryStart([&take, &done] {
        take();
        done.release();
    });
    take();
    if (helped)
        done.acquire();
}

}  // namespace tandri::renderThread
