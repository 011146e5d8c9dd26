// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/x11/xresources.h"

namespace tandri::x11 {

class X11Clients;

/// This program's own connection to the X server, beside Qt's: window-manager queries, grabs and
/// extension events. Its events are read on the main thread when the connection's socket becomes
/// readable, and handed to the registered handlers. Main thread.
class X11Connection {
public:
    /// Connects to $DISPLAY; null when there is no X server to talk to.
    static std::unique_ptr<X11Connection> open();
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    XDisplay* display() const { return display_; }
    XID root() const { return root_; }
    int screen() const { return screen_; }
    /// The atom with this name, interned once.
    XAtom atom(const char* name);

    /// Sees every event read from this connection, in order of registering; returns whether it
    /// consumed the event. The token unregisters it.
    using EventHandler = std::function<bool(_XEvent&)>;
    [[nodiscard]] std::shared_ptr<void> addEventHandler(EventHandler handler);
    /// Reads and dispatches whatever events have arrived.
    void processEvents();

    /// Runs `request` with X errors caught instead of ending the process, waits for the server to
    /// answer, and returns the first error code (0 when none).
    int trapErrors(const std::function<void()>& request);
    void flush();
    /// Dispatches, from the event loop, events that a round trip has already read into Xlib's
    /// queue: the socket no longer signals those.
    void processEventsSoon();
    /// Selects these XInput2 event types on the root window for all master devices while the
    /// token lives. The server keeps one selection per client and window, so the holders'
    /// selections are merged here. Null without XInput2.
    [[nodiscard]] std::shared_ptr<void> selectRootXIEvents(std::vector<int> eventTypes);

    // Property reads; absent when the window or property is gone or of another type.
    std::optional<std::vector<unsigned long>> cardinals(XID window, const char* property);
    std::vector<XID> windows(XID window, const char* property);
    std::optional<QString> text(XID window, const char* property);
    std::vector<XAtom> atoms(XID window, const char* property);
    /// An EWMH client message to the root window about `window`.
    void sendToRoot(XID window, const char* type, long d0 = 0, long d1 = 0, long d2 = 0,
                    long d3 = 0, long d4 = 0);

    /// The XInput2 extension's major opcode, when the server has version 2.0 or later.
    std::optional<int> xinputOpcode() const { return xinputOpcode_; }
    bool hasComposite() const { return hasComposite_; }
    /// The EWMH window manager's check window, when one runs.
    std::optional<XID> windowManager();
    /// The window manager's clients as every listing service shares them, on a connection of
    /// their own, opened on the first call (on the main thread); null when it cannot be opened.
    X11Clients* clients();

private:
    explicit X11Connection(XDisplay* display);
    struct Notifier;

    XDisplay* display_;
    XID root_ = 0;
    int screen_ = 0;
    std::map<QString, XAtom> atoms_;
    std::vector<std::weak_ptr<EventHandler>> handlers_;
    std::unique_ptr<Notifier> notifier_;
    std::optional<int> xinputOpcode_;
    bool hasComposite_ = false;
    std::map<int, std::vector<int>> xiSelections_;
    std::unique_ptr<X11Clients> clients_;
    bool clientsOpened_ = false;
    int nextXISelection_ = 0;
    void updateXISelection();
};

}  // namespace tandri::x11
