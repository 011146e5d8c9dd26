// SPDX-License-Identifier: MIT
#include "platform/wayland/waylandoverlays.h"

#include "platform/wayland/layeroverlaywindow.h"
#include "platform/wayland/waylandconnection.h"

#include <wayland-client.h>
#include "wlr-layer-shell-unstable-v1-client-protocol.h"

namespace tandri::wayland {

WaylandOverlays::WaylandOverlays(WaylandConnection& connection, WaylandScreens& screens,
                                 WaylandSeat& seat)
    : connection_(connection), screens_(screens), seat_(seat) {
    compositor_ = reinterpret_cast<wl_compositor*>(connection.bind(&wl_compositor_interface, 4));
    shm_ = reinterpret_cast<wl_shm*>(connection.bind(&wl_shm_interface, 1));
    layerShell_ =
        reinterpret_cast<zwlr_layer_shell_v1*>(connection.bind(&zwlr_layer_shell_v1_interface, 3));
}

WaylandOverlays::~WaylandOverlays() {
    if (layerShell_) {
        if (WaylandConnection::version(layerShell_) >= 3)
            zwlr_layer_shell_v1_destroy(layerShell_);
        else
            wl_proxy_destroy(reinterpret_cast<wl_proxy*>(layerShell_));
    }
    if (shm_)
        wl_shm_destroy(shm_);
    if (compositor_)
        wl_compositor_destroy(compositor_);
    connection_.flush();
}

bool WaylandOverlays::available() const {
    return compositor_ && shm_ && layerShell_;
}

std::unique_ptr<OverlayWindow> WaylandOverlays::makePanel() {
    return std::make_unique<LayerOverlayWindow>(LayerOverlayWindow::Kind::Panel, *this);
}

std::unique_ptr<OverlayWindow> WaylandOverlays::makeShield() {
    return std::make_unique<LayerOverlayWindow>(LayerOverlayWindow::Kind::Shield, *this);
}

}  // namespace tandri::wayland
