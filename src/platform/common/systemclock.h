// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QThread>

#include "platform/clock.h"

namespace tandri {

/// The real clock: monotonic time and precise Qt timers on the thread that made the clock (the
/// main thread).
class SystemClock : public Clock {
public:
    SystemClock();

    double now() const override;
    std::unique_ptr<Timer> schedule(double delay, std::function<void()> fire) override;
    std::unique_ptr<Timer> repeat(double interval, std::function<void()> fire) override;

private:
    class Handle;

    std::unique_ptr<Timer> start(double seconds, bool repeats, std::function<void()> fire);

    QElapsedTimer elapsed_;
    QPointer<QThread> thread_;
};

}  // namespace tandri
