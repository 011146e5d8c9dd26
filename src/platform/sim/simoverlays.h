// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <vector>

#include "platform/overlay.h"
#include "platform/sim/simoverlaywindow.h"

namespace tandri::sim {

/// Makes the simulated desktop's overlay windows and keeps track of the live ones.
class SimOverlays : public Overlays {
public:
    SimOverlays();
    ~SimOverlays() override;

    std::unique_ptr<OverlayWindow> makePanel() override;
    std::unique_ptr<OverlayWindow> makeShield() override;

    /// The first panel made that still exists; null when there is none.
    SimOverlayWindow* panel() const;
    /// The shields that still exist, in order of making.
    std::vector<SimOverlayWindow*> shields() const;

private:
    struct Registry;

    std::unique_ptr<OverlayWindow> make(SimOverlayWindow::Kind kind);

    std::shared_ptr<Registry> registry_;
};

}  // namespace tandri::sim
