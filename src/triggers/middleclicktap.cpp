// SPDX-License-Identifier: MIT
#include "triggers/middleclicktap.h"

#include "platform/queues.h"
#include "platform/screens.h"

namespace tandri {

std::unique_ptr<MiddleClickTap> MiddleClickTap::make(PointerButtons& buttons, Queues& queues) {
    std::unique_ptr<MiddleClickTap> tap(new MiddleClickTap(queues));
    MiddleClickTap* target = tap.get();
    // The filter lives inside the object, so the handler never outlives its target.
    tap->filter_ = buttons.filterOtherButtons(
        [target](const ButtonEvent& event) { return target->handle(event); });
    if (!tap->filter_)
        return nullptr;
    return tap;
}

MiddleClickTap::~MiddleClickTap() = default;

bool MiddleClickTap::handle(const ButtonEvent& event) {
    if (event.button != ButtonEvent::middle)
        return false;
    switch (event.type) {
        case ButtonEvent::Type::Down:
            schedule(&MiddleClickTap::onDown);
            break;
        case ButtonEvent::Type::Up:
            schedule(&MiddleClickTap::onUp);
            break;
        case ButtonEvent::Type::Dragged:
            break;
    }
    return true;
}

void MiddleClickTap::schedule(std::function<void()> MiddleClickTap::*callback) {
    // The filter must return at once; the ring's work runs after it, from the main queue.
    Liveness::Watch alive = alive_.watch();
    queues_.main([this, alive, callback] {
        if (!alive)
            return;
        auto run = this->*callback;
        if (run)
            run();
    });
}

}  // namespace tandri
