// SPDX-License-Identifier: MIT
#include "platform/sim/simkeyboard.h"

#include "platform/common/handlerlist.h"

#include <algorithm>
#include <vector>

namespace tandri::sim {

struct SimKeyboard::Registry {
    using Combination = std::pair<qint64, qint64>;
    int nextID = 0;
    std::map<int, std::pair<Combination, std::function<void(HotKeyEvent)>>> grabs;
    HandlerList<std::function<bool(const KeyEvent&)>> monitors;
};

namespace {

QString combination(qint64 keyCode, qint64 modifiers) {
    return QString::number(keyCode) + u' ' + QString::number(modifiers);
}

}  // namespace

// Tokens hold the registry weakly: one may outlive the desktop that made it.
class SimKeyboard::GrabToken : public KeyGrab {
public:
    GrabToken(std::weak_ptr<Registry> registry, SimState& state, int id)
        : registry_(std::move(registry)), state_(state), id_(id) {}
    ~GrabToken() override {
        auto registry = registry_.lock();
        if (!registry)
            return;
        auto it = registry->grabs.find(id_);
        if (it == registry->grabs.end())
            return;
        const auto [keyCode, modifiers] = it->second.first;
        registry->grabs.erase(it);
        std::lock_guard lock(state_.mutex);
        state_.log(QStringLiteral("ungrab-key ") + combination(keyCode, modifiers));
    }

private:
    std::weak_ptr<Registry> registry_;
    SimState& state_;
    int id_;
};

class SimKeyboard::MonitorToken : public Monitor {
public:
    MonitorToken(std::weak_ptr<Registry> registry, int id)
        : registry_(std::move(registry)), id_(id) {}
    ~MonitorToken() override {
        if (auto registry = registry_.lock())
            registry->monitors.remove(id_);
    }

private:
    std::weak_ptr<Registry> registry_;
    int id_;
};

SimKeyboard::SimKeyboard(SimState& state)
    : state_(state), registry_(std::make_shared<Registry>()) {}

SimKeyboard::~SimKeyboard() = default;

HotKeyGrab SimKeyboard::grabHotKey(quint32 keyCode, quint32 modifiers,
                                   std::function<void(HotKeyEvent)> handler) {
    {
        std::lock_guard lock(state_.mutex);
        const std::pair<qint64, qint64> wanted(keyCode, modifiers);
        const bool taken = std::find(state_.takenShortcuts.begin(), state_.takenShortcuts.end(),
                                     wanted) != state_.takenShortcuts.end();
        state_.log((taken ? QStringLiteral("grab-key-refused ") : QStringLiteral("grab-key ")) +
                   combination(keyCode, modifiers));
        if (taken)
            return {nullptr, GrabRefusal::Taken};
    }
    const int id = registry_->nextID++;
    registry_->grabs.emplace(
        id, std::make_pair(std::make_pair(qint64(keyCode), qint64(modifiers)), std::move(handler)));
    return {std::make_unique<GrabToken>(registry_, state_, id)};
}

std::unique_ptr<Monitor> SimKeyboard::monitorOwnKeyDowns(
    std::function<bool(const KeyEvent&)> handler) {
    const int id = registry_->monitors.add(std::move(handler));
    return std::make_unique<MonitorToken>(registry_, id);
}

bool SimKeyboard::deliver(qint64 keyCode, qint64 modifiers, HotKeyEvent event) {
    std::vector<std::function<void(HotKeyEvent)>> handlers;
    for (const auto& [id, grab] : registry_->grabs) {
        if (grab.first == std::make_pair(keyCode, modifiers))
            handlers.push_back(grab.second);
    }
    // Copies: a handler may drop its own grab.
    for (const auto& handler : handlers) {
        if (handler)
            handler(event);
    }
    return !handlers.empty();
}

bool SimKeyboard::pressKeys(qint64 keyCode, qint64 modifiers) {
    return deliver(keyCode, modifiers, HotKeyEvent::Pressed);
}

bool SimKeyboard::releaseKeys(qint64 keyCode, qint64 modifiers) {
    return deliver(keyCode, modifiers, HotKeyEvent::Released);
}

bool SimKeyboard::typeKey(const KeyEvent& event) {
    return registry_->monitors.each([&](const auto& monitor) { return monitor(event); });
}

std::vector<std::pair<qint64, qint64>> SimKeyboard::grabbed() const {
    std::vector<std::pair<qint64, qint64>> result;
    for (const auto& entry : registry_->grabs) result.push_back(entry.second.first);
    return result;
}

}  // namespace tandri::sim
