// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <memory>

#include "platform/common/liveness.h"
#include "platform/pointerbuttons.h"

namespace tandri {

class Monitor;
class Queues;

/// A system-wide filter that takes the middle button's presses, releases and drags away from
/// every application and reports the press and release. Other buttons pass untouched. Main
/// thread.
class MiddleClickTap {
public:
    /// Installs the filter; null when the system refuses it (no accessibility permission).
    static std::unique_ptr<MiddleClickTap> make(PointerButtons& buttons, Queues& queues);
    ~MiddleClickTap();
    MiddleClickTap(const MiddleClickTap&) = delete;
    MiddleClickTap& operator=(const MiddleClickTap&) = delete;

    /// Run on the main queue after the event, and only while the tap still exists.
    std::function<void()> onDown;
    std::function<void()> onUp;

    /// Whether the event is removed from the event stream.
    bool handle(const ButtonEvent& event);

private:
    explicit MiddleClickTap(Queues& queues) : queues_(queues) {}
    void schedule(std::function<void()> MiddleClickTap::*callback);

    Queues& queues_;
    Liveness alive_;
    std::unique_ptr<Monitor> filter_;
};

}  // namespace tandri
