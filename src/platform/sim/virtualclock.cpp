// SPDX-License-Identifier: MIT
#include "platform/sim/virtualclock.h"

#include <algorithm>
#include <atomic>

namespace tandri::sim {

namespace {

// Due times are sums of binary fractions (1/120 s); a due time this close to the end of an
// advance still counts as inside it.
constexpr double tolerance = 1e-9;

// A repeating timer with no interval would fire forever inside one advance.
constexpr double shortestInterval = 1e-3;

}  // namespace

struct VirtualClock::Entry {
    std::uint64_t sequence = 0;
    double origin = 0;  // when a repeating timer was armed; its n-th firing is origin + n·interval
    double interval = 0;  // 0 for a one-shot timer
    std::uint64_t fired = 0;
    double due = 0;
    std::function<void()> fire;
    std::atomic<bool> cancelled = false;
};

class VirtualClock::Handle : public Timer {
public:
    explicit Handle(std::shared_ptr<Entry> entry) : entry_(std::move(entry)) {}
    ~Handle() override { cancel(); }
    void cancel() override { entry_->cancelled = true; }

private:
    std::shared_ptr<Entry> entry_;
};

VirtualClock::VirtualClock() = default;
VirtualClock::~VirtualClock() = default;

double VirtualClock::now() const {
    std::lock_guard lock(mutex_);
    return now_;
}

std::unique_ptr<Timer> VirtualClock::schedule(double delay, std::function<void()> fire) {
    return add(std::max(delay, 0.0), 0, std::move(fire));
}

std::unique_ptr<Timer> VirtualClock::repeat(double interval, std::function<void()> fire) {
    interval = std::max(interval, shortestInterval);
    return add(interval, interval, std::move(fire));
}

std::unique_ptr<Timer> VirtualClock::add(double delay, double interval,
                                         std::function<void()> fire) {
    auto entry = std::make_shared<Entry>();
    entry->interval = interval;
    entry->fire = std::move(fire);
    {
        std::lock_guard lock(mutex_);
        entry->sequence = nextSequence_++;
        entry->origin = now_;
        entry->due = now_ + delay;
        entries_.push_back(entry);
    }
    return std::make_unique<Handle>(entry);
}

std::shared_ptr<VirtualClock::Entry> VirtualClock::nextDue(double end) {
    std::lock_guard lock(mutex_);
    std::erase_if(entries_, [](const auto& entry) { return entry->cancelled.load(); });
    std::shared_ptr<Entry> next;
    for (const auto& entry : entries_) {
        if (entry->due > end + tolerance)
            continue;
        if (!next || entry->due < next->due ||
            (entry->due == next->due && entry->sequence < next->sequence)) {
            next = entry;
        }
    }
    if (next)
        now_ = std::max(now_, next->due);
    return next;
}

void VirtualClock::advance(double seconds) {
    const double end = now() + std::max(seconds, 0.0);
    while (auto entry = nextDue(end)) {
        if (entry->interval > 0) {
            // Re-armed before firing so that a cancel inside the callback wins. Firings missed
            // by a jump of setNow are coalesced into this one, as a run loop would.
            std::lock_guard lock(mutex_);
            do {
                ++entry->fired;
                entry->due = entry->origin + double(entry->fired + 1) * entry->interval;
            } while (entry->due <= now_ + tolerance);
        } else {
            entry->cancelled = true;
        }
        // `entry` keeps the callback alive even if it drops its own timer.
        entry->fire();
    }
    std::lock_guard lock(mutex_);
    now_ = std::max(now_, end);
}

void VirtualClock::setNow(double t) {
    std::lock_guard lock(mutex_);
    now_ = std::max(now_, t);
}

int VirtualClock::pendingTimers() const {
    std::lock_guard lock(mutex_);
    return int(std::count_if(entries_.begin(), entries_.end(),
                             [](const auto& entry) { return !entry->cancelled.load(); }));
}

}  // namespace tandri::sim
