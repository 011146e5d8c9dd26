// SPDX-License-Identifier: MIT
#include "ring/clickshield.h"

#include "platform/overlay.h"

namespace tandri {

ClickShield::ClickShield(Overlays& overlays) : window_(overlays.makeShield()) {
    OverlayHandlers handlers;
    handlers.mouseDown = [this](MouseButton) {
        if (onClick)
            onClick();
    };
    window_->setHandlers(std::move(handlers));
    window_->setAcceptsMouseEvents(true);
}

ClickShield::~ClickShield() = default;

void ClickShield::setFrame(const QRectF& frame) {
    window_->setFrame(frame);
}

QRectF ClickShield::frame() const {
    return window_->frame();
}

void ClickShield::orderFront() {
    window_->orderFront();
}

void ClickShield::orderOut() {
    window_->orderOut();
}

bool ClickShield::isVisible() const {
    return window_->isVisible();
}

}  // namespace tandri
