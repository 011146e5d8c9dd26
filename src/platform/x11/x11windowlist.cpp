// SPDX-License-Identifier: MIT
#include "platform/x11/x11windowlist.h"

#include "platform/x11/x11clients.h"

#include <QGuiApplication>
#include <QScreen>
#include <map>

#include "platform/x11/xlib.h"

namespace tandri::x11 {

namespace {

std::optional<unsigned long> cardinal(Display* display, XID window, const char* name) {
    const auto values =
        WindowProperty::read(display, window, XInternAtom(display, name, False), 0, 1).longs();
    if (values.size() != 1)
        return std::nullopt;
    return values.front();
}

std::optional<double> opacity(Display* display, XID frame, XID client) {
    auto value = cardinal(display, frame, "_NET_WM_WINDOW_OPACITY");
    if (!value)
        value = cardinal(display, client, "_NET_WM_WINDOW_OPACITY");
    if (!value)
        return std::nullopt;
    return double(*value & 0xffffffffu) / double(0xffffffffu);
}

}  // namespace

X11WindowList::X11WindowList(X11Connection& connection)
    : composite_(connection.hasComposite()),
      listing_(X11Accessibility::openQuietDisplay(connection.display())),
      clients_(connection.clients()),
      screenWatch_(std::make_unique<QObject>()) {
    updateScreen();
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app)
        return;
    auto watch = [this](QScreen* screen) {
        QObject::connect(screen, &QScreen::geometryChanged, screenWatch_.get(),
                         [this] { updateScreen(); });
    };
    for (QScreen* screen : QGuiApplication::screens()) watch(screen);
    QObject::connect(app, &QGuiApplication::screenAdded, screenWatch_.get(),
                     [this, watch](QScreen* s) {
                         watch(s);
                         updateScreen();
                     });
    QObject::connect(app, &QGuiApplication::primaryScreenChanged, screenWatch_.get(),
                     [this] { updateScreen(); });
}

X11WindowList::~X11WindowList() = default;

void X11WindowList::updateScreen() {
    const QScreen* primary = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                 ? QGuiApplication::primaryScreen()
                                 : nullptr;
    std::lock_guard lock(mutex_);
    if (primary) {
        primaryBottom_ = primary->geometry().y() + primary->geometry().height();
        pixelRatio_ = primary->devicePixelRatio() > 0 ? primary->devicePixelRatio() : 1.0;
    } else if (listing_) {
        // Without Qt's screens the whole root window stands for the primary screen.
        primaryBottom_ = DisplayHeight(listing_.get(), DefaultScreen(listing_.get()));
        pixelRatio_ = 1;
    }
}

std::optional<std::vector<ServerWindow>> X11WindowList::onScreenWindows() const {
    std::lock_guard lock(mutex_);
    if (!listing_)
        return std::nullopt;
    Display* display = listing_.get();
    const Window root = DefaultRootWindow(display);

    const auto listing = clients_ ? clients_->list() : std::nullopt;
    if (!listing)
        return std::nullopt;
    // Window managers put each client into a frame of their own; the frame is what the tree
    // shows, the client is what names the owner.
    std::map<XID, const X11Accessibility::Client*> clientOfFrame;
    for (const X11Accessibility::Client& client : listing->clients) {
        if (auto frame = topLevelOf(display, client.window))
            clientOfFrame.emplace(*frame, &client);
    }

    Window rootReturn = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, root, &rootReturn, &parent, &children, &count))
        return std::nullopt;
    const XPtr<Window> freed(children);
    const std::vector<XID> topLevels(children, children + count);

    std::vector<ServerWindow> result;
    // The tree lists bottom to top; the list goes front to back.
    for (auto it = topLevels.rbegin(); it != topLevels.rend(); ++it) {
        const XID frame = *it;
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, frame, &attributes))
            continue;  // gone meanwhile
        if (attributes.map_state != IsViewable || attributes.override_redirect ||
            attributes.c_class == InputOnly) {
            continue;
        }
        std::optional<X11Accessibility::Client> client;
        if (auto found = clientOfFrame.find(frame); found != clientOfFrame.end()) {
            client = *found->second;
        } else if (listing->managed) {
            continue;  // the window manager's own
        } else {
            client = clients_->read({frame}).front();
        }
        const XID clientWindow = client ? client->window : frame;
        // A window manager may keep a minimized window's frame mapped (off screen, or to
        // show it shrunk); it is not on screen for the user.
        if (!client || client->minimized || client->kind == X11Accessibility::Kind::Dock ||
            client->kind == X11Accessibility::Kind::Desktop) {
            continue;
        }
        const bool ordinary = client->kind == X11Accessibility::Kind::Standard ||
                              client->kind == X11Accessibility::Kind::Dialog;
        const double width = attributes.width + 2.0 * attributes.border_width;
        const double height = attributes.height + 2.0 * attributes.border_width;
        const QRectF bounds(attributes.x / pixelRatio_,
                            primaryBottom_ - (attributes.y + height) / pixelRatio_,
                            width / pixelRatio_, height / pixelRatio_);
        ServerWindow window;
        // The system's floating level for utility windows, toolbars and the like.
        window.layer = ordinary ? 0 : 3;
        window.ownerPID = client->pid;
        window.bounds = bounds;
        window.alpha = opacity(display, frame, clientWindow).value_or(1.0);
        window.windowID = quint32(clientWindow);
        result.push_back(window);
    }
    return result;
}

bool X11WindowList::screenCaptureAllowed() const {
    return composite_;
}

}  // namespace tandri::x11
