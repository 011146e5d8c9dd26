// SPDX-License-Identifier: MIT
#include "platform/sim/simoverlays.h"

#include <algorithm>

namespace tandri::sim {

struct SimOverlays::Registry {
    /// Live windows in order of making.
    std::vector<SimOverlayWindow*> windows;
};

SimOverlays::SimOverlays() : registry_(std::make_shared<Registry>()) {}

SimOverlays::~SimOverlays() = default;

std::unique_ptr<OverlayWindow> SimOverlays::make(SimOverlayWindow::Kind kind) {
    // The hooks hold the registry weakly: windows may outlive the desktop.
    std::weak_ptr<Registry> weak = registry_;
    SimOverlayWindow::Hooks hooks;
    hooks.becameKey = [weak](SimOverlayWindow& window) {
        auto registry = weak.lock();
        if (!registry)
            return;
        for (auto* other : registry->windows) {
            if (other != &window)
                other->resignKey();
        }
    };
    hooks.destroyed = [weak](SimOverlayWindow& window) {
        if (auto registry = weak.lock())
            std::erase(registry->windows, &window);
    };
    auto window = std::make_unique<SimOverlayWindow>(kind, std::move(hooks));
    registry_->windows.push_back(window.get());
    return window;
}

std::unique_ptr<OverlayWindow> SimOverlays::makePanel() {
    return make(SimOverlayWindow::Kind::Panel);
}

std::unique_ptr<OverlayWindow> SimOverlays::makeShield() {
    return make(SimOverlayWindow::Kind::Shield);
}

SimOverlayWindow* SimOverlays::panel() const {
    auto it = std::find_if(registry_->windows.begin(), registry_->windows.end(), [](auto* window) {
        return window->kind() == SimOverlayWindow::Kind::Panel;
    });
    return it == registry_->windows.end() ? nullptr : *it;
}

std::vector<SimOverlayWindow*> SimOverlays::shields() const {
    std::vector<SimOverlayWindow*> result;
    std::copy_if(registry_->windows.begin(), registry_->windows.end(), std::back_inserter(result),
                 [](auto* window) { return window->kind() == SimOverlayWindow::Kind::Shield; });
    return result;
}

}  // namespace tandri::sim
