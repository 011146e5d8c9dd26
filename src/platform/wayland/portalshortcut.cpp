// SPDX-License-Identifier: MIT
#include "platform/wayland/portalshortcut.h"

#include <algorithm>

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

#include "platform/keycodes.h"

namespace tandri::wayland {
namespace {

const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString desktopPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString interface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString shortcutId = QStringLiteral("trigger");

}  // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut::Entry& entry) {
    argument.beginStructure();
    argument << entry.id << entry.details;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut::Entry& entry) {
    argument.beginStructure();
    argument >> entry.id >> entry.details;
    argument.endStructure();
    return argument;
}

PortalShortcut::PortalShortcut(QDBusConnection bus, QString preferredTrigger, Handlers handlers)
    : bus_(std::move(bus)), trigger_(std::move(preferredTrigger)), handlers_(std::move(handlers)) {
    qDBusRegisterMetaType<Entry>();
    qDBusRegisterMetaType<QList<Entry>>();
    if (!bus_.isConnected()) {
        // Reported from the loop, as every other outcome is, never from inside the constructor.
        QMetaObject::invokeMethod(
            this, [this] { fail(QStringLiteral("there is no D-Bus session bus"), true); },
            Qt::QueuedConnection);
        return;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(
        service, desktopPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << interface << QStringLiteral("version");
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(get), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](auto* finished) {
        finished->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *finished;
        if (reply.isError()) {
            fail(QStringLiteral("the desktop portal offers no global shortcuts (%1)")
                     .arg(reply.error().message()),
                 true);
        } else if (reply.value().variant().toUInt() < 1) {
            fail(QStringLiteral("the desktop portal's global shortcuts have no version"), true);
        } else {
            createSession();
        }
    });
}

PortalShortcut::~PortalShortcut() {
    if (!session_.isEmpty()) {
        bus_.send(QDBusMessage::createMethodCall(service, session_,
                                                 QStringLiteral("org.freedesktop.portal.Session"),
                                                 QStringLiteral("Close")));
    }
}

QString PortalShortcut::notation(quint32 modifiers, const QString& keysymName) {
    using namespace ModifierMasks;
    if (keysymName.isEmpty() || (modifiers & ~(control | option | shift | command)) != 0)
        return {};
    QStringList parts;
    if (modifiers & control)
        parts << QStringLiteral("CTRL");
    if (modifiers & option)
        parts << QStringLiteral("ALT");
    if (modifiers & shift)
        parts << QStringLiteral("SHIFT");
    if (modifiers & command)
        parts << QStringLiteral("LOGO");
    parts << keysymName;
    return parts.join(u'+');
}

void PortalShortcut::createSession() {
    state_ = State::Creating;
    const QString token = QStringLiteral("tandri_%1").arg(++tokens_);
    request(QStringLiteral("CreateSession"),
            {QVariantMap{{QStringLiteral("handle_token"), token},
                         {QStringLiteral("session_handle_token"), QStringLiteral("tandri")}}},
            token);
}

void PortalShortcut::bindShortcuts() {
    state_ = State::Binding;
    const QString token = QStringLiteral("tandri_%1").arg(++tokens_);
    QVariantMap details{{QStringLiteral("description"), QStringLiteral("Open the ring")}};
    if (!trigger_.isEmpty())
        details.insert(QStringLiteral("preferred_trigger"), trigger_);
    const QList<Entry> shortcuts{{shortcutId, details}};
    request(QStringLiteral("BindShortcuts"),
            {QVariant::fromValue(QDBusObjectPath(session_)), QVariant::fromValue(shortcuts),
             QString(), QVariantMap{{QStringLiteral("handle_token"), token}}},
            token);
}

void PortalShortcut::request(const QString& method, const QVariantList& arguments,
                             const QString& token) {
    // The request's object is known before the call, and is watched first, so that a portal
    // answering at once is not missed.
    QString sender = bus_.baseService().mid(1);
    sender.replace(u'.', u'_');
    watchRequest(desktopPath + QStringLiteral("/request/") + sender + u'/' + token);
    QDBusMessage call = QDBusMessage::createMethodCall(service, desktopPath, interface, method);
    call.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, method](auto* finished) {
        finished->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *finished;
        if (reply.isError()) {
            fail(QStringLiteral("the desktop portal's %1 failed (%2)")
                     .arg(method, reply.error().message()));
        } else if (reply.value().path() != requestPath_) {
            // An older portal names the request itself.
            watchRequest(reply.value().path());
        }
    });
}

void PortalShortcut::watchRequest(const QString& path) {
    if (!requestPath_.isEmpty()) {
        bus_.disconnect(service, requestPath_, requestInterface, QStringLiteral("Response"), this,
                        SLOT(response(uint, QVariantMap)));
    }
    requestPath_ = path;
    bus_.connect(service, requestPath_, requestInterface, QStringLiteral("Response"), this,
                 SLOT(response(uint, QVariantMap)));
}

void PortalShortcut::response(uint code, const QVariantMap& results) {
    if (state_ != State::Creating && state_ != State::Binding)
        return;
    // 1 is the user's cancelling, 2 any other end.
    const QString refusal = code == 1 ? QStringLiteral("cancelled") : QStringLiteral("refused");
    if (state_ == State::Creating) {
        // A string by the interface's word, an object path from some portals.
        const QVariant handle = results.value(QStringLiteral("session_handle"));
        session_ = handle.metaType() == QMetaType::fromType<QDBusObjectPath>()
                       ? handle.value<QDBusObjectPath>().path()
                       : handle.toString();
        if (code != 0 || session_.isEmpty()) {
            fail(QStringLiteral("the desktop portal %1 a global shortcuts session").arg(refusal));
            return;
        }
        bindShortcuts();
        return;
    }
    if (code != 0) {
        fail(QStringLiteral("the desktop portal %1 binding %2").arg(refusal, trigger_));
        return;
    }
    QList<Entry> shortcuts;
    const QVariant list = results.value(QStringLiteral("shortcuts"));
    if (list.canConvert<QDBusArgument>())
        list.value<QDBusArgument>() >> shortcuts;
    if (std::none_of(shortcuts.begin(), shortcuts.end(),
                     [](const auto& entry) { return entry.id == shortcutId; })) {
        fail(QStringLiteral("the desktop portal bound no key to the trigger"));
        return;
    }
    state_ = State::Bound;
    for (const char* name : {"Activated", "Deactivated"}) {
        const bool down = qstrcmp(name, "Activated") == 0;
        bus_.connect(service, desktopPath, interface, QString::fromLatin1(name), this,
                     down ? SLOT(activated(QDBusObjectPath, QString, qulonglong, QVariantMap))
                          : SLOT(deactivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    }
}

void PortalShortcut::activated(const QDBusObjectPath& session, const QString& id, qulonglong,
                               const QVariantMap&) {
    if (state_ == State::Bound && session.path() == session_ && id == shortcutId && handlers_.key)
        handlers_.key(true);
}

void PortalShortcut::deactivated(const QDBusObjectPath& session, const QString& id, qulonglong,
                                 const QVariantMap&) {
    if (state_ == State::Bound && session.path() == session_ && id == shortcutId && handlers_.key)
        handlers_.key(false);
}

void PortalShortcut::fail(const QString& why, bool absent) {
    if (state_ == State::Failed)
        return;
    state_ = State::Failed;
    if (handlers_.failed)
        handlers_.failed(why, absent);
}

}  // namespace tandri::wayland
