// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <memory>

#include "platform/screens.h"

namespace tandri {

/// Requests from outside the program to end it (a termination signal).
class QuitRequests {
public:
    virtual ~QuitRequests() = default;
    /// Runs `handler` on the main thread, through the event loop, for each request. While the
    /// returned object lives, a request never ends the process by itself.
    [[nodiscard]] virtual std::unique_ptr<Monitor> watch(std::function<void()> handler) = 0;
};

}  // namespace tandri
