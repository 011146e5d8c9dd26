// SPDX-License-Identifier: MIT
#include "platform/sim/simpointerbuttons.h"

#include "platform/common/handlerlist.h"

namespace tandri::sim {

struct SimPointerButtons::Registry {
    HandlerList<std::function<bool(const ButtonEvent&)>> filters;
    HandlerList<std::function<void(const ButtonEvent&)>> listeners;
};

// Holds the registry weakly: a token may outlive the desktop that made it.
class SimPointerButtons::Token : public Monitor {
public:
    Token(std::weak_ptr<Registry> registry, bool filter, int id)
        : registry_(std::move(registry)), filter_(filter), id_(id) {}
    ~Token() override {
        auto registry = registry_.lock();
        if (!registry)
            return;
        if (filter_)
            registry->filters.remove(id_);
        else
            registry->listeners.remove(id_);
    }

private:
    std::weak_ptr<Registry> registry_;
    bool filter_;
    int id_;
};

namespace {

QString describe(const ButtonEvent& event) {
    const char* type = event.type == ButtonEvent::Type::Down ? "down"
                       : event.type == ButtonEvent::Type::Up ? "up"
                                                             : "dragged";
    return QStringLiteral("button ") + QString::number(event.button) + u' ' +
           QString::fromLatin1(type);
}

}  // namespace

SimPointerButtons::SimPointerButtons(SimState& state)
    : state_(state), registry_(std::make_shared<Registry>()) {}

SimPointerButtons::~SimPointerButtons() = default;

std::unique_ptr<Monitor> SimPointerButtons::filterOtherButtons(
    std::function<bool(const ButtonEvent&)> handler) {
    {
        std::lock_guard lock(state_.mutex);
        if (!state_.trusted)
            return nullptr;
    }
    return std::make_unique<Token>(registry_, true, registry_->filters.add(std::move(handler)));
}

std::unique_ptr<Monitor> SimPointerButtons::listenOtherButtons(
    std::function<void(const ButtonEvent&)> handler) {
    return std::make_unique<Token>(registry_, false, registry_->listeners.add(std::move(handler)));
}

bool SimPointerButtons::send(const ButtonEvent& event) {
    bool removed = false;
    registry_->filters.each([&](const auto& filter) { return removed = filter(event); });
    if (removed)
        return false;
    // Drags are not reported to listeners, as with the system's passive monitors.
    if (event.type != ButtonEvent::Type::Dragged) {
        registry_->listeners.each([&](const auto& listener) {
            listener(event);
            return false;
        });
    }
    std::lock_guard lock(state_.mutex);
    state_.deliveredClicks.push_back(describe(event));
    return true;
}

int SimPointerButtons::filterCount() const {
    return int(registry_->filters.size());
}

int SimPointerButtons::listenerCount() const {
    return int(registry_->listeners.size());
}

}  // namespace tandri::sim
