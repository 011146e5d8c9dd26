#pragma once

#include <atomic>

#include "platform/sim/simstate.h"
#include "platform/system.h"

namespace tandri::sim {

/// Process services of the simulated desktop: memory relief is counted and logged, not done.
class SimSystem : public System {
public:
    explicit SimSystem(SimState& state);

    void relieveMemory() override;
    int memoryReliefs() const { return reliefs_; }

private:
    SimState& state_;
    std::atomic<int> reliefs_ = 0;
};

}  // namespace tandri::sim
