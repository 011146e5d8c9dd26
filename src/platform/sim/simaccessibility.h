// SPDX-License-Identifier: MIT
#pragma once

#include "platform/accessibility.h"
#include "platform/sim/simstate.h"

namespace tandri::sim {

/// The simulated desktop's accessibility interface: the apps' window lists and the window
/// actions, each of which is written to the action log.
class SimAccessibility : public Accessibility {
public:
    explicit SimAccessibility(SimState& state);

    bool isTrusted() const override;
    void requestAccess() override;
    std::vector<AXWindow> windows(qint32 pid) const override;
    void setMinimized(const WindowElement& element, bool minimized) override;
    void setMain(const WindowElement& element) override;
    void raise(const WindowElement& element) override;
    std::optional<std::vector<AXMenu>> menuBar(qint32 pid) const override;
    int fileMenuIndex() const override;
    void press(const MenuElement& element) override;

private:
    SimState& state_;
};

}  // namespace tandri::sim
