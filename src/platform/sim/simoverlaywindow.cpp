#include "platform/sim/simoverlaywindow.h"

namespace tandri::sim {

SimOverlayWindow::SimOverlayWindow(Kind kind, Hooks hooks)
    : kind_(kind), hooks_(std::move(hooks)) {}

SimOverlayWindow::~SimOverlayWindow() {
    if (hooks_.destroyed)
        hooks_.destroyed(*this);
}

void SimOverlayWindow::setHandlers(OverlayHandlers handlers) {
    handlers_ = std::move(handlers);
}

void SimOverlayWindow::setFrame(const QRectF& frame) {
    frame_ = frame;
}

QRectF SimOverlayWindow::frame() const {
    return frame_;
}

void SimOverlayWindow::orderFront() {
    visible_ = true;
    ++orderFrontCount_;
}

void SimOverlayWindow::orderOut() {
    visible_ = false;
    key_ = false;
}

bool SimOverlayWindow::isVisible() const {
    return visible_;
}

void SimOverlayWindow::makeKey() {
    key_ = true;
    if (hooks_.becameKey)
        hooks_.becameKey(*this);
}

void SimOverlayWindow::setAcceptsMouseEvents(bool accepts) {
    acceptsMouseEvents_ = accepts;
}

void SimOverlayWindow::setBackdropAlpha(double alpha) {
    backdropAlpha_ = alpha;
}

void SimOverlayWindow::mouseDown(MouseButton button) {
    // A copy: the handler may replace the handlers while it runs.
    if (auto handler = handlers_.mouseDown)
        handler(button);
}

void SimOverlayWindow::keyDown(KeyEvent event) {
    if (auto handler = handlers_.keyDown)
        handler(event);
}

}  // namespace tandri::sim
