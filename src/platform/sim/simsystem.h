// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>

#include "platform/sim/simstate.h"
#include "platform/system.h"

namespace tandri::sim {

/// Process services of the simulated desktop, which imitates the system the program was first
/// written for: a Dock whose restart is recorded, and that system's own shortcuts and launchers.
/// Memory relief and log lines are recorded, and log lines are also written to standard error.
/// The memory figures are this process's own, in which the simulated desktop lives.
class SimSystem : public System {
public:
    explicit SimSystem(SimState& state);

    void relieveMemory() override;
    void log(const QString& line) override;
    bool hasDock() const override { return true; }
    void restartDock() override;
    ShortcutTable shortcutTable() const override;
    void beep() override;
    bool hasWindowOverview() const override { return true; }
    void showWindowOverview() override;
    /// Recorded as "relaunch"; nothing starts.
    bool relaunchAfterQuit() override;
    std::optional<qint64> memoryFootprint() const override;
    std::vector<MemoryRegions> memoryRegions() const override;

    int memoryReliefs() const { return reliefs_; }

private:
    SimState& state_;
    std::atomic<int> reliefs_ = 0;
};

}  // namespace tandri::sim
