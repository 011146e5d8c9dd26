// SPDX-License-Identifier: MIT
#pragma once

// A program's windows as it publishes them on the accessibility bus (AT-SPI over D-Bus), read
// and pressed the way a screen reader would: tests find controls by role and name instead of by
// pixel positions that any font change would move.
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <functional>
#include <optional>
#include <vector>

namespace tandri::test {

class AccessibleTree {
public:
    struct Node {
        QString service;
        QString path;
    };

    /// The tree of the process `pid`, once it is on the bus (it may take a moment to get there).
    explicit AccessibleTree(qint64 pid) : pid_(pid) {
        QDBusConnection session = QDBusConnection::sessionBus();
        const QDBusMessage reply = session.call(QDBusMessage::createMethodCall(
            "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress"));
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
            bus_ = QDBusConnection::connectToBus(reply.arguments().front().toString(),
                                                 QStringLiteral("e2e-a11y-%1").arg(pid));
    }
    ~AccessibleTree() {
        QDBusConnection::disconnectFromBus(QStringLiteral("e2e-a11y-%1").arg(pid_));
    }

    /// Whether the session has an accessibility bus.
    static bool busRuns() {
        const auto* bus = QDBusConnection::sessionBus().interface();
        return bus && bus->isServiceRegistered("org.a11y.Bus");
    }

    /// The application's root, when the process is on the bus.
    std::optional<Node> root() {
        if (!bus_ || !bus_->isConnected())
            return std::nullopt;
        for (const QString& name : bus_->interface()->registeredServiceNames().value()) {
            if (name.startsWith(u':') && bus_->interface()->servicePid(name).value() == pid_)
                return Node{name, QStringLiteral("/org/a11y/atspi/accessible/root")};
        }
        return std::nullopt;
    }

    /// The first node, depth first, with this role ("push button", "page tab", "check box",
    /// "combo box", "label"...) whose name passes `named`.
    std::optional<Node> find(const QString& role,
                             const std::function<bool(const QString&)>& named) {
        const std::optional<Node> top = root();
        return top ? find(*top, role, named, 0) : std::nullopt;
    }
    std::optional<Node> find(const QString& role, const QString& name) {
        return find(role, [&](const QString& n) { return n == name; });
    }

    QString name(const Node& node) {
        const QDBusMessage reply = call(node, "org.freedesktop.DBus.Properties", "Get",
                                        {"org.a11y.atspi.Accessible", "Name"});
        return reply.arguments().isEmpty()
                   ? QString()
                   : reply.arguments().front().value<QDBusVariant>().variant().toString();
    }
    QString role(const Node& node) {
        const QDBusMessage reply = call(node, "org.a11y.atspi.Accessible", "GetRoleName");
        return reply.arguments().isEmpty() ? QString() : reply.arguments().front().toString();
    }
    /// Whether a state bit is set (23: selected, 4: checked, 12: focused).
    bool state(const Node& node, int bit) {
        const QDBusMessage reply = call(node, "org.a11y.atspi.Accessible", "GetState");
        if (reply.arguments().isEmpty())
            return false;
        const QDBusArgument words = reply.arguments().front().value<QDBusArgument>();
        std::vector<quint32> bits;
        words.beginArray();
        while (!words.atEnd()) {
            quint32 word = 0;
            words >> word;
            bits.push_back(word);
        }
        words.endArray();
        const std::size_t index = std::size_t(bit / 32);
        return index < bits.size() && (bits[index] >> (bit % 32)) & 1u;
    }
    /// Runs the control's first action, as a click would.
    bool press(const Node& node) {
        return call(node, "org.a11y.atspi.Action", "DoAction", {0}).type() ==
               QDBusMessage::ReplyMessage;
    }
    std::vector<Node> children(const Node& node) {
        std::vector<Node> result;
        const QDBusMessage reply = call(node, "org.a11y.atspi.Accessible", "GetChildren");
        if (reply.arguments().isEmpty())
            return result;
        const QDBusArgument list = reply.arguments().front().value<QDBusArgument>();
        list.beginArray();
        while (!list.atEnd()) {
            QString service;
            QDBusObjectPath path;
            list.beginStructure();
            list >> service >> path;
            list.endStructure();
            result.push_back({service, path.path()});
        }
        list.endArray();
        return result;
    }

private:
    QDBusMessage call(const Node& node, const QString& interface, const QString& method,
                      const QVariantList& arguments = {}) {
        if (!bus_)
            return {};
        QDBusMessage message =
            QDBusMessage::createMethodCall(node.service, node.path, interface, method);
        message.setArguments(arguments);
        return bus_->call(message, QDBus::Block, 5000);
    }
    std::optional<Node> find(const Node& node, const QString& role,
                             const std::function<bool(const QString&)>& named, int depth) {
        if (depth > 40)
            return std::nullopt;
        if (this->role(node) == role && named(name(node)))
            return node;
        for (const Node& child : children(node)) {
            if (auto found = find(child, role, named, depth + 1))
                return found;
        }
        return std::nullopt;
    }

    qint64 pid_;
    std::optional<QDBusConnection> bus_;
};

}  // namespace tandri::test
