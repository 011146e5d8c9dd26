// SPDX-License-Identifier: MIT
#pragma once

#include <map>
#include <memory>
#include <utility>

#include "platform/keyboard.h"
#include "platform/sim/simstate.h"

namespace tandri::sim {

/// The simulated keyboard: global grabs that refuse the desktop's taken combinations, and the
/// key presses a script types into the program's own windows.
class SimKeyboard : public Keyboard {
public:
    explicit SimKeyboard(SimState& state);
    ~SimKeyboard() override;

    [[nodiscard]] HotKeyGrab grabHotKey(quint32 keyCode, quint32 modifiers,
                                        std::function<void(HotKeyEvent)> handler) override;
    [[nodiscard]] std::unique_ptr<Monitor> monitorOwnKeyDowns(
        std::function<bool(const KeyEvent&)> handler) override;

    /// The user presses (or, held, repeats) a combination; true when a grab of this program
    /// received it.
    bool pressKeys(qint64 keyCode, qint64 modifiers);
    /// The user lets go of a combination; true when a grab of this program received it.
    bool releaseKeys(qint64 keyCode, qint64 modifiers);
    /// A key press sent to the program's own window; true when a monitor consumed it.
    bool typeKey(const KeyEvent& event);
    /// The combinations this program holds now.
    std::vector<std::pair<qint64, qint64>> grabbed() const;

private:
    struct Registry;
    class GrabToken;
    class MonitorToken;

    bool deliver(qint64 keyCode, qint64 modifiers, HotKeyEvent event);

    SimState& state_;
    std::shared_ptr<Registry> registry_;
};

}  // namespace tandri::sim
