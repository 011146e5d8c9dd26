// SPDX-License-Identifier: MIT
#pragma once

#include "platform/screencapture.h"
#include "platform/sim/simstate.h"

namespace tandri::sim {

/// The simulated desktop's screen capture: the permission comes from the desktop file, and a
/// capture draws a plausible picture of the window from what the desktop knows about it, on the
/// thread that asks, reading the desktop under its lock.
class SimScreenCapture : public ScreenCapture {
public:
    explicit SimScreenCapture(SimState& state);

    bool hasPermission() const override;
    void requestPermission() override;
    std::optional<std::vector<ShareableWindow>> shareableWindows() const override;
    QImage capture(quint32 windowID, QSize pixels) override;

private:
    SimState& state_;
};

}  // namespace tandri::sim
