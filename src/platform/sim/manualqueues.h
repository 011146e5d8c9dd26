// SPDX-License-Identifier: MIT
#pragma once

#include <deque>
#include <functional>
#include <mutex>

#include "platform/queues.h"

namespace tandri::sim {

/// Queues that hold every job until the test runs them, so the order of background work and its
/// results is under the test's control. Jobs run on the thread that runs them.
class ManualQueues : public Queues {
public:
    void background(Priority priority, std::function<void()> work) override;
    void main(std::function<void()> work) override;

    int pendingBackground() const;
    int pendingMain() const;
    /// Runs every queued background job in order, including jobs queued meanwhile.
    void runBackground();
    /// Runs every queued main-thread job in order, including jobs queued meanwhile.
    void runMain();
    /// Runs background and main-thread jobs in turn until both queues are empty.
    void drain();

private:
    using Queue = std::deque<std::function<void()>>;
    void run(Queue& queue);

    mutable std::mutex mutex_;
    Queue background_;
    Queue main_;
};

}  // namespace tandri::sim
