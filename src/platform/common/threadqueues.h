// SPDX-License-Identifier: MIT
#pragma once

#include <QThreadPool>
#include <array>
#include <atomic>
#include <memory>

#include "platform/queues.h"

namespace tandri {

/// Background work on thread pools, one per priority, and the way back to the thread that made
/// the queues (the main thread).
class ThreadQueues : public Queues {
public:
    ThreadQueues();
    /// Drops background work that has not started and waits for the work that is running; main
    /// work still queued is dropped.
    ~ThreadQueues() override;

    void background(Priority priority, std::function<void()> work) override;
    void main(std::function<void()> work) override;

private:
    static constexpr int priorityCount = 3;

    class MainQueue;

    std::unique_ptr<MainQueue> mainQueue_;
    int baseNice_ = 0;
    std::atomic<bool> stopping_{false};
    std::array<QThreadPool, priorityCount> pools_;
};

}  // namespace tandri
