// SPDX-License-Identifier: MIT
#include "paint/renderthread.h"

#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "platform/common/handoff.h"

namespace tandri::renderThread {

namespace {

// Both ends of a hand-off through Qt's pool name this.
const char poolChannel = 0;

}  // namespace

void run(const std::function<void()>& work) {
    QThreadPool* pool = QThreadPool::globalInstance();
    if (!pool || pool->contains(QThread::currentThread())) {
        work();
        return;
    }
    QSemaphore done;
    std::function<void()> task = [&work, &done] {
        handoff::acquire(&poolChannel);
        work();
        handoff::release(&done);
        done.release();
    };
    // Moved, not copied: a copy made after the release would be read by the other thread.
    handoff::release(&poolChannel);
    // A busy pool would make the frame wait for somebody else's work.
    if (!pool->tryStart(std::move(task))) {
        work();
        return;
    }
    done.acquire();
    handoff::acquire(&done);
}

namespace {

inline void relax() {
#if defined(__x86_64__) || defined(__i386__)
    _mm_pause();
#endif
}

// Work handed to the helper, on the caller's stack until `done`.
struct Job {
    const std::function<void()>* work = nullptr;
    std::atomic<bool> done{false};
};

// The second thread that shares rows. A frame shares rows a few times, a steady frame dozens of
// times; waking a sleeping thread costs tens of microseconds in the kernel each time (more in a
// virtual machine) and the woken thread starts late, so after each share the helper stays
// awake for a moment, watching for the next.
class Helper {
public:
    /// Null when no thread could be started.
    static Helper* get() {
        // Never destroyed: its thread runs until the process ends.
        static Helper* const helper = [] {
            auto* made = new Helper;
            try {
                std::thread([made] { made->loop(); }).detach();
                return made;
            } catch (const std::system_error&) {
                delete made;
                return static_cast<Helper*>(nullptr);
            }
        }();
        return helper;
    }

    void setWatch(std::chrono::microseconds watch) { watch_.store(watch); }

    /// Hands `job` over unless the helper is busy (another share, or a share within a share).
    bool start(Job& job) {
        bool idle = false;
        if (!busy_.compare_exchange_strong(idle, true))
            return false;
        job_.store(&job);
        if (sleeping_.load()) {
            const std::lock_guard lock(mutex_);
            wake_.notify_one();
        }
        return true;
    }

    /// Takes `job` back if the helper has not begun it; otherwise waits until it is done.
    void finish(Job& job) {
        Job* mine = &job;
        if (job_.compare_exchange_strong(mine, nullptr)) {
            busy_.store(false);
            return;
        }
        // The helper holds at most one band by now; on a machine with one core it runs only
        // when this thread gives way.
        for (int spins = 1; !job.done.load(std::memory_order_acquire); ++spins) {
            if (spins % 64 == 0)
                std::this_thread::yield();
            relax();
        }
    }

private:
    Helper() = default;

    [[noreturn]] void loop() {
        using Clock = std::chrono::steady_clock;
        for (;;) {
            Job* job = nullptr;
            const auto until = Clock::now() + watch_.load();
            for (int spins = 1; !(job = job_.exchange(nullptr)); ++spins) {
                if (spins % 64 == 0) {
                    if (Clock::now() > until) {
                        std::unique_lock lock(mutex_);
                        sleeping_.store(true);
                        wake_.wait(lock, [this] { return job_.load() != nullptr; });
                        sleeping_.store(false);
                        continue;
                    }
                    // Any thread waiting for this core (the frame's own, it may be) goes first.
                    std::this_thread::yield();
                }
                relax();
            }
            (*job->work)();
            // Free for the next share before the caller goes on to make it.
            busy_.store(false);
            job->done.store(true, std::memory_order_release);
        }
    }

    std::atomic<std::chrono::microseconds> watch_{std::chrono::microseconds(250)};
    std::atomic<bool> busy_{false};
    std::atomic<Job*> job_{nullptr};
    std::atomic<bool> sleeping_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
};

}  // namespace

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
    const std::function<void()> take = [&] {
        for (int from = next.fetch_add(band); from < end; from = next.fetch_add(band))
            rows(from, std::min(from + band, end));
    };
    Helper* helper = Helper::get();
    Job job;
    job.work = &take;
    const bool helped = helper && helper->start(job);
    take();
    if (helped)
        helper->finish(job);
}

struct Aside::State {
    std::function<void(int, bool)> task;
    int count = 0;
    std::atomic<int> next{0};
    enum Phase { waiting, begun, closed };
    /// Whether the other thread has begun, or may no longer begin.
    std::atomic<int> phase{waiting};
    /// Set when the other thread is through with every task it took.
    std::atomic<bool> through{false};

    void take(bool aside) {
        for (int i = next.fetch_add(1); i < count; i = next.fetch_add(1)) task(i, aside);
    }
};

Aside::Aside(int count, std::function<void(int, bool)> task) : state_(std::make_shared<State>()) {
    state_->task = std::move(task);
    state_->count = std::max(count, 0);
    if (state_->count == 0)
        return;
    QThreadPool* pool = QThreadPool::globalInstance();
    // The thread holds the state, not the caller's stack: one that starts after `finish` finds
    // the tasks closed and leaves without touching anything else.
    std::function<void()> aside = [state = state_] {
        handoff::acquire(&poolChannel);
        int waiting = State::waiting;
        if (!state->phase.compare_exchange_strong(waiting, State::begun))
            return;
        state->take(true);
        state->through.store(true, std::memory_order_release);
        state->through.notify_one();
    };
    handoff::release(&poolChannel);
    if (!pool || !pool->tryStart(std::move(aside)))
        state_->phase.store(State::closed);
}

Aside::~Aside() {
    finish();
}

void Aside::finish() {
    State& state = *state_;
    state.take(false);
    int waiting = State::waiting;
    if (state.phase.compare_exchange_strong(waiting, State::closed) || waiting == State::closed) {
        return;
    }
    state.through.wait(false, std::memory_order_acquire);
}

void setHelperWatch(std::chrono::microseconds watch) {
    if (Helper* helper = Helper::get())
        helper->setWatch(watch);
}

}  // namespace tandri::renderThread
