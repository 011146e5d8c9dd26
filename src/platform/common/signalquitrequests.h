// SPDX-License-Identifier: MIT
#pragma once

#include "platform/quitrequests.h"

namespace tandri {

/// SIGTERM and SIGINT as quit requests: the signal handler only writes a byte to a pipe, and the
/// event loop, watching the pipe, runs the handlers. The previous disposition comes back when the
/// last watch ends.
class SignalQuitRequests : public QuitRequests {
public:
    SignalQuitRequests();
    ~SignalQuitRequests() override;
    SignalQuitRequests(const SignalQuitRequests&) = delete;
    SignalQuitRequests& operator=(const SignalQuitRequests&) = delete;

    [[nodiscard]] std::unique_ptr<Monitor> watch(std::function<void()> handler) override;

private:
    struct State;
    class Watch;
    std::shared_ptr<State> state_;
};

}  // namespace tandri
