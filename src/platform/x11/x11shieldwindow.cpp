// SPDX-License-Identifier: MIT
#include "platform/x11/x11shieldwindow.h"

#include <unistd.h>

#include <algorithm>
#include <utility>

#include "platform/x11/inputshape.h"
#include "platform/x11/x11screencapture.h"
#include "platform/x11/x11screens.h"
#include "platform/x11/xdndtarget.h"

#include "platform/x11/xlib.h"

namespace tandri::x11 {

X11ShieldWindow::X11ShieldWindow(X11Connection& connection, Clock& clock)
    : connection_(connection), clock_(clock) {
    Display* display = connection_.display();
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.event_mask = ButtonPressMask;
    window_ = XCreateWindow(display, connection_.root(), 0, 0, 1, 1, 0, 0, InputOnly,
                            CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
    const unsigned long pid = static_cast<unsigned long>(getpid());
    XChangeProperty(display, window_, connection_.atom("_NET_WM_PID"), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
    InputShape::prepare(connection_);
    events_ = connection_.addEventHandler([this](XEvent& event) { return handle(event); });
    connection_.flush();
}

X11ShieldWindow::~X11ShieldWindow() {
    events_.reset();
    drops_.reset();
    XDestroyWindow(connection_.display(), window_);
    connection_.flush();
}

void X11ShieldWindow::setHandlers(OverlayHandlers handlers) {
    handlers_ = std::move(handlers);
    if (!handlers_.drop)
        drops_.reset();
    else if (!drops_)
        drops_ = std::make_unique<XdndTarget>(connection_, window_, clock_, handlers_);
}

void X11ShieldWindow::setFrame(const QRectF& frame) {
    frame_ = frame;
    const QRect pixels = X11ScreenCapture::rootPixels(X11Screens::toQt(frame));
    XMoveResizeWindow(connection_.display(), window_, pixels.x(), pixels.y(),
                      unsigned(std::max(1, pixels.width())),
                      unsigned(std::max(1, pixels.height())));
    connection_.flush();
}

QRectF X11ShieldWindow::frame() const {
    return frame_;
}

void X11ShieldWindow::orderFront() {
    XMapRaised(connection_.display(), window_);
    mapped_ = true;
    connection_.flush();
}

void X11ShieldWindow::orderFrontBelow(XID sibling) {
    Display* display = connection_.display();
    XWindowChanges changes{};
    changes.sibling = sibling;
    changes.stack_mode = Below;
    // Mapped anyway when the sibling is gone: above it, the window still takes the clicks.
    connection_.trapErrors(
        [&] { XConfigureWindow(display, window_, CWSibling | CWStackMode, &changes); });
    XMapWindow(display, window_);
    mapped_ = true;
    connection_.flush();
}

void X11ShieldWindow::orderOut() {
    XUnmapWindow(connection_.display(), window_);
    mapped_ = false;
    connection_.flush();
}

bool X11ShieldWindow::isVisible() const {
    return mapped_;
}

void X11ShieldWindow::setAcceptsMouseEvents(bool accepts) {
    InputShape::set(connection_, window_, accepts);
}

std::optional<MouseButton> X11ShieldWindow::buttonOf(unsigned xButton) {
    switch (xButton) {
        case 1:
            return MouseButton::Left;
        case 3:
            return MouseButton::Right;
        default:
            if (xButton >= 4 && xButton <= 7)
                return std::nullopt;  // the wheel's steps
            return MouseButton::Other;
    }
}

bool X11ShieldWindow::handle(XEvent& event) {
    if (drops_ && drops_->handle(event))
        return true;
    if (event.type != ButtonPress || event.xbutton.window != window_)
        return false;
    // A copy: the handler may replace the handlers while it runs.
    if (const auto button = buttonOf(event.xbutton.button); button && handlers_.mouseDown) {
        auto handler = handlers_.mouseDown;
        handler(*button);
    }
    return true;
}

}  // namespace tandri::x11
