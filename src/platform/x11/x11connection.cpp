// SPDX-License-Identifier: MIT
#include "platform/x11/x11connection.h"

#include "platform/x11/x11clients.h"

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>
#include <QTimer>

#include "platform/x11/xlib.h"

namespace tandri::x11 {

struct X11Connection::Notifier {
    QSocketNotifier socket;
    explicit Notifier(int fd) : socket(fd, QSocketNotifier::Read) {}
};

std::unique_ptr<X11Connection> X11Connection::open() {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    return std::unique_ptr<X11Connection>(new X11Connection(display));
}

X11Connection::X11Connection(XDisplay* display)
    : display_(display), notifier_(std::make_unique<Notifier>(ConnectionNumber(display))) {
    // Errors outside a trap must not end the program, as Xlib's default handler would.
    x11::trapErrors(display_, [] {});
    screen_ = DefaultScreen(display_);
    root_ = RootWindow(display_, screen_);

    int opcode = 0, event = 0, error = 0;
    if (XQueryExtension(display_, "XInputExtension", &opcode, &event, &error)) {
        // A client that announces 2.0 gets no raw event while any grab is active, and every
        // button press starts one (the window's implicit grab): it would never see a release.
        // The server keeps the first version a client announces.
        int major = 2, minor = 2;
        if (XIQueryVersion(display_, &major, &minor) == Success)
            xinputOpcode_ = opcode;
    }
    int compositeEvent = 0, compositeError = 0;
    if (XCompositeQueryExtension(display_, &compositeEvent, &compositeError)) {
        int major = 0, minor = 0;
        XCompositeQueryVersion(display_, &major, &minor);
        hasComposite_ = major > 0 || minor >= 2;  // naming window pixmaps needs 0.2
    }
    QObject::connect(&notifier_->socket, &QSocketNotifier::activated, [this] { processEvents(); });
    // A round trip (a query, a sync) reads events into Xlib's queue without the socket signalling
    // them again; hand them out before the event loop sleeps, wherever the round trip happened.
    if (auto* dispatcher = QAbstractEventDispatcher::instance()) {
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &notifier_->socket,
                         [this] {
                             if (XEventsQueued(display_, QueuedAlready) > 0)
                                 processEvents();
                         });
    }
}

X11Connection::~X11Connection() {
    clients_.reset();
    notifier_.reset();
    XCloseDisplay(display_);
}

XAtom X11Connection::atom(const char* name) {
    const QString key = QString::fromLatin1(name);
    auto it = atoms_.find(key);
    if (it != atoms_.end())
        return it->second;
    const XAtom value = XInternAtom(display_, name, False);
    atoms_.emplace(key, value);
    return value;
}

std::shared_ptr<void> X11Connection::addEventHandler(EventHandler handler) {
    auto shared = std::make_shared<EventHandler>(std::move(handler));
    // Handlers let go of are otherwise swept only when an event comes, and a connection that
    // hears nothing for a while would keep one for every ring opened meanwhile.
    std::erase_if(handlers_, [](const auto& weak) { return weak.expired(); });
    handlers_.push_back(shared);
    return shared;
}

void X11Connection::processEvents() {
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        const bool cookie = event.type == GenericEvent && XGetEventData(display_, &event.xcookie);
        std::erase_if(handlers_, [](const auto& weak) { return weak.expired(); });
        // A copy: a handler may add or remove handlers.
        const auto handlers = handlers_;
        for (const auto& weak : handlers) {
            auto handler = weak.lock();
            if (handler && (*handler)(event))
                break;
        }
        if (cookie)
            XFreeEventData(display_, &event.xcookie);
    }
}

int X11Connection::trapErrors(const std::function<void()>& request) {
    return x11::trapErrors(display_, request);
}

void X11Connection::flush() {
    XFlush(display_);
}

void X11Connection::processEventsSoon() {
    if (XEventsQueued(display_, QueuedAlready) > 0)
        QTimer::singleShot(0, &notifier_->socket, [this] { processEvents(); });
}

std::shared_ptr<void> X11Connection::selectRootXIEvents(std::vector<int> eventTypes) {
    if (!xinputOpcode_)
        return nullptr;
    const int id = nextXISelection_++;
    xiSelections_.emplace(id, std::move(eventTypes));
    updateXISelection();
    // A token that runs its last act when the final holder lets go.
    struct Selection {
        explicit Selection(std::function<void()> act) : release(std::move(act)) {}
        Selection(const Selection&) = delete;
        Selection& operator=(const Selection&) = delete;
        ~Selection() { release(); }
        std::function<void()> release;
    };
    return std::make_shared<Selection>([this, id] {
        xiSelections_.erase(id);
        updateXISelection();
    });
}

void X11Connection::updateXISelection() {
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    for (const auto& [id, types] : xiSelections_) {
        for (int type : types) {
            if (type >= 0 && type <= XI_LASTEVENT)
                XISetMask(bits, type);
        }
    }
    XIEventMask mask = {XIAllMasterDevices, int(sizeof(bits)), bits};
    XISelectEvents(display_, root_, &mask, 1);
    XFlush(display_);
}

std::optional<std::vector<unsigned long>> X11Connection::cardinals(XID window,
                                                                   const char* property) {
    const auto p = WindowProperty::read(display_, window, atom(property));
    if (!p.present() || p.format() != 32)
        return std::nullopt;
    return p.longs();
}

std::vector<XID> X11Connection::windows(XID window, const char* property) {
    return WindowProperty::read(display_, window, atom(property), XA_WINDOW).longs();
}

std::vector<XAtom> X11Connection::atoms(XID window, const char* property) {
    return WindowProperty::read(display_, window, atom(property), XA_ATOM).longs();
}

std::optional<QString> X11Connection::text(XID window, const char* property) {
    const auto p = WindowProperty::read(display_, window, atom(property));
    if (!p.present() || p.format() != 8)
        return std::nullopt;
    const QByteArray bytes = p.bytes();
    if (p.type() == atom("UTF8_STRING"))
        return QString::fromUtf8(bytes);
    return QString::fromLatin1(bytes);
}

void X11Connection::sendToRoot(XID window, const char* type, long d0, long d1, long d2, long d3,
                               long d4) {
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atom(type);
    event.xclient.format = 32;
    event.xclient.data.l[0] = d0;
    event.xclient.data.l[1] = d1;
    event.xclient.data.l[2] = d2;
    event.xclient.data.l[3] = d3;
    event.xclient.data.l[4] = d4;
    XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display_);
}

std::optional<XID> X11Connection::windowManager() {
    const auto check = windows(root_, "_NET_SUPPORTING_WM_CHECK");
    if (check.empty())
        return std::nullopt;
    // A stale property from a window manager that has gone points at a dead or foreign window.
    const auto self = windows(check.front(), "_NET_SUPPORTING_WM_CHECK");
    if (self.empty() || self.front() != check.front())
        return std::nullopt;
    return check.front();
}

X11Clients* X11Connection::clients() {
    if (!clientsOpened_) {
        clientsOpened_ = true;
        clients_ = X11Clients::open(display_);
    }
    return clients_.get();
}

}  // namespace tandri::x11
