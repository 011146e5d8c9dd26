#include "ring/ringpanel.h"

#include "platform/overlay.h"
#include "ring/ringgeometry.h"

namespace tandri {

RingPanel::RingPanel(Overlays& overlays, const Clock& clock)
    : window_(overlays.makePanel()), view_(clock) {
    OverlayHandlers handlers;
    handlers.mouseDown = [this](MouseButton button) {
        view_.mouseDown(button);
    };
    handlers.keyDown = [this](const KeyEvent& event) {
        view_.keyDown(event);
    };
    handlers.dragOperation = [this] {
        return view_.draggingOperation();
    };
    handlers.drop = [this](const std::vector<QUrl>& urls) {
        return view_.performDragOperation(urls);
    };
    window_->setHandlers(std::move(handlers));
}

RingPanel::~RingPanel() = default;

void RingPanel::configure(const RingLayout& layout, const Screen& screen, QPointF center,
                          const LookChoice& look, bool dark) {
    view_.look = look;
    view_.dark = dark;
    window_->setFrame(screen.frame);
    view_.bounds = QRectF(0, 0, screen.frame.width(), screen.frame.height());
    view_.layout = layout;
    view_.ringCenter = center - screen.frame.topLeft();
    view_.placementBounds =
        screen.visible.translated(-screen.frame.topLeft()).adjusted(8, 8, -8, -8);
    // Chips left from the last opening must not show for a frame.
    view_.hideChips();
    view_.invalidateAll();
}

void RingPanel::setBlurAlpha(double alpha) {
    window_->setBackdropAlpha(alpha);
}

void RingPanel::orderFront() {
    window_->orderFront();
}

void RingPanel::makeKey() {
    window_->makeKey();
}

void RingPanel::setAcceptsMouseEvents(bool accepts) {
    window_->setAcceptsMouseEvents(accepts);
}

void RingPanel::orderOut() {
    window_->orderOut();
    view_.takeInvalidRect();
}

QRectF RingPanel::frame() const {
    return window_->frame();
}

}  // namespace tandri
