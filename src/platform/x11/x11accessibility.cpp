// SPDX-License-Identifier: MIT
#include "platform/x11/x11accessibility.h"

#include "platform/x11/x11clients.h"

#include <QByteArray>
#include <QStringList>
#include <algorithm>

#include "platform/x11/xlib.h"
// For the wire-to-error hook only.
#include <X11/Xlibint.h>
#include <unistd.h>

namespace tandri::x11 {

namespace {

QString subroleOf(X11Accessibility::Kind kind) {
    switch (kind) {
        case X11Accessibility::Kind::Standard:
            return QStringLiteral("AXStandardWindow");
        case X11Accessibility::Kind::Dialog:
            return QStringLiteral("AXDialog");
        case X11Accessibility::Kind::Floating:
            return QStringLiteral("AXFloatingWindow");
        default:
            return QStringLiteral("AXUnknown");
    }
}

// The desktop of a sticky window. Only the low 32 bits of a desktop are its value: Xlib may widen
// 0xFFFFFFFF with its sign.
constexpr unsigned long everyDesktop = 0xffffffffu;

// Dropping every error of the listing connection: a vanished window is an expected answer there.
Bool dropError(Display*, XErrorEvent*, xError*) {
    return False;
}

}  // namespace

DisplayPtr X11Accessibility::openQuietDisplay(XDisplay* like) {
    DisplayPtr display(XOpenDisplay(like ? DisplayString(like) : nullptr));
    if (!display)
        return display;
    for (int code = 1; code < 256; ++code) XESetWireToError(display.get(), code, dropError);
    return display;
}

X11Accessibility::X11Accessibility(X11Connection& connection)
    : connection_(connection), clients_(connection.clients()) {}

X11Accessibility::~X11Accessibility() = default;

qint32 X11Accessibility::classPID(const QString& key) {
    // FNV-1a: the number must be the same in every service and every run.
    quint32 hash = 2166136261u;
    for (QChar c : key) {
        hash ^= c.unicode();
        hash *= 16777619u;
    }
    return qint32(0x40000000u | (hash & 0x3fffffffu));
}

bool X11Accessibility::isTrusted() const {
    return connection_.windowManager().has_value();
}

void X11Accessibility::requestAccess() {
    // Nothing to grant: any client may list and activate windows through the window manager.
}

std::vector<AXWindow> X11Accessibility::windows(qint32 pid) const {
    std::vector<AXWindow> result;
    const auto listing = clients_ ? clients_->list() : std::nullopt;
    if (!listing)
        return result;
    // Windows of other desktops follow: picking one switches to its desktop.
    for (const Client& client : listing->hereFirst()) {
        if (client.pid != pid)
            continue;
        result.push_back({{pid, quint64(client.window)},
                          subroleOf(client.kind),
                          client.title,
                          client.minimized,
                          quint32(client.window),
                          false});
    }
    // The window the user last worked in is the one in front that is not minimized, on the
    // desktop the user is on when it holds one.
    for (AXWindow& window : result) {
        if (!window.minimized.value_or(false)) {
            window.main = true;
            break;
        }
    }
    return result;
}

bool X11Accessibility::isLive(const WindowElement& element) const {
    if (element.handle == 0 || !clients_)
        return false;
    // A window id may be handed to a new client once the old one is gone: the listing reads the
    // owner of a window it has not seen before afresh.
    const auto listing = clients_->list();
    if (!listing)
        return false;
    return std::any_of(listing->clients.begin(), listing->clients.end(), [&](const Client& c) {
        return c.window == XID(element.handle) && c.pid == element.pid;
    });
}

void X11Accessibility::activate(X11Connection& connection, XID window) {
    // Some window managers (openbox) refuse to activate a window of another desktop and only
    // mark it as wanting attention; going there first works with every one. Read on this
    // connection, whose errors are dropped: a window gone meanwhile names no desktop.
    const auto current = connection.cardinals(connection.root(), "_NET_CURRENT_DESKTOP");
    const auto desktop = connection.cardinals(window, "_NET_WM_DESKTOP");
    if (current && !current->empty() && desktop && !desktop->empty()) {
        const unsigned long to = desktop->front() & everyDesktop;
        if (to != everyDesktop && to != (current->front() & everyDesktop))
            connection.sendToRoot(connection.root(), "_NET_CURRENT_DESKTOP", long(to), CurrentTime);
    }
    // Source 2, a pager: the user asked for it, so focus-stealing prevention must not refuse.
    connection.sendToRoot(window, "_NET_ACTIVE_WINDOW", 2, CurrentTime, 0);
}

void X11Accessibility::setMinimized(const WindowElement& element, bool minimized) {
    if (!isLive(element))
        return;
    if (!minimized) {
        activate(connection_, XID(element.handle));
        return;
    }
    Display* display = connection_.display();
    connection_.trapErrors(
        [&] { XIconifyWindow(display, XID(element.handle), connection_.screen()); });
}

void X11Accessibility::setMain(const WindowElement& element) {
    if (isLive(element))
        activate(connection_, XID(element.handle));
}

void X11Accessibility::raise(const WindowElement& element) {
    if (!isLive(element))
        return;
    activate(connection_, XID(element.handle));
    // For window managers that activate without restacking: a restack request of the client
    // reaches the window manager as a configure request.
    Display* display = connection_.display();
    connection_.trapErrors([&] { XRaiseWindow(display, XID(element.handle)); });
}

std::optional<std::vector<AXMenu>> X11Accessibility::menuBar(qint32 pid) const {
    return menus_.menuBar(pid);
}

void X11Accessibility::press(const MenuElement& item) {
    menus_.press(item);
}

}  // namespace tandri::x11
