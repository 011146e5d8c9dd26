// SPDX-License-Identifier: MIT
#include "platform/sim/manualqueues.h"

namespace tandri::sim {

void ManualQueues::background(Priority, std::function<void()> work) {
    std::lock_guard lock(mutex_);
    background_.push_back(std::move(work));
}

void ManualQueues::main(std::function<void()> work) {
    std::lock_guard lock(mutex_);
    main_.push_back(std::move(work));
}

int ManualQueues::pendingBackground() const {
    std::lock_guard lock(mutex_);
    return int(background_.size());
}

int ManualQueues::pendingMain() const {
    std::lock_guard lock(mutex_);
    return int(main_.size());
}

void ManualQueues::run(Queue& queue) {
    for (;;) {
        std::function<void()> job;
        {
            std::lock_guard lock(mutex_);
            if (queue.empty())
                return;
            job = std::move(queue.front());
            queue.pop_front();
        }
        // Unlocked: a job may queue more work.
        if (job)
            job();
    }
}

void ManualQueues::runBackground() {
    run(background_);
}

void ManualQueues::runMain() {
    run(main_);
}

void ManualQueues::drain() {
    while (pendingBackground() > 0 || pendingMain() > 0) {
        runBackground();
        runMain();
    }
}

}  // namespace tandri::sim
