#include "platform/sim/simsystem.h"

namespace tandri::sim {

SimSystem::SimSystem(SimState& state) : state_(state) {}

void SimSystem::relieveMemory() {
    ++reliefs_;
    std::lock_guard lock(state_.mutex);
    state_.log(QStringLiteral("relieve-memory"));
}

}  // namespace tandri::sim
