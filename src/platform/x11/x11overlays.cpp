// SPDX-License-Identifier: MIT
#include "platform/x11/x11overlays.h"

#include "platform/x11/x11overlaywindow.h"
#include "platform/x11/x11shieldwindow.h"

namespace tandri::x11 {

X11Overlays::X11Overlays(X11Connection& connection, KeyFocus& focus, Clock& clock)
    : connection_(connection), focus_(focus), clock_(clock) {}

std::unique_ptr<OverlayWindow> X11Overlays::makePanel() {
    return std::make_unique<X11OverlayWindow>(connection_, focus_, clock_);
}

std::unique_ptr<OverlayWindow> X11Overlays::makeShield() {
    return std::make_unique<X11ShieldWindow>(connection_, clock_);
}

}  // namespace tandri::x11
