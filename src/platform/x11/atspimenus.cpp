// SPDX-License-Identifier: MIT
#include "platform/x11/atspimenus.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QVariant>
#include <algorithm>
#include <set>

#include <unistd.h>

namespace tandri::x11 {

namespace {

const QString accessibleInterface = QStringLiteral("org.a11y.atspi.Accessible");
const QString actionInterface = QStringLiteral("org.a11y.atspi.Action");
const QString applicationRoot = QStringLiteral("/org/a11y/atspi/accessible/root");

// The roles of the accessibility bus that matter here.
constexpr uint roleDialog = 16;
constexpr uint roleFiller = 20;
constexpr uint roleFrame = 23;
constexpr uint roleGlassPane = 24;
constexpr uint roleInternalFrame = 28;
constexpr uint roleLayeredPane = 30;
constexpr uint roleMenu = 33;
constexpr uint roleMenuBar = 34;
constexpr uint rolePanel = 39;
constexpr uint rolePopupMenu = 41;
constexpr uint roleRootPane = 46;
constexpr uint roleSeparator = 50;
constexpr uint roleSplitPane = 53;
constexpr uint roleTearOffMenuItem = 59;
constexpr uint roleUnknown = 67;
constexpr uint roleWindow = 69;
constexpr uint roleApplication = 75;
constexpr uint roleSection = 85;
constexpr uint roleGrouping = 99;

// How far the search for the menu bar goes: a window's menu bar sits a few levels below the
// application in every toolkit, and a document's contents must not be walked.
constexpr int searchDepth = 6;
constexpr int searchNodes = 300;
// Requests sent before the first answer is awaited; the bus limits pending replies.
constexpr int inFlight = 100;
// The whole reading, however many levels it takes.
constexpr int readBudgetMs = 1500;

bool mayHoldMenuBar(uint role) {
    switch (role) {
        case roleApplication:
        case roleFrame:
        case roleWindow:
        case roleDialog:
        case rolePanel:
        case roleFiller:
        case roleRootPane:
        case roleLayeredPane:
        case roleGlassPane:
        case roleInternalFrame:
        case roleSplitPane:
        case roleUnknown:
        case roleSection:
        case roleGrouping:
            return true;
        default:
            return false;
    }
}

// What one accessible object said of itself.
struct Info {
    QString path;
    std::optional<uint> role;
    QString name;
    QStringList children;
    QString keyBinding;
};

enum Field { Role = 1, Name = 2, Children = 4, Keys = 8 };

// Reads the objects of one application, a batch of requests at a time.
class Reader {
public:
    Reader(QDBusConnection bus, QString service, int timeoutMs)
        : bus_(std::move(bus)),
          service_(std::move(service)),
          timeoutMs_(timeoutMs),
          deadline_(readBudgetMs) {}

    /// Whether every answer so far came in time.
    bool complete() const { return complete_; }

    std::vector<Info> fetch(const QStringList& paths, int fields) {
        std::vector<Info> infos(std::size_t(paths.size()));
        struct Request {
            std::size_t node;
            Field field;
            QDBusMessage message;
        };
        std::vector<Request> requests;
        for (qsizetype i = 0; i < paths.size(); ++i) {
            infos[std::size_t(i)].path = paths[i];
            for (Field field : {Role, Name, Children, Keys}) {
                if (fields & field)
                    requests.push_back({std::size_t(i), field, message(paths[i], field)});
            }
        }
        for (std::size_t start = 0; start < requests.size(); start += inFlight) {
            if (deadline_.hasExpired()) {
                complete_ = false;
                return infos;
            }
            const std::size_t end = std::min(requests.size(), start + std::size_t(inFlight));
            std::vector<QDBusPendingCall> calls;
            for (std::size_t r = start; r < end; ++r)
                calls.push_back(bus_.asyncCall(requests[r].message, timeoutMs_));
            for (std::size_t r = start; r < end; ++r) {
                QDBusPendingCall& call = calls[r - start];
                call.waitForFinished();
                const QDBusMessage reply = call.reply();
                if (reply.type() != QDBusMessage::ReplyMessage) {
                    // A timeout is a silent app; an error is an object without that interface.
                    if (call.error().type() == QDBusError::Timeout ||
                        call.error().type() == QDBusError::NoReply)
                        complete_ = false;
                    continue;
                }
                store(infos[requests[r].node], requests[r].field, reply);
            }
        }
        return infos;
    }

private:
    QDBusMessage message(const QString& path, Field field) const {
        QDBusMessage m;
        switch (field) {
            case Role:
                m = QDBusMessage::createMethodCall(service_, path, accessibleInterface,
                                                   QStringLiteral("GetRole"));
                break;
            case Name:
                m = QDBusMessage::createMethodCall(
                    service_, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                    QStringLiteral("Get"));
                m << accessibleInterface << QStringLiteral("Name");
                break;
            case Children:
                m = QDBusMessage::createMethodCall(service_, path, accessibleInterface,
                                                   QStringLiteral("GetChildren"));
                break;
            case Keys:
                m = QDBusMessage::createMethodCall(service_, path, actionInterface,
                                                   QStringLiteral("GetKeyBinding"));
                m << qint32(0);
                break;
        }
        m.setAutoStartService(false);
        return m;
    }

    void store(Info& info, Field field, const QDBusMessage& reply) const {
        const QVariantList arguments = reply.arguments();
        if (arguments.isEmpty())
            return;
        const QVariant& first = arguments.front();
        switch (field) {
            case Role: {
                bool ok = false;
                const uint role = first.toUInt(&ok);
                if (ok)
                    info.role = role;
                break;
            }
            case Name:
                info.name = first.value<QDBusVariant>().variant().toString();
                break;
            case Children: {
                if (first.userType() != qMetaTypeId<QDBusArgument>())
                    break;
                const QDBusArgument list = first.value<QDBusArgument>();
                if (list.currentSignature() != QStringLiteral("a(so)"))
                    break;
                list.beginArray();
                while (!list.atEnd()) {
                    QString owner;
                    QDBusObjectPath path;
                    list.beginStructure();
                    list >> owner >> path;
                    list.endStructure();
                    // An object another connection serves (an embedded plug) is not this app's.
                    if (owner.isEmpty() || owner == service_)
                        info.children << path.path();
                }
                list.endArray();
                break;
            }
            case Keys:
                info.keyBinding = first.toString();
                break;
        }
    }

    QDBusConnection bus_;
    const QString service_;
    const int timeoutMs_;
    QDeadlineTimer deadline_;
    bool complete_ = true;
};

QStringList childrenOf(const std::vector<Info>& infos) {
    QStringList all;
    for (const Info& info : infos) all << info.children;
    return all;
}

// The items under each container (a menu, or an item with a submenu): its children, or, where a
// toolkit puts the items into a pop-up of their own (Qt), the pop-up's children.
std::vector<std::vector<Info>> itemsUnder(Reader& reader, const std::vector<Info>& containers) {
    const int fields = Role | Name | Children | Keys;
    const std::vector<Info> children = reader.fetch(childrenOf(containers), fields);
    std::vector<std::vector<Info>> result(containers.size());
    std::vector<std::size_t> wrapped;
    std::vector<Info> popups;
    std::size_t at = 0;
    for (std::size_t c = 0; c < containers.size(); ++c) {
        const auto count = std::size_t(containers[c].children.size());
        std::vector<Info> own(children.begin() + std::ptrdiff_t(at),
                              children.begin() + std::ptrdiff_t(at + count));
        at += count;
        if (own.size() == 1 && own.front().role == rolePopupMenu) {
            wrapped.push_back(c);
            popups.push_back(own.front());
        } else {
            result[c] = std::move(own);
        }
    }
    if (!popups.empty()) {
        const std::vector<Info> items = reader.fetch(childrenOf(popups), fields);
        std::size_t from = 0;
        for (std::size_t p = 0; p < popups.size(); ++p) {
            const auto count = std::size_t(popups[p].children.size());
            result[wrapped[p]].assign(items.begin() + std::ptrdiff_t(from),
                                      items.begin() + std::ptrdiff_t(from + count));
            from += count;
        }
    }
    return result;
}

bool isItem(const Info& info) {
    // Two different roles; clang-tidy 14 takes the constants for one expression.
    return info.role != roleSeparator &&
           info.role != roleTearOffMenuItem;  // NOLINT(misc-redundant-expression)
}

AXMenuItem menuItem(const Info& info, qint32 pid, const QString& service) {
    AXMenuItem item;
    item.element = {pid, service + u' ' + info.path};
    if (!info.name.isEmpty())
        item.title = info.name;
    if (const auto binding = AtspiMenus::parseKeyBinding(info.keyBinding)) {
        item.cmdChar = binding->key;
        item.cmdModifiers = binding->modifiers;
    }
    return item;
}

// The menus of one menu bar, each item with its submenu one level down.
std::vector<AXMenu> readMenus(Reader& reader, const Info& menuBar, qint32 pid,
                              const QString& service) {
    const std::vector<Info> menus = reader.fetch(menuBar.children, Role | Name | Children);
    const auto items = itemsUnder(reader, menus);

    // Items that open a submenu: a menu role (GTK) or children of their own (Qt's pop-up).
    std::vector<Info> openers;
    for (const auto& list : items) {
        for (const Info& info : list) {
            if (isItem(info) && (info.role == roleMenu || !info.children.isEmpty()))
                openers.push_back(info);
        }
    }
    const auto subitems = itemsUnder(reader, openers);
    std::map<QString, const std::vector<Info>*> submenus;
    for (std::size_t i = 0; i < openers.size(); ++i) submenus[openers[i].path] = &subitems[i];

    std::vector<AXMenu> result;
    for (std::size_t m = 0; m < menus.size(); ++m) {
        if (!isItem(menus[m]))
            continue;
        AXMenu menu;
        if (!menus[m].name.isEmpty())
            menu.title = menus[m].name;
        for (const Info& info : items[m]) {
            if (!isItem(info))
                continue;
            AXMenuItem item = menuItem(info, pid, service);
            if (const auto sub = submenus.find(info.path); sub != submenus.end()) {
                for (const Info& child : *sub->second) {
                    if (isItem(child))
                        item.submenu.push_back(menuItem(child, pid, service));
                }
            }
            menu.items.push_back(std::move(item));
        }
        result.push_back(std::move(menu));
    }
    return result;
}

// The first menu bar, breadth first, of the application's tree.
std::optional<Info> findMenuBar(Reader& reader) {
    QStringList frontier{applicationRoot};
    std::set<QString> seen{applicationRoot};
    int visited = 0;
    for (int depth = 0; depth <= searchDepth && !frontier.isEmpty(); ++depth) {
        const std::vector<Info> level = reader.fetch(frontier, Role | Children);
        frontier.clear();
        for (const Info& info : level) {
            if (info.role == roleMenuBar)
                return info;
        }
        for (const Info& info : level) {
            if (!info.role || !mayHoldMenuBar(*info.role))
                continue;
            for (const QString& child : info.children) {
                if (visited >= searchNodes)
                    break;
                if (seen.insert(child).second) {
                    frontier << child;
                    ++visited;
                }
            }
        }
    }
    return std::nullopt;
}

struct Modifiers {
    bool control = false;
    bool shift = false;
    bool alt = false;
    bool super = false;
    bool any() const { return control || shift || alt || super; }
    // Whether the name is a modifier; notes it.
    bool add(const QString& name) {
        const QString n = name.trimmed().toLower();
        if (n == u"control" || n == u"ctrl" || n == u"ctl" || n == u"primary")
            control = true;
        else if (n == u"shift" || n == u"shft")
            shift = true;
        else if (n == u"alt" || n == u"mod1")
            alt = true;
        else if (n == u"super" || n == u"meta" || n == u"mod4" || n == u"hyper")
            super = true;
        else
            return false;
        return true;
    }
};

// GTK names keys by their key symbols; the menu shows the character.
QString keyText(const QString& name) {
    static const std::map<QString, QString> symbols = {
        {QStringLiteral("plus"), QStringLiteral("+")},
        {QStringLiteral("minus"), QStringLiteral("-")},
        {QStringLiteral("equal"), QStringLiteral("=")},
        {QStringLiteral("comma"), QStringLiteral(",")},
        {QStringLiteral("period"), QStringLiteral(".")},
        {QStringLiteral("slash"), QStringLiteral("/")},
        {QStringLiteral("backslash"), QStringLiteral("\\")},
        {QStringLiteral("semicolon"), QStringLiteral(";")},
        {QStringLiteral("apostrophe"), QStringLiteral("'")},
        {QStringLiteral("grave"), QStringLiteral("`")},
        {QStringLiteral("bracketleft"), QStringLiteral("[")},
        {QStringLiteral("bracketright"), QStringLiteral("]")},
        {QStringLiteral("question"), QStringLiteral("?")},
    };
    if (const auto found = symbols.find(name); found != symbols.end())
        return found->second;
    return name;
}

}  // namespace

AtspiMenus::AtspiMenus(int timeoutMs) : timeoutMs_(timeoutMs) {}

AtspiMenus::~AtspiMenus() {
    if (!connectionName_.isEmpty())
        QDBusConnection::disconnectFromBus(connectionName_);
}

std::optional<QDBusConnection> AtspiMenus::bus() const {
    if (!connectionName_.isEmpty()) {
        QDBusConnection existing(connectionName_);
        if (existing.isConnected())
            return existing;
        QDBusConnection::disconnectFromBus(connectionName_);
        connectionName_.clear();
    }
    QDBusConnection session = QDBusConnection::sessionBus();
    if (!session.isConnected())
        return std::nullopt;
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
        QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"));
    // Nobody started the accessibility bus, so no app is on it: not worth starting it now.
    ask.setAutoStartService(false);
    const QDBusMessage reply = session.call(ask, QDBus::Block, timeoutMs_);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    const QString address = reply.arguments().front().toString();
    if (address.isEmpty())
        return std::nullopt;
    const QString name = QStringLiteral("tandri-accessibility-%1").arg(++connections_);
    QDBusConnection connection = QDBusConnection::connectToBus(address, name);
    if (!connection.isConnected()) {
        QDBusConnection::disconnectFromBus(name);
        return std::nullopt;
    }
    connectionName_ = name;
    return connection;
}

std::optional<std::vector<AXMenu>> AtspiMenus::menuBar(qint32 pid) const {
    // A made-up number of a class stands for no process; asking this very process would wait
    // for an answer only this thread can give.
    if (pid <= 0 || pid >= 0x40000000 || pid == qint32(getpid()))
        return std::nullopt;
    std::lock_guard lock(mutex_);
    const auto connection = bus();
    if (!connection)
        return std::nullopt;

    // The apps are named by their connections; the bus knows each connection's process.
    QStringList services;
    {
        QDBusMessage list = QDBusMessage::createMethodCall(
            QStringLiteral("org.a11y.atspi.Registry"), applicationRoot, accessibleInterface,
            QStringLiteral("GetChildren"));
        list.setAutoStartService(false);
        const QDBusMessage reply = connection->call(list, QDBus::Block, timeoutMs_);
        // The reply hands out a copy of its list: keep it while its first item is read.
        const QVariantList arguments = reply.arguments();
        if (reply.type() != QDBusMessage::ReplyMessage || arguments.isEmpty())
            return std::nullopt;
        const QVariant& first = arguments.front();
        if (first.userType() != qMetaTypeId<QDBusArgument>())
            return std::nullopt;
        const QDBusArgument apps = first.value<QDBusArgument>();
        if (apps.currentSignature() != QStringLiteral("a(so)"))
            return std::nullopt;
        apps.beginArray();
        while (!apps.atEnd()) {
            QString service;
            QDBusObjectPath path;
            apps.beginStructure();
            apps >> service >> path;
            apps.endStructure();
            if (!service.isEmpty())
                services << service;
        }
        apps.endArray();
    }
    std::erase_if(pids_, [&](const auto& known) { return !services.contains(known.first); });
    std::vector<std::pair<QString, QDBusPendingCall>> asking;
    for (const QString& service : services) {
        if (pids_.count(service))
            continue;
        QDBusMessage m = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionUnixProcessID"));
        m << service;
        asking.emplace_back(service, connection->asyncCall(m, timeoutMs_));
    }
    for (auto& [service, call] : asking) {
        call.waitForFinished();
        const QDBusMessage reply = call.reply();
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
            pids_[service] = qint32(reply.arguments().front().toUInt());
    }

    for (const QString& service : services) {
        const auto known = pids_.find(service);
        if (known == pids_.end() || known->second != pid)
            continue;
        Reader reader(*connection, service, timeoutMs_);
        const auto bar = findMenuBar(reader);
        if (!bar)
            continue;
        std::vector<AXMenu> menus = readMenus(reader, *bar, pid, service);
        if (!reader.complete())
            return std::nullopt;  // a half-read menu would offer commands that are not there
        return menus;
    }
    return std::nullopt;
}

void AtspiMenus::press(const MenuElement& item) const {
    const qsizetype space = item.id.indexOf(u' ');
    if (space <= 0)
        return;
    std::lock_guard lock(mutex_);
    const auto connection = bus();
    if (!connection)
        return;
    QDBusMessage message = QDBusMessage::createMethodCall(
        item.id.left(space), item.id.mid(space + 1), actionInterface, QStringLiteral("DoAction"));
    message << qint32(0);
    message.setAutoStartService(false);
    // An action that opens a dialog may answer only once the dialog closes.
    connection->send(message);
}

std::optional<AtspiMenus::KeyBinding> AtspiMenus::parseKeyBinding(const QString& text) {
    const QStringList fields = text.split(u';');
    // GTK: "mnemonic;path from the menu bar;accelerator"; some give "mnemonic;accelerator".
    const bool alone = fields.size() == 1;
    const QString binding = (fields.size() >= 3 ? fields[2] : fields.last()).trimmed();
    if (binding.isEmpty())
        return std::nullopt;

    Modifiers modifiers;
    QString key;
    if (binding.startsWith(u'<')) {
        qsizetype at = 0;
        while (at < binding.size() && binding[at] == u'<') {
            const qsizetype close = binding.indexOf(u'>', at);
            if (close < 0 || !modifiers.add(binding.mid(at + 1, close - at - 1)))
                return std::nullopt;
            at = close + 1;
        }
        key = keyText(binding.mid(at));
    } else {
        // Qt joins the chords of a sequence with ", "; no menu of ours can show that.
        if (binding.contains(QStringLiteral(", ")))
            return std::nullopt;
        QString rest = binding;
        for (;;) {
            const qsizetype plus = rest.indexOf(u'+');
            // "+" first or last is the plus key itself.
            if (plus <= 0 || plus == rest.size() - 1)
                break;
            if (!modifiers.add(rest.left(plus)))
                return std::nullopt;
            rest = rest.mid(plus + 1);
        }
        key = rest;
    }
    // A name with a plus or blank in it is a modifier the loop above did not know.
    if (key.isEmpty() || (key.size() > 1 && (key.contains(u'+') || key.contains(u' '))))
        return std::nullopt;
    if (key.size() == 1) {
        // Qt names a mnemonic as Alt and the letter; a lone letter is one too.
        const bool letter = key[0].isLetterOrNumber();
        if (alone && letter && !modifiers.control && !modifiers.shift && !modifiers.super)
            return std::nullopt;
        key = key.toUpper();
    }
    qint64 mask = modifiers.control ? 0 : 8;
    if (modifiers.shift)
        mask |= 1;
    if (modifiers.alt)
        mask |= 2;
    if (modifiers.super)
        mask |= 4;
    return KeyBinding{key, mask};
}

}  // namespace tandri::x11
