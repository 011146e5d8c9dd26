// SPDX-License-Identifier: MIT
#pragma once

#include "platform/sim/simstate.h"
#include "platform/windowlist.h"

namespace tandri::sim {

/// The simulated window server's list of on-screen windows.
class SimWindowList : public WindowList {
public:
    explicit SimWindowList(SimState& state);

    std::optional<std::vector<ServerWindow>> onScreenWindows() const override;
    bool screenCaptureAllowed() const override;

private:
    SimState& state_;
};

}  // namespace tandri::sim
