// SPDX-License-Identifier: MIT
#include "platform/x11/x11pointerbuttons.h"

#include "platform/common/handlerlist.h"

#include <map>
#include <utility>
#include <vector>

#include "platform/x11/xlib.h"

namespace tandri::x11 {

// The filters share one grab: X keeps a single grab of the button per client.
struct X11PointerButtons::Filters {
    using Handler = std::function<bool(const ButtonEvent&)>;

    explicit Filters(X11Connection& connection) : connection(connection) {}

    // Shows each filter the event in order of installing, until one removes it; a filter may
    // remove itself or others.
    bool call(const ButtonEvent& event) {
        return handlers.each([&](const Handler& handler) { return handler(event); });
    }

    bool dispatch(XEvent& event) {
        Display* display = connection.display();
        const XID root = connection.root();
        switch (event.type) {
            case ButtonPress: {
                if (!grabbed || event.xbutton.button != Button2 || event.xbutton.window != root)
                    return false;
                // The grab froze the pointer at the press; it stays frozen until answered.
                dispatching = true;
                const bool removed = call({ButtonEvent::Type::Down, ButtonEvent::middle});
                dispatching = false;
                XAllowEvents(display, removed ? AsyncPointer : ReplayPointer, CurrentTime);
                XFlush(display);
                pressed = removed;
                return true;
            }
            case MotionNotify:
                if (!pressed || event.xmotion.window != root)
                    return false;
                call({ButtonEvent::Type::Dragged, ButtonEvent::middle});
                return true;
            case ButtonRelease:
                if (!pressed || event.xbutton.button != Button2 || event.xbutton.window != root)
                    return false;
                pressed = false;
                call({ButtonEvent::Type::Up, ButtonEvent::middle});
                return true;
            default:
                return false;
        }
    }

    X11Connection& connection;
    HandlerList<Handler> handlers;
    bool grabbed = false;
    // Inside a press's filters, which answer the frozen pointer themselves.
    bool dispatching = false;
    // A removed press whose release is still to come: the active grab brings its drags here.
    bool pressed = false;
    std::shared_ptr<void> events;
};

class X11PointerButtons::FilterToken : public Monitor {
public:
    FilterToken(std::shared_ptr<Filters> filters, int id) : filters_(std::move(filters)), id_(id) {}
    ~FilterToken() override {
        filters_->handlers.remove(id_);
        if (!filters_->handlers.empty() || !filters_->grabbed)
            return;
        X11Connection& connection = filters_->connection;
        Display* display = connection.display();
        // Waited for, so that the button is free for other programs once this returns.
        connection.trapErrors([&] {
            XUngrabButton(display, Button2, AnyModifier, connection.root());
            // A press that came before the ungrab froze the pointer, and no filter will answer
            // it now: let it through. Outside a frozen grab this does nothing.
            if (!filters_->dispatching)
                XAllowEvents(display, ReplayPointer, CurrentTime);
        });
        connection.processEventsSoon();
        filters_->grabbed = false;
    }

private:
    std::shared_ptr<Filters> filters_;
    int id_;
};

class X11PointerButtons::ListenerToken : public Monitor {
public:
    ListenerToken(std::shared_ptr<void> selection, std::shared_ptr<void> events)
        : selection_(std::move(selection)), events_(std::move(events)) {}

private:
    std::shared_ptr<void> selection_;
    std::shared_ptr<void> events_;
};

X11PointerButtons::X11PointerButtons(X11Connection& connection)
    : connection_(connection), filters_(std::make_shared<Filters>(connection)) {
    std::weak_ptr<Filters> weak = filters_;
    filters_->events = connection_.addEventHandler([weak](XEvent& event) {
        auto filters = weak.lock();
        return filters && filters->dispatch(event);
    });
}

X11PointerButtons::~X11PointerButtons() = default;

std::optional<int> X11PointerButtons::buttonNumber(unsigned xButton) {
    switch (xButton) {
        case 1:
            return 0;
        case 2:
            return ButtonEvent::middle;
        case 3:
            return 1;
        default:
            // 4 to 7 are the wheel's steps, not buttons.
            if (xButton >= 8)
                return int(xButton) - 5;
            return std::nullopt;
    }
}

std::unique_ptr<Monitor> X11PointerButtons::filterOtherButtons(
    std::function<bool(const ButtonEvent&)> handler) {
    if (!filters_->grabbed) {
        Display* display = connection_.display();
        // Synchronous for the pointer: each press waits for the filters' verdict before any
        // application sees it.
        const int error = connection_.trapErrors([&] {
            XGrabButton(display, Button2, AnyModifier, connection_.root(), False,
                        ButtonPressMask | ButtonReleaseMask | Button2MotionMask, GrabModeSync,
                        GrabModeAsync, 0, 0);
        });
        connection_.processEventsSoon();
        if (error != 0)
            return nullptr;  // BadAccess: another program grabs the button
        filters_->grabbed = true;
    }
    const int id = filters_->handlers.add(std::move(handler));
    return std::make_unique<FilterToken>(filters_, id);
}

std::unique_ptr<Monitor> X11PointerButtons::listenOtherButtons(
    std::function<void(const ButtonEvent&)> handler) {
    const auto opcode = connection_.xinputOpcode();
    if (!opcode)
        return nullptr;
    auto selection = connection_.selectRootXIEvents({XI_RawButtonPress, XI_RawButtonRelease});
    if (!selection)
        return nullptr;
    auto events = connection_.addEventHandler([handler = std::move(handler),
                                               opcode = *opcode](XEvent& event) {
        const XGenericEventCookie& cookie = event.xcookie;
        if (event.type != GenericEvent || cookie.extension != opcode || !cookie.data)
            return false;
        if (cookie.evtype != XI_RawButtonPress && cookie.evtype != XI_RawButtonRelease)
            return false;
        const auto* raw = static_cast<const XIRawEvent*>(cookie.data);
        const auto button = buttonNumber(unsigned(raw->detail));
        // The primary and secondary buttons are no other buttons.
        if (!button || *button < 2 || !handler)
            return false;
        handler(
            {cookie.evtype == XI_RawButtonPress ? ButtonEvent::Type::Down : ButtonEvent::Type::Up,
             *button});
        // Other monitors watch the same raw events.
        return false;
    });
    return std::make_unique<ListenerToken>(std::move(selection), std::move(events));
}

}  // namespace tandri::x11
