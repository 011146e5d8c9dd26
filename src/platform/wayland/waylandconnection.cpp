// SPDX-License-Identifier: MIT
#include "platform/wayland/waylandconnection.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>

#include <poll.h>

#include <wayland-client.h>

namespace tandri::wayland {

namespace {

// What the backend cannot do without: the windows, the ring's surface and the pointer's seat.
// Window pictures (screencopy) are optional: without them chips show no pictures.
constexpr const char* required[] = {"zwlr_foreign_toplevel_manager_v1", "zwlr_layer_shell_v1",
                                    "wl_compositor", "wl_shm", "wl_seat"};

}  // namespace

struct WaylandConnection::Watcher {
    std::unique_ptr<QSocketNotifier> readable;
    QMetaObject::Connection beforeSleep;
    ~Watcher() { QObject::disconnect(beforeSleep); }
};

std::unique_ptr<WaylandConnection> WaylandConnection::open(QString* problem) {
    const auto fail = [problem](const QString& why) {
        if (problem)
            *problem = why;
        return nullptr;
    };
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return fail(QStringLiteral("WAYLAND_DISPLAY is not set"));
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        return fail(QStringLiteral("cannot connect to the Wayland compositor at ") +
                    qEnvironmentVariable("WAYLAND_DISPLAY"));
    }
    std::unique_ptr<WaylandConnection> connection(new WaylandConnection(display));
    if (!connection->roundtrip())
        return fail(QStringLiteral("the Wayland compositor closed the connection"));
    return connection;
}

WaylandConnection::WaylandConnection(wl_display* display) : display_(display) {
    static const wl_registry_listener listener = {
        [](void* data, wl_registry*, uint32_t name, const char* interface, uint32_t version) {
            static_cast<WaylandConnection*>(data)->globals_.push_back(
                Global{name, QString::fromLatin1(interface), version});
        },
        [](void* data, wl_registry*, uint32_t name) {
            std::erase_if(static_cast<WaylandConnection*>(data)->globals_,
                          [name](const Global& global) { return global.name == name; });
        },
    };
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &listener, this);

    watcher_ = std::make_unique<Watcher>();
    if (QCoreApplication::instance()) {
        watcher_->readable =
            std::make_unique<QSocketNotifier>(wl_display_get_fd(display_), QSocketNotifier::Read);
        QObject::connect(watcher_->readable.get(), &QSocketNotifier::activated,
                         [this] { dispatch(); });
        // Requests made anywhere during an iteration of the loop go out before it sleeps.
        if (auto* loop = QAbstractEventDispatcher::instance()) {
            watcher_->beforeSleep = QObject::connect(loop, &QAbstractEventDispatcher::aboutToBlock,
                                                     [this] { flush(); });
        }
    }
}

WaylandConnection::~WaylandConnection() {
    watcher_.reset();
    if (registry_)
        wl_registry_destroy(registry_);
    wl_display_disconnect(display_);
}

std::vector<WaylandConnection::Global> WaylandConnection::globals(const char* interface) const {
    std::vector<Global> found;
    for (const Global& global : globals_) {
        if (global.interface == QLatin1String(interface))
            found.push_back(global);
    }
    return found;
}

bool WaylandConnection::offers(const char* interface) const {
    return !globals(interface).empty();
}

wl_proxy* WaylandConnection::bind(const wl_interface* interface, quint32 maxVersion) const {
    const auto found = globals(interface->name);
    return found.empty() ? nullptr : bind(found.front(), interface, maxVersion);
}

wl_proxy* WaylandConnection::bind(const Global& global, const wl_interface* interface,
                                  quint32 maxVersion) const {
    return static_cast<wl_proxy*>(
        wl_registry_bind(registry_, global.name, interface, std::min(global.version, maxVersion)));
}

quint32 WaylandConnection::version(const void* proxy) {
    return wl_proxy_get_version(static_cast<wl_proxy*>(const_cast<void*>(proxy)));
}

QStringList WaylandConnection::missing() const {
    QStringList names;
    for (const char* interface : required) {
        if (!offers(interface))
            names << QString::fromLatin1(interface);
    }
    return names;
}

bool WaylandConnection::roundtrip() {
    if (broken_ || wl_display_roundtrip(display_) < 0)
        broken_ = true;
    return !broken_;
}

void WaylandConnection::flush() {
    if (broken_)
        return;
    // A full socket (EAGAIN) empties as the compositor reads; the rest goes out next time.
    if (wl_display_flush(display_) < 0 && errno != EAGAIN)
        broken_ = true;
}

bool WaylandConnection::alive() const {
    return !broken_ && wl_display_get_error(display_) == 0;
}

void WaylandConnection::dispatch() {
    if (broken_)
        return;
    // A round trip elsewhere may have read what made the socket readable: reading goes ahead
    // only when there is something to read, so the event loop never blocks here.
    while (wl_display_prepare_read(display_) != 0) wl_display_dispatch_pending(display_);
    wl_display_flush(display_);
    pollfd socket{wl_display_get_fd(display_), POLLIN, 0};
    int read = 0;
    if (poll(&socket, 1, 0) > 0) {
        read = wl_display_read_events(display_);
    } else {
        wl_display_cancel_read(display_);
    }
    if (read < 0 || wl_display_dispatch_pending(display_) < 0) {
        broken_ = true;
        // Nothing more will come: the compositor is gone or ended this connection.
        watcher_->readable->setEnabled(false);
        qWarning("Tandri: lost the connection to the Wayland compositor");
    }
}

}  // namespace tandri::wayland
