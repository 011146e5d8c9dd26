// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

namespace tandri {

/// Background work and the way back to the main thread.
class Queues {
public:
    /// How urgent background work is; the backends map it to thread priorities.
    enum class Priority { UserInteractive, UserInitiated, Utility };

    virtual ~Queues() = default;
    /// Runs `work` on a background thread. `work` must not touch main-thread state.
    virtual void background(Priority priority, std::function<void()> work) = 0;
    /// Runs `work` later on the main thread, in the order of posting.
    virtual void main(std::function<void()> work) = 0;
};

}  // namespace tandri
