// SPDX-License-Identifier: MIT
#pragma once

#include "platform/accessibility.h"

namespace tandri::wayland {

class ForeignToplevels;

/// Other programs' windows on a wlroots compositor, as foreign toplevels: listed per app id
/// (ForeignToplevels' made-up process numbers), raised by activating them. The protocol shows no
/// menus, so there is no menu bar to read. Listing on any thread; actions on the main thread.
class WaylandAccessibility : public Accessibility {
public:
    explicit WaylandAccessibility(ForeignToplevels& toplevels);

    /// Whether the compositor lists its windows; there is no permission to ask for.
    bool isTrusted() const override;
    /// Nothing to ask: a compositor lists its windows or does not.
    void requestAccess() override;
    /// The app's windows, front to back.
    std::vector<AXWindow> windows(qint32 pid) const override;
    void setMinimized(const WindowElement& window, bool minimized) override;
    /// Activates the window: on Wayland the focused window is the main one.
    void setMain(const WindowElement& window) override;
    void raise(const WindowElement& window) override;
    /// None: no Wayland protocol shows another program's menus.
    std::optional<std::vector<AXMenu>> menuBar(qint32 pid) const override;
    int fileMenuIndex() const override;
    void press(const MenuElement& item) override;

private:
    ForeignToplevels& toplevels_;
};

}  // namespace tandri::wayland
