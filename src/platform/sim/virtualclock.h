// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/clock.h"

namespace tandri::sim {

/// A clock that moves only when told to, so timed behaviour is tested without sleeping.
/// Timers fire inside `advance`, on the thread that calls it.
class VirtualClock : public Clock {
public:
    static constexpr double startTime = 1000.0;

    VirtualClock();
    ~VirtualClock() override;

    double now() const override;
    std::unique_ptr<Timer> schedule(double delay, std::function<void()> fire) override;
    std::unique_ptr<Timer> repeat(double interval, std::function<void()> fire) override;

    /// Moves time forward by `seconds`, firing every timer that falls due on the way in due-time
    /// order (equal times in creation order); `now()` reads each timer's due time while it fires.
    void advance(double seconds);
    /// Jumps forward to `t` without firing anything; earlier times are ignored.
    void setNow(double t);
    /// Timers that are neither cancelled nor spent.
    int pendingTimers() const;

private:
    struct Entry;
    class Handle;

    std::unique_ptr<Timer> add(double delay, double interval, std::function<void()> fire);
    std::shared_ptr<Entry> nextDue(double end);

    mutable std::mutex mutex_;
    double now_ = startTime;
    std::uint64_t nextSequence_ = 0;
    std::vector<std::shared_ptr<Entry>> entries_;
};

}  // namespace tandri::sim
