#include "platform/x11/x11accessibility.h"

#include <QByteArray>
#include <QStringList>
#include <algorithm>

// After every Qt header: Xlib defines macros (Bool, Status, None) that Qt's headers refuse.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xlibint.h>
#include <X11/Xutil.h>
#include <unistd.h>

namespace tandri::x11 {

namespace {

struct Property {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned char* data = nullptr;
    bool windowExists = false;
    Property() = default;
    Property(const Property&) = delete;
    Property& operator=(const Property&) = delete;
    ~Property() {
        if (data)
            XFree(data);
    }
    bool present() const { return data && type != 0; }
    const unsigned long* longs() const {
        // Xlib hands 32-bit properties over as longs.
        return format == 32 ? reinterpret_cast<const unsigned long*>(data) : nullptr;
    }
};

Atom atom(Display* display, const char* name) {
    // Xlib keeps interned atoms per display: only the first call asks the server.
    return XInternAtom(display, name, False);
}

void read(Display* display, XID window, const char* name, Property& out,
          Atom type = AnyPropertyType, long length = 1 << 16) {
    unsigned long after = 0;
    const int status =
        XGetWindowProperty(display, window, atom(display, name), 0, length, False, type, &out.type,
                           &out.format, &out.count, &after, &out.data);
    out.windowExists = status == Success;
}

std::optional<unsigned long> cardinal(Display* display, XID window, const char* name,
                                      bool* exists = nullptr) {
    Property p;
    read(display, window, name, p, XA_CARDINAL, 1);
    if (exists)
        *exists = p.windowExists;
    if (!p.present() || !p.longs() || p.count < 1)
        return std::nullopt;
    return p.longs()[0];
}

std::optional<QString> text(Display* display, XID window, const char* name) {
    Property p;
    read(display, window, name, p);
    if (!p.present() || p.format != 8)
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const char*>(p.data);
    if (p.type == atom(display, "UTF8_STRING"))
        return QString::fromUtf8(bytes, qsizetype(p.count));
    if (p.type == atom(display, "COMPOUND_TEXT")) {
        XTextProperty property{p.data, p.type, p.format, p.count};
        char** list = nullptr;
        int count = 0;
        if (Xutf8TextPropertyToTextList(display, &property, &list, &count) >= Success && list) {
            QString result = count > 0 ? QString::fromUtf8(list[0]) : QString();
            XFreeStringList(list);
            return result;
        }
    }
    return QString::fromLatin1(bytes, qsizetype(p.count));
}

std::vector<Atom> atoms(Display* display, XID window, const char* name) {
    Property p;
    read(display, window, name, p, XA_ATOM);
    if (!p.present() || !p.longs())
        return {};
    return std::vector<Atom>(p.longs(), p.longs() + p.count);
}

std::vector<XID> windowList(Display* display, XID window, const char* name) {
    Property p;
    read(display, window, name, p, XA_WINDOW, 1 << 20);
    if (!p.present() || !p.longs())
        return {};
    return std::vector<XID>(p.longs(), p.longs() + p.count);
}

// WM_CLASS holds the instance and the class, each ended by a NUL.
std::pair<QString, QString> wmClass(Display* display, XID window) {
    Property p;
    read(display, window, "WM_CLASS", p, XA_STRING);
    if (!p.present() || p.format != 8)
        return {};
    const QByteArray bytes(reinterpret_cast<const char*>(p.data), qsizetype(p.count));
    const QList<QByteArray> parts = bytes.split('\0');
    return {QString::fromLocal8Bit(parts.value(0)), QString::fromLocal8Bit(parts.value(1))};
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

struct Ownership {
    qint32 pid = 0;
    bool hasProcess = false;
    QString instance;
    QString wmClass;
};

std::optional<Ownership> ownership(Display* display, XID window) {
    bool exists = false;
    const auto pid = cardinal(display, window, "_NET_WM_PID", &exists);
    if (!exists)
        return std::nullopt;
    Ownership owner;
    if (pid && *pid > 0 && *pid < 0x40000000) {
        const auto machine = text(display, window, "WM_CLIENT_MACHINE");
        if (!machine || isThisMachine(*machine)) {
            owner.pid = qint32(*pid);
            owner.hasProcess = true;
        }
    }
    std::tie(owner.instance, owner.wmClass) = wmClass(display, window);
    if (!owner.hasProcess)
        owner.pid = X11Accessibility::classPID(classKey(owner.instance, owner.wmClass, window));
    return owner;
}

X11Accessibility::Kind kindOf(Display* display, XID window, const std::vector<Atom>& state) {
    using Kind = X11Accessibility::Kind;
    const std::pair<const char*, Kind> known[] = {
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
    const bool modal =
        std::find(state.begin(), state.end(), atom(display, "_NET_WM_STATE_MODAL")) != state.end();
    // The types come in order of preference; a type this list does not know gives way to the
    // next one.
    for (Atom type : atoms(display, window, "_NET_WM_WINDOW_TYPE")) {
        for (const auto& [name, kind] : known) {
            if (type == atom(display, name))
                return kind == Kind::Standard && modal ? Kind::Dialog : kind;
        }
    }
    Window transientFor = 0;
    if (modal || (XGetTransientForHint(display, window, &transientFor) && transientFor != 0))
        return Kind::Dialog;
    return Kind::Standard;
}

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

void X11Accessibility::DisplayCloser::operator()(XDisplay* display) const {
    XCloseDisplay(display);
}

X11Accessibility::QuietDisplay X11Accessibility::openQuietDisplay(XDisplay* like) {
    QuietDisplay display(XOpenDisplay(like ? DisplayString(like) : nullptr));
    if (!display)
        return display;
    for (int code = 1; code < 256; ++code) XESetWireToError(display.get(), code, dropError);
    return display;
}

X11Accessibility::X11Accessibility(X11Connection& connection)
    : connection_(connection), listing_(openQuietDisplay(connection.display())) {}

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

std::optional<qint32> X11Accessibility::ownerPID(XDisplay* display, XID window) {
    const auto owner = ownership(display, window);
    if (!owner)
        return std::nullopt;
    return owner->pid;
}

std::optional<X11Accessibility::Client> X11Accessibility::readClient(XDisplay* display,
                                                                     XID window) {
    const auto owner = ownership(display, window);
    if (!owner)
        return std::nullopt;
    Client client;
    client.window = window;
    client.pid = owner->pid;
    client.hasProcess = owner->hasProcess;
    client.instance = owner->instance;
    client.wmClass = owner->wmClass;
    client.title = text(display, window, "_NET_WM_NAME");
    if (!client.title)
        client.title = text(display, window, "WM_NAME");
    const auto state = atoms(display, window, "_NET_WM_STATE");
    auto has = [&](const char* name) {
        return std::find(state.begin(), state.end(), atom(display, name)) != state.end();
    };
    client.minimized = has("_NET_WM_STATE_HIDDEN");
    client.skipTaskbar = has("_NET_WM_STATE_SKIP_TASKBAR");
    client.kind = kindOf(display, window, state);
    return client;
}

std::vector<XID> X11Accessibility::clientsFrontToBack(XDisplay* display) {
    const XID root = DefaultRootWindow(display);
    std::vector<XID> clients = windowList(display, root, "_NET_CLIENT_LIST_STACKING");
    if (clients.empty())
        return windowList(display, root, "_NET_CLIENT_LIST");  // mapping order, the best left
    std::reverse(clients.begin(), clients.end());
    return clients;
}

std::vector<XID> X11Accessibility::clientsHereFirst(XDisplay* display) {
    std::vector<XID> clients = clientsFrontToBack(display);
    const auto current = cardinal(display, DefaultRootWindow(display), "_NET_CURRENT_DESKTOP");
    if (!current)
        return clients;
    std::stable_partition(clients.begin(), clients.end(), [&](XID window) {
        const auto desktop = cardinal(display, window, "_NET_WM_DESKTOP");
        // A client that names no desktop is wherever the user is; one that is gone meanwhile
        // sorts anywhere and is dropped by whoever reads it next.
        return !desktop || (*desktop & everyDesktop) == everyDesktop ||
               (*desktop & everyDesktop) == (*current & everyDesktop);
    });
    return clients;
}

bool X11Accessibility::isTrusted() const {
    return connection_.windowManager().has_value();
}

void X11Accessibility::requestAccess() {
    // Nothing to grant: any client may list and activate windows through the window manager.
}

std::vector<AXWindow> X11Accessibility::windows(qint32 pid) const {
    std::lock_guard lock(mutex_);
    std::vector<AXWindow> result;
    if (!listing_)
        return result;
    Display* display = listing_.get();
    // Windows of other desktops follow: picking one switches to its desktop.
    for (XID window : clientsHereFirst(display)) {
        // The owner alone first: most clients are other processes'.
        if (ownerPID(display, window) != pid)
            continue;
        const auto client = readClient(display, window);
        if (!client)
            continue;
        result.push_back({{pid, quint64(window)},
                          subroleOf(client->kind),
                          client->title,
                          client->minimized,
                          quint32(window),
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
    if (element.handle == 0)
        return false;
    Display* display = connection_.display();
    // The list the windows were listed from: a window manager may add a new window to one of
    // its two lists well before the other.
    const auto clients = clientsFrontToBack(display);
    if (std::find(clients.begin(), clients.end(), XID(element.handle)) == clients.end())
        return false;
    // A window id may be handed to a new client once the old one is gone.
    std::optional<qint32> owner;
    connection_.trapErrors([&] { owner = ownerPID(display, XID(element.handle)); });
    return owner == element.pid;
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
