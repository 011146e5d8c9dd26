#include "platform/sim/simpointerbuttons.h"

#include <map>
#include <vector>

namespace tandri::sim {

struct SimPointerButtons::Registry {
    int nextID = 0;
    std::map<int, std::function<bool(const ButtonEvent&)>> filters;
    std::map<int, std::function<void(const ButtonEvent&)>> listeners;
};

// Holds the registry weakly: a token may outlive the desktop that made it.
class SimPointerButtons::Token : public Monitor {
public:
    Token(std::weak_ptr<Registry> registry, int id) : registry_(std::move(registry)), id_(id) {}
    ~Token() override {
        if (auto registry = registry_.lock()) {
            registry->filters.erase(id_);
            registry->listeners.erase(id_);
        }
    }

private:
    std::weak_ptr<Registry> registry_;
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

// Runs each handler of `handlers` still registered when its turn comes; a handler may remove
// its own registration or others.
template <typename Handler, typename Call>
void each(std::map<int, Handler>& handlers, Call call) {
    std::vector<int> ids;
    for (const auto& entry : handlers) ids.push_back(entry.first);
    for (int id : ids) {
        auto it = handlers.find(id);
        if (it == handlers.end())
            continue;
        Handler handler = it->second;
        if (handler && call(handler))
            return;
    }
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
    const int id = registry_->nextID++;
    registry_->filters.emplace(id, std::move(handler));
    return std::make_unique<Token>(registry_, id);
}

std::unique_ptr<Monitor> SimPointerButtons::listenOtherButtons(
    std::function<void(const ButtonEvent&)> handler) {
    const int id = registry_->nextID++;
    registry_->listeners.emplace(id, std::move(handler));
    return std::make_unique<Token>(registry_, id);
}

bool SimPointerButtons::send(const ButtonEvent& event) {
    bool removed = false;
    each(registry_->filters, [&](const auto& filter) { return removed = filter(event); });
    if (removed)
        return false;
    // Drags are not reported to listeners, as with the system's passive monitors.
    if (event.type != ButtonEvent::Type::Dragged) {
        each(registry_->listeners, [&](const auto& listener) {
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
