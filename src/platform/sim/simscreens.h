// SPDX-License-Identifier: MIT
#pragma once

#include <map>
#include <memory>

#include "platform/screens.h"
#include "platform/sim/simstate.h"

namespace tandri::sim {

/// The simulated displays and the scripted pointer.
class SimScreens : public Screens {
public:
    explicit SimScreens(SimState& state);
    ~SimScreens() override;

    std::vector<Screen> screens() const override;
    QPointF mouseLocation() const override;
    unsigned pressedMouseButtons() const override;
    [[nodiscard]] std::unique_ptr<Monitor> monitorOutsideClicks(
        std::function<void()> onMouseDown) override;

    /// Runs the callback of every monitor that is still installed, in order of installing.
    void clickInOtherApp();
    int monitorCount() const;

private:
    struct Monitors;
    class Token;

    SimState& state_;
    std::shared_ptr<Monitors> monitors_;
};

}  // namespace tandri::sim
