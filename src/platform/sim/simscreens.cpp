// SPDX-License-Identifier: MIT
#include "platform/sim/simscreens.h"

#include <vector>

#include "platform/common/handlerlist.h"

namespace tandri::sim {

struct SimScreens::Monitors {
    HandlerList<std::function<void()>> callbacks;
};

// Holds its registry weakly: a token may outlive the desktop that made it.
class SimScreens::Token : public Monitor {
public:
    Token(std::weak_ptr<Monitors> monitors, int id) : monitors_(std::move(monitors)), id_(id) {}
    ~Token() override {
        if (auto monitors = monitors_.lock())
            monitors->callbacks.remove(id_);
    }

private:
    std::weak_ptr<Monitors> monitors_;
    int id_;
};

SimScreens::SimScreens(SimState& state) : state_(state), monitors_(std::make_shared<Monitors>()) {}

SimScreens::~SimScreens() = default;

std::vector<Screen> SimScreens::screens() const {
    std::lock_guard lock(state_.mutex);
    return state_.screens;
}

QPointF SimScreens::mouseLocation() const {
    std::lock_guard lock(state_.mutex);
    return state_.pointer;
}

unsigned SimScreens::pressedMouseButtons() const {
    std::lock_guard lock(state_.mutex);
    return state_.pressedButtons;
}

std::unique_ptr<Monitor> SimScreens::monitorOutsideClicks(std::function<void()> onMouseDown) {
    const int id = monitors_->callbacks.add(std::move(onMouseDown));
    return std::make_unique<Token>(monitors_, id);
}

void SimScreens::clickInOtherApp() {
    // A callback may remove its own monitor or others (closing the ring does).
    monitors_->callbacks.each([](const auto& callback) {
        callback();
        return false;
    });
}

int SimScreens::monitorCount() const {
    return monitors_->callbacks.size();
}

}  // namespace tandri::sim
