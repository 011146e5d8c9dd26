// SPDX-License-Identifier: MIT
#pragma once

#include "platform/loginitems.h"
#include "platform/sim/simstate.h"

namespace tandri::sim {

/// The login item of the simulated desktop: a switch in its state, which may need the user's
/// approval as the system it imitates asks for. Changes are recorded as actions.
class SimLoginItems : public LoginItems {
public:
    explicit SimLoginItems(SimState& state) : state_(state) {}

    Status status() const override;
    std::optional<QString> enable() override;
    std::optional<QString> disable() override;

private:
    SimState& state_;
};

}  // namespace tandri::sim
