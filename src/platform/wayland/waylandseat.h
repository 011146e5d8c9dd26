// SPDX-License-Identifier: MIT
#pragma once

#include <QPointF>
#include <functional>
#include <map>
#include <optional>

#include "platform/overlay.h"

struct wl_keyboard;
struct wl_pointer;
struct wl_seat;
struct wl_surface;
struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace tandri::wayland {

class WaylandConnection;

/// The pointer and keyboard of the compositor's seat as this program's own surfaces see them:
/// Wayland tells a client where the pointer is and which keys go down only over and into its
/// own surfaces. Events go to the handlers of the surface they concern; the last position seen
/// over any of them is kept. Main thread.
class WaylandSeat {
public:
    /// What a surface of this program hears from the seat; unset handlers ignore the event.
    struct SurfaceHandlers {
        /// The surface's top-left corner in the compositor's space (y down), for turning its
        /// own coordinates into the pointer's place on the desktop.
        std::function<QPointF()> origin;
        std::function<void(MouseButton)> mouseDown;
        std::function<void(const KeyEvent&)> keyDown;
    };

    explicit WaylandSeat(WaylandConnection& connection);
    ~WaylandSeat();
    WaylandSeat(const WaylandSeat&) = delete;
    WaylandSeat& operator=(const WaylandSeat&) = delete;

    /// Routes the events of `surface` to `handlers` until `forget`.
    void listen(wl_surface* surface, SurfaceHandlers handlers);
    void forget(wl_surface* surface);
    /// The pointer's place in the compositor's space when it was last over one of this program's
    /// surfaces; absent before it ever was.
    std::optional<QPointF> lastPosition() const { return lastPosition_; }
    /// The mouse buttons held over this program's surfaces, one bit per button as Screens
    /// reports them.
    unsigned pressedButtons() const { return pressed_; }

    /// A key of the compositor's keymap as the system would report it: `keysym` is what the key
    /// types without modifiers, the flags those held; absent for keys the program does not use.
    static std::optional<KeyEvent> keyEvent(quint32 keysym, quint64 modifierFlags);

private:
    struct Listeners;
    void bindCapabilities(quint32 capabilities);
    void pointerAt(wl_surface* surface, double x, double y);

    WaylandConnection& connection_;
    wl_seat* seat_ = nullptr;
    wl_pointer* pointer_ = nullptr;
    wl_keyboard* keyboard_ = nullptr;
    xkb_context* xkb_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* state_ = nullptr;
    std::map<wl_surface*, SurfaceHandlers> surfaces_;
    wl_surface* pointerSurface_ = nullptr;
    wl_surface* keyboardSurface_ = nullptr;
    std::optional<QPointF> lastPosition_;
    unsigned pressed_ = 0;
};

}  // namespace tandri::wayland
