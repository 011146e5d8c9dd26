// SPDX-License-Identifier: MIT
#include "platform/x11/x11clients.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <span>
#include <utility>

#include <unistd.h>
#include <xcb/xcb.h>
#include "platform/x11/xlib.h"

namespace tandri::x11 {

namespace {

using Kind = X11Accessibility::Kind;

// The desktop of a sticky window: only the low 32 bits of a desktop are its value.
constexpr unsigned long everyDesktop = 0xffffffffu;
// Longest lists and texts read, in 32-bit units.
constexpr uint32_t longText = 1 << 16;
constexpr uint32_t longList = 1 << 20;

const char* const atomNames[] = {
    "_NET_CLIENT_LIST",     "_NET_CLIENT_LIST_STACKING",
    "_NET_CURRENT_DESKTOP", "_NET_WM_PID",
    "_NET_WM_NAME",         "_NET_WM_STATE",
    "_NET_WM_WINDOW_TYPE",  "_NET_WM_DESKTOP",
    "UTF8_STRING",          "COMPOUND_TEXT",
    "_NET_WM_STATE_HIDDEN", "_NET_WM_STATE_SKIP_TASKBAR",
    "_NET_WM_STATE_MODAL",
};

// The types in order of preference; a type this list does not know gives way to the next one.
const std::pair<const char*, Kind> knownTypes[] = {
    {"_NET_WM_WINDOW_TYPE_NORMAL", Kind::Standard},
    {"_NET_WM_WINDOW_TYPE_DIALOG", Kind::Dialog},
    {"_NET_WM_WINDOW_TYPE_UTILITY", Kind::Floating},
    {"_NET_WM_WINDOW_TYPE_TOOLBAR", Kind::Floating},
    {"_NET_WM_WINDOW_TYPE_MENU", Kind::Floating},
    {"_NET_WM_WINDOW_TYPE_DOCK", Kind::Dock},
    {"_NET_WM_WINDOW_TYPE_DESKTOP", Kind::Desktop},
    {"_NET_WM_WINDOW_TYPE_SPLASH", Kind::Other},
    {"_NET_WM_WINDOW_TYPE_NOTIFICATION", Kind::Other},
    {"_NET_WM_WINDOW_TYPE_DROPDOWN_MENU", Kind::Other},
    {"_NET_WM_WINDOW_TYPE_POPUP_MENU", Kind::Other},
    {"_NET_WM_WINDOW_TYPE_TOOLTIP", Kind::Other},
    {"_NET_WM_WINDOW_TYPE_COMBO", Kind::Other},
    {"_NET_WM_WINDOW_TYPE_DND", Kind::Other},
};

// A reply freed with its scope, as XCB allocates it.
template <typename T>
struct Reply {
    T* reply = nullptr;
    explicit Reply(T* r) : reply(r) {}
    Reply(Reply&& other) noexcept : reply(std::exchange(other.reply, nullptr)) {}
    Reply& operator=(Reply&&) = delete;
    ~Reply() { std::free(reply); }
    T* operator->() const { return reply; }
    explicit operator bool() const { return reply != nullptr; }
};

struct Property : Reply<xcb_get_property_reply_t> {
    using Reply::Reply;
    bool present() const { return reply && reply->type != XCB_NONE; }
    const char* bytes() const { return static_cast<const char*>(xcb_get_property_value(reply)); }
    int size() const { return xcb_get_property_value_length(reply); }
    // The values of a 32-bit property.
    std::span<const uint32_t> longs() const {
        if (!present() || reply->format != 32)
            return {};
        const auto* values = static_cast<const uint32_t*>(xcb_get_property_value(reply));
        return {values, std::size_t(size() / 4)};
    }
    std::optional<uint32_t> first() const {
        const auto values = longs();
        return values.empty() ? std::nullopt : std::optional(values.front());
    }
};

Property take(xcb_connection_t* c, xcb_get_property_cookie_t cookie, bool* gone = nullptr) {
    xcb_generic_error_t* error = nullptr;
    Property reply(xcb_get_property_reply(c, cookie, &error));
    if (gone)
        *gone = error != nullptr || !reply;
    std::free(error);
    return reply;
}

xcb_get_property_cookie_t ask(xcb_connection_t* c, XID window, uint32_t property, uint32_t type,
                              uint32_t length) {
    return xcb_get_property(c, 0, xcb_window_t(window), property, type, 0, length);
}

const QString& hostName() {
    static const QString name = [] {
        char buffer[256] = {};
        gethostname(buffer, sizeof buffer - 1);
        return QString::fromLocal8Bit(buffer);
    }();
    return name;
}

// Whether WM_CLIENT_MACHINE names this machine, short or fully qualified.
bool isThisMachine(const QString& machine) {
    const QString& here = hostName();
    if (machine.isEmpty() || machine == here || machine == QStringLiteral("localhost"))
        return true;
    return machine.startsWith(here + u'.') || here.startsWith(machine + u'.');
}

// The key a client without a process is grouped by: its class, else its instance, else itself.
QString classKey(const QString& instance, const QString& wmClass, XID window) {
    if (!wmClass.isEmpty())
        return wmClass;
    if (!instance.isEmpty())
        return instance;
    return QStringLiteral("window:%1").arg(window);
}

// What a client's events say: a property changed, or the window is gone (its id may be handed to
// a new window of another program).
constexpr uint32_t clientEvents = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;

}  // namespace

struct X11Clients::Atoms {
    std::map<QByteArray, uint32_t> byName;
    xcb_window_t root = 0;
    uint32_t operator()(const char* name) const {
        const auto it = byName.find(QByteArray(name));
        return it == byName.end() ? XCB_NONE : it->second;
    }
};

std::vector<X11Clients::Client> X11Clients::Listing::hereFirst() const {
    std::vector<Client> ordered = clients;
    if (!currentDesktop)
        return ordered;
    const unsigned long current = *currentDesktop & everyDesktop;
    std::stable_partition(ordered.begin(), ordered.end(), [&](const Client& client) {
        return !client.desktop || *client.desktop == everyDesktop || *client.desktop == current;
    });
    return ordered;
}

std::unique_ptr<X11Clients> X11Clients::open(XDisplay* like) {
    const QByteArray name = like ? QByteArray(DisplayString(like)) : qgetenv("DISPLAY");
    int screen = 0;
    xcb_connection_t* connection = xcb_connect(name.constData(), &screen);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    std::unique_ptr<X11Clients> clients(new X11Clients(connection));
    clients->displayName_ = name;
    xcb_screen_iterator_t roots = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screen && roots.rem > 0; ++i) xcb_screen_next(&roots);
    if (roots.rem == 0)
        return nullptr;
    clients->atoms_->root = roots.data->root;

    std::vector<QByteArray> names(std::begin(atomNames), std::end(atomNames));
    for (const auto& [type, kind] : knownTypes) names.emplace_back(type);
    std::vector<xcb_intern_atom_cookie_t> cookies;
    cookies.reserve(names.size());
    for (const QByteArray& atom : names)
        cookies.push_back(xcb_intern_atom(connection, 0, uint16_t(atom.size()), atom.constData()));
    for (std::size_t i = 0; i < names.size(); ++i) {
        Reply<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(connection, cookies[i], nullptr));
        if (!reply)
            return nullptr;
        clients->atoms_->byName.emplace(names[i], reply->atom);
    }
    clients->traffic_ = {names.size(), 1};

    // On the main thread the events are read as they come; elsewhere (a tool without an event
    // loop) each listing reads them.
    auto* app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread()) {
        auto notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(connection),
                                                          QSocketNotifier::Read);
        X11Clients* self = clients.get();
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [self] {
            std::lock_guard lock(self->mutex_);
            self->takeEvents(true);
        });
        clients->notifier_ = std::move(notifier);
    }
    return clients;
}

X11Clients::X11Clients(xcb_connection_t* connection)
    : connection_(connection), atoms_(std::make_unique<Atoms>()) {}

X11Clients::~X11Clients() {
    notifier_.reset();
    xcb_disconnect(connection_);
}

void X11Clients::takeEvents(bool readSocket) {
    for (;;) {
        xcb_generic_event_t* event =
            readSocket ? xcb_poll_for_event(connection_) : xcb_poll_for_queued_event(connection_);
        if (!event)
            return;
        // Errors come here too: a window that went before its events were selected.
        switch (event->response_type & 0x7f) {
            case XCB_PROPERTY_NOTIFY: {
                const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
                if (known_.count(notify->window))
                    changed_.insert(notify->window);
                break;
            }
            case XCB_DESTROY_NOTIFY: {
                const auto* notify = reinterpret_cast<xcb_destroy_notify_event_t*>(event);
                known_.erase(notify->window);
                changed_.erase(notify->window);
                break;
            }
            default:
                break;
        }
        std::free(event);
    }
}

QString X11Clients::text(const void* data) {
    const auto* reply = static_cast<const xcb_get_property_reply_t*>(data);
    const char* bytes = static_cast<const char*>(
        xcb_get_property_value(const_cast<xcb_get_property_reply_t*>(reply)));
    const int size = xcb_get_property_value_length(const_cast<xcb_get_property_reply_t*>(reply));
    if (reply->type == (*atoms_)("UTF8_STRING"))
        return QString::fromUtf8(bytes, size);
    // Compound text without escapes is Latin-1; with them only Xlib knows every character set.
    if (reply->type == (*atoms_)("COMPOUND_TEXT") && std::memchr(bytes, 0x1b, size_t(size))) {
        if (!decoder_)
            decoder_.reset(XOpenDisplay(displayName_.constData()));
        if (decoder_) {
            QByteArray copy(bytes, size);
            XTextProperty property{reinterpret_cast<unsigned char*>(copy.data()),
                                   XInternAtom(decoder_.get(), "COMPOUND_TEXT", False), 8,
                                   static_cast<unsigned long>(size)};
            char** list = nullptr;
            int count = 0;
            if (Xutf8TextPropertyToTextList(decoder_.get(), &property, &list, &count) >= Success &&
                list) {
                QString result = count > 0 ? QString::fromUtf8(list[0]) : QString();
                XFreeStringList(list);
                return result;
            }
        }
    }
    return QString::fromLatin1(bytes, size);
}

std::vector<std::optional<X11Clients::Client>> X11Clients::readAll(
    const std::vector<XID>& windows) {
    const Atoms& atom = *atoms_;
    enum { Pid, Machine, Class, NetName, Name, State, Type, Transient, Desktop, Count };
    // Sent all at once, answered all at once: one wait for any number of windows.
    std::vector<xcb_get_property_cookie_t> cookies(windows.size() * Count);
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const XID window = windows[i];
        xcb_get_property_cookie_t* asking = &cookies[i * Count];
        asking[Pid] = ask(connection_, window, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 1);
        asking[Machine] = ask(connection_, window, XCB_ATOM_WM_CLIENT_MACHINE,
                              XCB_GET_PROPERTY_TYPE_ANY, longText);
        asking[Class] = ask(connection_, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, longText);
        asking[NetName] =
            ask(connection_, window, atom("_NET_WM_NAME"), XCB_GET_PROPERTY_TYPE_ANY, longText);
        asking[Name] =
            ask(connection_, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, longText);
        asking[State] = ask(connection_, window, atom("_NET_WM_STATE"), XCB_ATOM_ATOM, 1024);
        asking[Type] = ask(connection_, window, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 1024);
        asking[Transient] = ask(connection_, window, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 1);
        asking[Desktop] = ask(connection_, window, atom("_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL, 1);
    }
    if (!windows.empty()) {
        traffic_.requests += cookies.size();
        ++traffic_.roundTrips;
    }

    std::vector<std::optional<Client>> result;
    result.reserve(windows.size());
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const xcb_get_property_cookie_t* asked = &cookies[i * Count];
        bool gone = false;
        Property properties[Count] = {
            take(connection_, asked[Pid], &gone), take(connection_, asked[Machine]),
            take(connection_, asked[Class]),      take(connection_, asked[NetName]),
            take(connection_, asked[Name]),       take(connection_, asked[State]),
            take(connection_, asked[Type]),       take(connection_, asked[Transient]),
            take(connection_, asked[Desktop]),
        };
        if (gone) {
            result.emplace_back();
            continue;
        }
        Client client;
        client.window = windows[i];
        const auto pid = properties[Pid].first();
        if (pid && *pid > 0 && *pid < 0x40000000) {
            const Property& machine = properties[Machine];
            if (!machine.present() || machine->format != 8 || isThisMachine(text(machine.reply))) {
                client.pid = qint32(*pid);
                client.hasProcess = true;
            }
        }
        // WM_CLASS holds the instance and the class, each ended by a NUL.
        if (const Property& wmClass = properties[Class];
            wmClass.present() && wmClass->format == 8) {
            const QList<QByteArray> parts = QByteArray(wmClass.bytes(), wmClass.size()).split('\0');
            client.instance = QString::fromLocal8Bit(parts.value(0));
            client.wmClass = QString::fromLocal8Bit(parts.value(1));
        }
        if (!client.hasProcess)
            client.pid = X11Accessibility::classPID(
                classKey(client.instance, client.wmClass, client.window));
        for (int name : {NetName, Name}) {
            if (properties[name].present() && properties[name]->format == 8) {
                client.title = text(properties[name].reply);
                break;
            }
        }
        const auto state = properties[State].longs();
        const auto has = [&](const char* name) {
            return std::find(state.begin(), state.end(), atom(name)) != state.end();
        };
        client.minimized = has("_NET_WM_STATE_HIDDEN");
        client.skipTaskbar = has("_NET_WM_STATE_SKIP_TASKBAR");
        const bool modal = has("_NET_WM_STATE_MODAL");
        std::optional<Kind> kind;
        for (uint32_t type : properties[Type].longs()) {
            for (const auto& [name, known] : knownTypes) {
                if (type == atom(name)) {
                    kind = known == Kind::Standard && modal ? Kind::Dialog : known;
                    break;
                }
            }
            if (kind)
                break;
        }
        if (!kind)
            kind = modal || properties[Transient].first().value_or(0) != 0 ? Kind::Dialog
                                                                           : Kind::Standard;
        client.kind = *kind;
        if (const auto desktop = properties[Desktop].first())
            client.desktop = *desktop & everyDesktop;
        result.push_back(std::move(client));
    }
    return result;
}

std::optional<X11Clients::Listing> X11Clients::list() {
    std::lock_guard lock(mutex_);
    const Atoms& atom = *atoms_;
    const auto stackingCookie =
        ask(connection_, atom.root, atom("_NET_CLIENT_LIST_STACKING"), XCB_ATOM_WINDOW, longList);
    const auto mappedCookie =
        ask(connection_, atom.root, atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, longList);
    const auto desktopCookie =
        ask(connection_, atom.root, atom("_NET_CURRENT_DESKTOP"), XCB_ATOM_CARDINAL, 1);
    traffic_.requests += 3;
    ++traffic_.roundTrips;
    const Property stacking = take(connection_, stackingCookie);
    const Property mapped = take(connection_, mappedCookie);
    const Property desktop = take(connection_, desktopCookie);
    if (xcb_connection_has_error(connection_))
        return std::nullopt;
    // Every event the server sent before these answers has arrived with them.
    takeEvents(false);

    Listing listing;
    listing.managed = stacking.present() || mapped.present();
    for (uint32_t window : mapped.longs()) listing.mapped.push_back(window);
    std::vector<XID> order;
    for (uint32_t window : stacking.longs()) order.push_back(window);
    std::reverse(order.begin(), order.end());
    if (order.empty())
        order = listing.mapped;  // mapping order, the best left
    if (const auto current = desktop.first())
        listing.currentDesktop = *current;

    // Forget the clients that left the list; their ids may come back as other windows.
    const std::set<XID> listed(order.begin(), order.end());
    for (auto it = known_.begin(); it != known_.end();) {
        if (listed.count(it->first)) {
            ++it;
            continue;
        }
        const uint32_t none = 0;
        xcb_change_window_attributes(connection_, xcb_window_t(it->first), XCB_CW_EVENT_MASK,
                                     &none);
        ++traffic_.requests;
        changed_.erase(it->first);
        it = known_.erase(it);
    }
    std::vector<XID> unknown;
    for (XID window : order) {
        if (!known_.count(window)) {
            // Selected before the properties are read: a change after the reading is told.
            xcb_change_window_attributes(connection_, xcb_window_t(window), XCB_CW_EVENT_MASK,
                                         &clientEvents);
            ++traffic_.requests;
            unknown.push_back(window);
        } else if (changed_.count(window)) {
            unknown.push_back(window);
        }
    }
    const auto read = readAll(unknown);
    for (std::size_t i = 0; i < unknown.size(); ++i) {
        changed_.erase(unknown[i]);
        if (read[i])
            known_.insert_or_assign(unknown[i], *read[i]);
        else
            known_.erase(unknown[i]);
    }
    xcb_flush(connection_);
    takeEvents(false);

    for (XID window : order) {
        if (const auto it = known_.find(window); it != known_.end())
            listing.clients.push_back(it->second);
    }
    return listing;
}

std::vector<std::optional<X11Clients::Client>> X11Clients::read(const std::vector<XID>& windows) {
    std::lock_guard lock(mutex_);
    return readAll(windows);
}

void X11Clients::countBatch(std::uint64_t count) {
    std::lock_guard lock(mutex_);
    traffic_.requests += count;
    ++traffic_.roundTrips;
}

X11Clients::Traffic X11Clients::traffic() const {
    std::lock_guard lock(mutex_);
    return traffic_;
}

}  // namespace tandri::x11
