// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

struct wl_display;
struct wl_interface;
struct wl_proxy;
struct wl_registry;

namespace tandri::wayland {

/// This program's own connection to the Wayland compositor, beside Qt's: Qt offers none of the
/// wlroots protocols, so the backend speaks them here. Its events are read and dispatched on the
/// main thread when the socket becomes readable, and its requests are sent before the event loop
/// sleeps. Main thread.
class WaylandConnection {
public:
    /// One global object the compositor offers.
    struct Global {
        quint32 name = 0;
        QString interface;
        quint32 version = 0;
    };

    /// Connects to $WAYLAND_DISPLAY and learns the compositor's globals; null with `problem` set
    /// when there is no compositor to talk to.
    static std::unique_ptr<WaylandConnection> open(QString* problem = nullptr);
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    wl_display* display() const { return display_; }
    /// The globals of this interface, in the order the compositor announced them.
    std::vector<Global> globals(const char* interface) const;
    bool offers(const char* interface) const;
    /// Binds the first global of the interface at the lower of its version and `maxVersion`;
    /// null when the compositor offers none. The caller owns the proxy.
    wl_proxy* bind(const wl_interface* interface, quint32 maxVersion) const;
    wl_proxy* bind(const Global& global, const wl_interface* interface, quint32 maxVersion) const;
    /// The version a bound proxy speaks.
    static quint32 version(const void* proxy);

    /// The protocols the backend needs that the compositor does not offer, by interface name.
    QStringList missing() const;

    /// Sends what was asked and waits until the compositor has handled it and every event it
    /// sent in answer has been dispatched; false once the connection is broken.
    bool roundtrip();
    /// Sends what was asked.
    void flush();
    /// Whether the compositor is still there.
    bool alive() const;

private:
    struct Watcher;
    explicit WaylandConnection(wl_display* display);
    void dispatch();

    wl_display* display_;
    wl_registry* registry_ = nullptr;
    std::vector<Global> globals_;
    std::unique_ptr<Watcher> watcher_;
    bool broken_ = false;
};

}  // namespace tandri::wayland
