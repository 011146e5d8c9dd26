// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>

namespace tandri::wayland {

/// The trigger as a global shortcut of the session's desktop portal (its GlobalShortcuts
/// interface): one session holding one shortcut, "trigger", whose activations and deactivations
/// are the key's presses and releases. Binding takes round trips and perhaps a dialog of the
/// portal's, so every call is asynchronous. Main thread.
class PortalShortcut : public QObject {
    Q_OBJECT

public:
    struct Handlers {
        /// The shortcut went down (true) or up (false).
        std::function<void(bool down)> key;
        /// Why the shortcut cannot be had here: no portal, no interface (`absent`, which no later
        /// try changes), or a refusal. Called at most once, and nothing else is called after it.
        std::function<void(const QString& why, bool absent)> failed;
    };

    /// One shortcut as BindShortcuts takes and answers them: its id and its details.
    struct Entry {
        QString id;
        QVariantMap details;
        friend QDBusArgument& operator<<(QDBusArgument& argument, const Entry& entry);
        friend const QDBusArgument& operator>>(const QDBusArgument& argument, Entry& entry);
    };

    /// Starts binding `preferredTrigger` (the portal's notation, "ALT+space") on `bus`.
    PortalShortcut(QDBusConnection bus, QString preferredTrigger, Handlers handlers);
    /// Closes the portal's session, which drops the shortcut.
    ~PortalShortcut() override;
    PortalShortcut(const PortalShortcut&) = delete;
    PortalShortcut& operator=(const PortalShortcut&) = delete;

    /// Whether the portal bound the shortcut and its signals are heard.
    bool bound() const { return state_ == State::Bound; }

    /// A shortcut in the portal's notation: the modifiers of a hot-key mask as CTRL, ALT, SHIFT
    /// and LOGO, then the key's keysym name, joined by '+'; empty when the mask holds another bit.
    static QString notation(quint32 modifiers, const QString& keysymName);

private:
    // Slots, for the bus's signals.
    Q_SLOT void response(uint code, const QVariantMap& results);
    Q_SLOT void activated(const QDBusObjectPath& session, const QString& id, qulonglong stamp,
                          const QVariantMap& options);
    Q_SLOT void deactivated(const QDBusObjectPath& session, const QString& id, qulonglong stamp,
                            const QVariantMap& options);

    enum class State { Checking, Creating, Binding, Bound, Failed };
    void createSession();
    void bindShortcuts();
    // Calls `method` of the interface, whose answer comes as a Response signal on the request
    // object named by the `handle_token` in `options`.
    void request(const QString& method, const QVariantList& arguments, const QString& token);
    void watchRequest(const QString& path);
    void fail(const QString& why, bool absent = false);

    QDBusConnection bus_;
    QString trigger_;
    Handlers handlers_;
    State state_ = State::Checking;
    QString requestPath_;
    QString session_;
    int tokens_ = 0;
};

}  // namespace tandri::wayland

Q_DECLARE_METATYPE(tandri::wayland::PortalShortcut::Entry)
