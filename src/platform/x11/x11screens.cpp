// SPDX-License-Identifier: MIT
#include "platform/x11/x11screens.h"

#include <unistd.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <cmath>
#include <utility>

#include "platform/x11/xlib.h"

namespace tandri::x11 {

namespace {

// The primary screen's bottom edge in Qt's coordinates: y = 0 in ours.
double primaryBottom() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return 0;
    const QRect geometry = primary->geometry();
    return geometry.y() + geometry.height();
}

// Qt keeps a screen's origin in pixels and scales its extent by the screen's pixel ratio.
QPointF deviceIndependent(const QPoint& pixel) {
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect geometry = screen->geometry();
        const double ratio = screen->devicePixelRatio();
        const QRect native(geometry.topLeft(), QSize(int(std::lround(geometry.width() * ratio)),
                                                     int(std::lround(geometry.height() * ratio))));
        if (native.contains(pixel))
            return QPointF(geometry.topLeft()) + QPointF(pixel - geometry.topLeft()) / ratio;
    }
    return QPointF(pixel);
}

struct Pointer {
    int x = 0;
    int y = 0;
    unsigned mask = 0;
    XID child = 0;
};

Pointer queryPointer(X11Connection& connection) {
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, windowX = 0, windowY = 0;
    unsigned mask = 0;
    XQueryPointer(connection.display(), connection.root(), &root, &child, &rootX, &rootY, &windowX,
                  &windowY, &mask);
    return {rootX, rootY, mask, child};
}

// Whether the pointer is over one of this program's windows.
bool pointerOverOwnWindow(X11Connection& connection) {
    const XID child = queryPointer(connection).child;
    if (child == 0)
        return false;  // the desktop itself
    // Windows of this program outside Qt, such as the click shields, carry its process id.
    const auto pid = connection.cardinals(child, "_NET_WM_PID");
    if (pid && pid->size() == 1 && pid->front() == static_cast<unsigned long>(getpid()))
        return true;
    Display* display = connection.display();
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
        // Windows never shown have no X window, and asking for one would create it.
        if (!window->handle() || !window->isVisible())
            continue;
        if (topLevelOf(display, XID(window->winId())) == XID(child))
            return true;
    }
    return false;
}

}  // namespace

class X11Screens::ClickMonitor : public Monitor {
public:
    ClickMonitor(std::shared_ptr<void> selection, std::shared_ptr<void> events)
        : selection_(std::move(selection)), events_(std::move(events)) {}

private:
    std::shared_ptr<void> selection_;
    std::shared_ptr<void> events_;
};

X11Screens::X11Screens(X11Connection& connection) : connection_(connection) {}

X11Screens::~X11Screens() = default;

QPointF X11Screens::toPoints(const QPoint& rootPixel) {
    const QPointF point = deviceIndependent(rootPixel);
    return {point.x(), primaryBottom() - point.y()};
}

QRectF X11Screens::toPoints(const QRectF& rect) {
    return {rect.x(), primaryBottom() - rect.y() - rect.height(), rect.width(), rect.height()};
}

QRectF X11Screens::toQt(const QRectF& points) {
    return toPoints(points);  // the flip about the primary screen's bottom undoes itself
}

std::vector<Screen> X11Screens::screens() const {
    std::vector<Screen> result;
    const QScreen* primary = QGuiApplication::primaryScreen();
    for (const QScreen* screen : QGuiApplication::screens()) {
        Screen entry{screen->name(), toPoints(QRectF(screen->geometry())),
                     toPoints(QRectF(screen->availableGeometry())), screen->devicePixelRatio()};
        if (screen == primary)
            result.insert(result.begin(), std::move(entry));
        else
            result.push_back(std::move(entry));
    }
    return result;
}

QPointF X11Screens::mouseLocation() const {
    const Pointer pointer = queryPointer(connection_);
    connection_.processEventsSoon();
    return toPoints(QPoint(pointer.x, pointer.y));
}

unsigned X11Screens::pressedMouseButtons() const {
    const Pointer pointer = queryPointer(connection_);
    connection_.processEventsSoon();
    unsigned buttons = 0;
    if (pointer.mask & Button1Mask)
        buttons |= primaryButton;
    if (pointer.mask & Button3Mask)
        buttons |= 1u << 1;
    if (pointer.mask & Button2Mask)
        buttons |= 1u << 2;
    return buttons;
}

std::unique_ptr<Monitor> X11Screens::monitorOutsideClicks(std::function<void()> onMouseDown) {
    const auto opcode = connection_.xinputOpcode();
    if (!opcode)
        return nullptr;
    auto selection = connection_.selectRootXIEvents({XI_RawButtonPress});
    if (!selection)
        return nullptr;
    auto events = connection_.addEventHandler([&connection = connection_,
                                               onMouseDown = std::move(onMouseDown),
                                               opcode = *opcode](XEvent& event) {
        const XGenericEventCookie& cookie = event.xcookie;
        if (event.type != GenericEvent || cookie.extension != opcode || !cookie.data ||
            cookie.evtype != XI_RawButtonPress)
            return false;
        const int button = static_cast<const XIRawEvent*>(cookie.data)->detail;
        // Raw events come for every click, this program's own windows included; where the
        // pointer is now tells which window the click went to.
        if ((button == 1 || button == 3) && onMouseDown && !pointerOverOwnWindow(connection))
            onMouseDown();
        // Other monitors watch the same raw events.
        return false;
    });
    return std::make_unique<ClickMonitor>(std::move(selection), std::move(events));
}

}  // namespace tandri::x11
