// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

#include "platform/pointerbuttons.h"
#include "platform/sim/simstate.h"

namespace tandri::sim {

/// The simulated other mouse buttons: filters (only with the accessibility permission) see an
/// event first; what they do not remove reaches the listeners and the application under the
/// pointer, which the desktop records.
class SimPointerButtons : public PointerButtons {
public:
    explicit SimPointerButtons(SimState& state);
    ~SimPointerButtons() override;

    [[nodiscard]] std::unique_ptr<Monitor> filterOtherButtons(
        std::function<bool(const ButtonEvent&)> handler) override;
    [[nodiscard]] std::unique_ptr<Monitor> listenOtherButtons(
        std::function<void(const ButtonEvent&)> handler) override;

    /// The user presses, releases or drags a button; true when the event reached the application
    /// under the pointer.
    bool send(const ButtonEvent& event);
    int filterCount() const;
    int listenerCount() const;

private:
    struct Registry;
    class Token;

    SimState& state_;
    std::shared_ptr<Registry> registry_;
};

}  // namespace tandri::sim
