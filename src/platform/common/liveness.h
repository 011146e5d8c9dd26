// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

namespace tandri {

/// Tells the callbacks an object hands out whether the object still exists: a callback that may
/// run after its object was destroyed (a timer, a queued task, a background result) carries a
/// Watch taken from the object's Liveness and does nothing once the Watch reports it gone.
/// A Watch may be read on any thread.
class Liveness {
public:
    class Watch {
    public:
        /// True while the object that handed it out exists.
        explicit operator bool() const { return !flag_.expired(); }

    private:
        friend class Liveness;
        explicit Watch(std::weak_ptr<const bool> flag) : flag_(std::move(flag)) {}
        std::weak_ptr<const bool> flag_;
    };

    Liveness() = default;
    // A copy would outlive the object it speaks for.
    Liveness(const Liveness&) = delete;
    Liveness& operator=(const Liveness&) = delete;

    Watch watch() const { return Watch(flag_); }

private:
    std::shared_ptr<const bool> flag_ = std::make_shared<const bool>(true);
};

}  // namespace tandri
