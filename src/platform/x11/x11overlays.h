// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

#include "platform/clock.h"
#include "platform/overlay.h"

namespace tandri::x11 {

class KeyFocus;
class X11Connection;

/// Makes the overlay windows of the X desktop. Main thread.
class X11Overlays : public Overlays {
public:
    X11Overlays(X11Connection& connection, KeyFocus& focus, Clock& clock);

    std::unique_ptr<OverlayWindow> makePanel() override;
    /// An input-only window: it shows nothing and never takes the keyboard focus.
    std::unique_ptr<OverlayWindow> makeShield() override;

private:
    X11Connection& connection_;
    KeyFocus& focus_;
    Clock& clock_;
};

}  // namespace tandri::x11
