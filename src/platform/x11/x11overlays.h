#pragma once

#include <memory>

#include "platform/overlay.h"

namespace tandri::x11 {

class X11Connection;

/// Makes the overlay windows of the X desktop. Main thread.
class X11Overlays : public Overlays {
public:
    explicit X11Overlays(X11Connection& connection);

    std::unique_ptr<OverlayWindow> makePanel() override;
    /// An input-only window: it shows nothing and never takes the keyboard focus.
    std::unique_ptr<OverlayWindow> makeShield() override;

private:
    X11Connection& connection_;
};

}  // namespace tandri::x11
