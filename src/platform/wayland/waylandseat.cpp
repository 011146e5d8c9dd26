// SPDX-License-Identifier: MIT
#include "platform/wayland/waylandseat.h"

#include <sys/mman.h>
#include <unistd.h>

#include "platform/keycodes.h"
#include "platform/wayland/waylandconnection.h"

#include <linux/input-event-codes.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

namespace tandri::wayland {

struct WaylandSeat::Listeners {
    static const wl_seat_listener seat;
    static const wl_pointer_listener pointer;
    static const wl_keyboard_listener keyboard;
};

namespace {

WaylandSeat& seatOf(void* data) {
    return *static_cast<WaylandSeat*>(data);
}

}  // namespace

const wl_seat_listener WaylandSeat::Listeners::seat = {
    .capabilities = [](void* data, wl_seat*,
                       uint32_t capabilities) { seatOf(data).bindCapabilities(capabilities); },
    .name = [](void*, wl_seat*, const char*) {},
};

const wl_pointer_listener WaylandSeat::Listeners::pointer = {
    .enter =
        [](void* data, wl_pointer*, uint32_t, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
            seatOf(data).pointerAt(surface, wl_fixed_to_double(x), wl_fixed_to_double(y));
        },
    .leave =
        [](void* data, wl_pointer*, uint32_t, wl_surface*) {
            WaylandSeat& self = seatOf(data);
            self.pointerSurface_ = nullptr;
            self.pressed_ = 0;
        },
    .motion =
        [](void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
            WaylandSeat& self = seatOf(data);
            self.pointerAt(self.pointerSurface_, wl_fixed_to_double(x), wl_fixed_to_double(y));
        },
    .button =
        [](void* data, wl_pointer*, uint32_t, uint32_t, uint32_t button, uint32_t state) {
            WaylandSeat& self = seatOf(data);
            const bool down = state == WL_POINTER_BUTTON_STATE_PRESSED;
            const unsigned bit = button == BTN_LEFT     ? 1u
                                 : button == BTN_RIGHT  ? 2u
                                 : button == BTN_MIDDLE ? 4u
                                                        : 0u;
            self.pressed_ = down ? (self.pressed_ | bit) : (self.pressed_ & ~bit);
            const auto handlers = self.surfaces_.find(self.pointerSurface_);
            if (!down || handlers == self.surfaces_.end() || !handlers->second.mouseDown)
                return;
            handlers->second.mouseDown(button == BTN_LEFT    ? MouseButton::Left
                                       : button == BTN_RIGHT ? MouseButton::Right
                                                             : MouseButton::Other);
        },
    .axis = [](void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {},
    .frame = [](void*, wl_pointer*) {},
    .axis_source = [](void*, wl_pointer*, uint32_t) {},
    .axis_stop = [](void*, wl_pointer*, uint32_t, uint32_t) {},
    .axis_discrete = [](void*, wl_pointer*, uint32_t, int32_t) {},
    .axis_value120 = [](void*, wl_pointer*, uint32_t, int32_t) {},
};

const wl_keyboard_listener WaylandSeat::Listeners::keyboard = {
    .keymap =
        [](void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
            WaylandSeat& self = seatOf(data);
            if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && self.xkb_) {
                void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
                if (text != MAP_FAILED) {
                    xkb_keymap* keymap = xkb_keymap_new_from_string(
                        self.xkb_, static_cast<const char*>(text), XKB_KEYMAP_FORMAT_TEXT_V1,
                        XKB_KEYMAP_COMPILE_NO_FLAGS);
                    munmap(text, size);
                    if (keymap) {
                        xkb_state_unref(self.state_);
                        xkb_keymap_unref(self.keymap_);
                        self.keymap_ = keymap;
                        self.state_ = xkb_state_new(keymap);
                    }
                }
            }
            close(fd);
        },
    .enter = [](void* data, wl_keyboard*, uint32_t, wl_surface* surface,
                wl_array*) { seatOf(data).keyboardSurface_ = surface; },
    .leave = [](void* data, wl_keyboard*, uint32_t,
                wl_surface*) { seatOf(data).keyboardSurface_ = nullptr; },
    .key =
        [](void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
            WaylandSeat& self = seatOf(data);
            if (state != WL_KEYBOARD_KEY_STATE_PRESSED || !self.state_)
                return;
            const auto handlers = self.surfaces_.find(self.keyboardSurface_);
            if (handlers == self.surfaces_.end() || !handlers->second.keyDown)
                return;
            // Evdev numbers are the keymap's less 8; the key's first level decides what it is.
            const xkb_keycode_t code = key + 8;
            const xkb_keysym_t* syms = nullptr;
            const int count = xkb_keymap_key_get_syms_by_level(
                self.keymap_, code, xkb_state_key_get_layout(self.state_, code), 0, &syms);
            if (count < 1)
                return;
            quint64 flags = 0;
            const auto held = [&](const char* name) {
                return xkb_state_mod_name_is_active(self.state_, name, XKB_STATE_MODS_EFFECTIVE) >
                       0;
            };
            if (held(XKB_MOD_NAME_SHIFT))
                flags |= KeyEvent::shiftFlag;
            if (held(XKB_MOD_NAME_CTRL))
                flags |= KeyEvent::controlFlag;
            if (held(XKB_MOD_NAME_ALT))
                flags |= KeyEvent::optionFlag;
            if (held(XKB_MOD_NAME_LOGO))
                flags |= KeyEvent::commandFlag;
            if (const auto event = keyEvent(syms[0], flags))
                handlers->second.keyDown(*event);
        },
    .modifiers =
        [](void* data, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched,
           uint32_t locked, uint32_t group) {
            WaylandSeat& self = seatOf(data);
            if (self.state_)
                xkb_state_update_mask(self.state_, depressed, latched, locked, 0, 0, group);
        },
    .repeat_info = [](void*, wl_keyboard*, int32_t, int32_t) {},
};

WaylandSeat::WaylandSeat(WaylandConnection& connection) : connection_(connection) {
    xkb_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    seat_ = reinterpret_cast<wl_seat*>(connection.bind(&wl_seat_interface, 5));
    if (seat_)
        wl_seat_add_listener(seat_, &Listeners::seat, this);
}

WaylandSeat::~WaylandSeat() {
    if (pointer_)
        wl_pointer_destroy(pointer_);
    if (keyboard_)
        wl_keyboard_destroy(keyboard_);
    if (seat_)
        wl_seat_destroy(seat_);
    xkb_state_unref(state_);
    xkb_keymap_unref(keymap_);
    xkb_context_unref(xkb_);
    connection_.flush();
}

void WaylandSeat::bindCapabilities(quint32 capabilities) {
    if ((capabilities & WL_SEAT_CAPABILITY_POINTER) && !pointer_) {
        pointer_ = wl_seat_get_pointer(seat_);
        wl_pointer_add_listener(pointer_, &Listeners::pointer, this);
    } else if (!(capabilities & WL_SEAT_CAPABILITY_POINTER) && pointer_) {
        wl_pointer_destroy(pointer_);
        pointer_ = nullptr;
    }
    if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) && !keyboard_) {
        keyboard_ = wl_seat_get_keyboard(seat_);
        wl_keyboard_add_listener(keyboard_, &Listeners::keyboard, this);
    } else if (!(capabilities & WL_SEAT_CAPABILITY_KEYBOARD) && keyboard_) {
        wl_keyboard_destroy(keyboard_);
        keyboard_ = nullptr;
    }
}

void WaylandSeat::pointerAt(wl_surface* surface, double x, double y) {
    pointerSurface_ = surface;
    const auto handlers = surfaces_.find(surface);
    if (handlers == surfaces_.end())
        return;
    const QPointF origin = handlers->second.origin ? handlers->second.origin() : QPointF();
    lastPosition_ = origin + QPointF(x, y);
}

void WaylandSeat::listen(wl_surface* surface, SurfaceHandlers handlers) {
    surfaces_[surface] = std::move(handlers);
}

void WaylandSeat::forget(wl_surface* surface) {
    surfaces_.erase(surface);
    if (pointerSurface_ == surface)
        pointerSurface_ = nullptr;
    if (keyboardSurface_ == surface)
        keyboardSurface_ = nullptr;
}

std::optional<KeyEvent> WaylandSeat::keyEvent(quint32 keysym, quint64 modifierFlags) {
    // The keys the ring answers; the others type nothing it reads.
    static const struct {
        xkb_keysym_t keysym;
        int keyCode;
        char16_t character;
    } keys[] = {
        {XKB_KEY_Return, KeyCodes::returnKey, u'\r'},
        {XKB_KEY_KP_Enter, KeyCodes::enter, u'\x03'},
        {XKB_KEY_Escape, KeyCodes::escape, u'\x1b'},
        {XKB_KEY_Tab, KeyCodes::tab, u'\t'},
        {XKB_KEY_space, KeyCodes::space, u' '},
        {XKB_KEY_BackSpace, KeyCodes::backspace, u'\b'},
        {XKB_KEY_comma, KeyCodes::comma, u','},
    };
    for (const auto& key : keys) {
        if (key.keysym == keysym)
            return KeyEvent{key.keyCode, modifierFlags, QString(QChar(key.character))};
    }
    return std::nullopt;
}

}  // namespace tandri::wayland
