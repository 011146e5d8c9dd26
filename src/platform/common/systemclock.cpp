// SPDX-License-Identifier: MIT
#include "platform/common/systemclock.h"

#include <QMetaObject>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>

namespace tandri {

namespace {

struct TimerState {
    explicit TimerState(std::function<void()> f) : fire(std::move(f)) {}
    const std::function<void()> fire;
    std::atomic<bool> cancelled{false};
    int firing = 0;  // nesting depth; only touched on the timer's thread
};

int milliseconds(double seconds, int minimum) {
    if (!(seconds > 0.0))
        return minimum;  // also NaN
    const double ms = std::round(seconds * 1000.0);
    if (ms >= static_cast<double>(INT_MAX))
        return INT_MAX;
    return std::max(minimum, static_cast<int>(ms));
}

}  // namespace

class SystemClock::Handle : public Timer {
public:
    Handle(std::unique_ptr<QTimer> timer, std::shared_ptr<TimerState> state)
        : timer_(std::move(timer)), state_(std::move(state)) {}

    ~Handle() override {
        cancel();
        QTimer* timer = timer_.release();
        // Deleting the QTimer inside its own timeout, or from another thread, is not allowed;
        // its thread deletes it once control returns there.
        if (state_->firing > 0 || timer->thread() != QThread::currentThread()) {
            timer->deleteLater();
        } else {
            delete timer;
        }
    }

    void cancel() override {
        state_->cancelled.store(true);
        if (timer_->thread() == QThread::currentThread()) {
            timer_->stop();
        } else {
            QMetaObject::invokeMethod(timer_.get(), &QTimer::stop, Qt::QueuedConnection);
        }
    }

private:
    std::unique_ptr<QTimer> timer_;
    std::shared_ptr<TimerState> state_;
};

SystemClock::SystemClock() : thread_(QThread::currentThread()) {
    elapsed_.start();
}

double SystemClock::now() const {
    return static_cast<double>(elapsed_.nsecsElapsed()) / 1e9;
}

std::unique_ptr<Timer> SystemClock::schedule(double delay, std::function<void()> fire) {
    return start(delay, false, std::move(fire));
}

std::unique_ptr<Timer> SystemClock::repeat(double interval, std::function<void()> fire) {
    return start(interval, true, std::move(fire));
}

std::unique_ptr<Timer> SystemClock::start(double seconds, bool repeats,
                                          std::function<void()> fire) {
    auto state = std::make_shared<TimerState>(std::move(fire));
    auto timer = std::make_unique<QTimer>();
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(!repeats);
    // A repeating timer at zero would spin the event loop.
    timer->setInterval(milliseconds(seconds, repeats ? 1 : 0));
    QObject::connect(timer.get(), &QTimer::timeout, timer.get(), [state] {
        if (state->cancelled.load() || !state->fire)
            return;
        ++state->firing;
        state->fire();
        --state->firing;
    });
    if (thread_ && thread_ != QThread::currentThread()) {
        timer->moveToThread(thread_);
        QMetaObject::invokeMethod(timer.get(), qOverload<>(&QTimer::start), Qt::QueuedConnection);
    } else {
        timer->start();
    }
    return std::make_unique<Handle>(std::move(timer), std::move(state));
}

}  // namespace tandri
