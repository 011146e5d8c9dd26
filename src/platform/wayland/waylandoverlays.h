// SPDX-License-Identifier: MIT
#pragma once

#include "platform/overlay.h"

struct wl_compositor;
struct wl_shm;
struct zwlr_layer_shell_v1;

namespace tandri::wayland {

class WaylandConnection;
class WaylandScreens;
class WaylandSeat;

/// Makes the overlay windows of a wlroots compositor: layer-shell surfaces on the overlay layer
/// (LayerOverlayWindow). Main thread.
class WaylandOverlays : public Overlays {
public:
    WaylandOverlays(WaylandConnection& connection, WaylandScreens& screens, WaylandSeat& seat);
    ~WaylandOverlays() override;
    WaylandOverlays(const WaylandOverlays&) = delete;
    WaylandOverlays& operator=(const WaylandOverlays&) = delete;

    /// Whether the compositor offers what the windows need.
    bool available() const;
    std::unique_ptr<OverlayWindow> makePanel() override;
    /// A surface that shows nothing and never takes the keyboard.
    std::unique_ptr<OverlayWindow> makeShield() override;

    WaylandConnection& connection() const { return connection_; }
    WaylandScreens& screens() const { return screens_; }
    WaylandSeat& seat() const { return seat_; }
    wl_compositor* compositor() const { return compositor_; }
    wl_shm* shm() const { return shm_; }
    zwlr_layer_shell_v1* layerShell() const { return layerShell_; }

private:
    WaylandConnection& connection_;
    WaylandScreens& screens_;
    WaylandSeat& seat_;
    wl_compositor* compositor_ = nullptr;
    wl_shm* shm_ = nullptr;
    zwlr_layer_shell_v1* layerShell_ = nullptr;
};

}  // namespace tandri::wayland
