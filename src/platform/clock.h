// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <limits>
#include <memory>

namespace tandri {

/// A scheduled callback; destroying it cancels it.
class Timer {
public:
    virtual ~Timer() = default;
    /// Stops the timer; its callback never runs again.
    virtual void cancel() = 0;
};

/// The one time source of the program. Everything that is timed reads it, so tests run on a
/// virtual clock instead of sleeping. Timers fire on the main thread.
class Clock {
public:
    /// A time before any real one ("the distant past").
    static constexpr double distantPast = -std::numeric_limits<double>::infinity();

    virtual ~Clock() = default;
    /// Monotonic time in seconds.
    virtual double now() const = 0;
    /// Runs `fire` once on the main thread after `delay` seconds.
    virtual std::unique_ptr<Timer> schedule(double delay, std::function<void()> fire) = 0;
    /// Runs `fire` on the main thread every `interval` seconds until cancelled.
    virtual std::unique_ptr<Timer> repeat(double interval, std::function<void()> fire) = 0;
};

}  // namespace tandri
