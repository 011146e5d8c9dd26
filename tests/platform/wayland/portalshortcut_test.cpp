// SPDX-License-Identifier: MIT
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QStandardPaths>

#include "platform/keycodes.h"
#include "platform/wayland/portalshortcut.h"
#include "platform/wayland/waylandkeyboard.h"
#include "support/waitforevents.h"

namespace tandri::wayland::test {
namespace {

using tandri::test::patience;
using tandri::test::waitForEvents;
using Event = Keyboard::HotKeyEvent;
const QString desktopPath = QStringLiteral("/org/freedesktop/portal/desktop");

// Stands in for the session's portal: answers each request through its Response signal, binds
// (or refuses) what BindShortcuts asks for, and records the preferred trigger.
class FakePortal : public QDBusVirtualObject {
public:
    explicit FakePortal(QDBusConnection bus, uint bindResponse)
        : bus_(std::move(bus)), bindResponse_(bindResponse) {}
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
        const QVariantList in = message.arguments();
        const QString member = message.member();
        if (member == QLatin1String("Get")) {
            bus_.send(message.createReply(QVariant::fromValue(QDBusVariant(1U))));
            return true;
        }
        const QVariantMap options = qdbus_cast<QVariantMap>(in.last());
        QString sender = message.service().mid(1).replace(u'.', u'_');
        const QString request = desktopPath + QStringLiteral("/request/") + sender + u'/' +
                                options.value(QStringLiteral("handle_token")).toString();
        bus_.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        QVariantMap results;
        uint response = 0;
        if (member == QLatin1String("CreateSession")) {
            session = desktopPath + QStringLiteral("/session/") + sender + u'/' +
                      options.value(QStringLiteral("session_handle_token")).toString();
            results.insert(QStringLiteral("session_handle"), session);
        } else if (member == QLatin1String("BindShortcuts")) {
            const auto asked = qdbus_cast<QList<PortalShortcut::Entry>>(in.at(1));
            for (const PortalShortcut::Entry& entry : asked)
                bound << entry.id + u'=' +
                             entry.details.value(QStringLiteral("preferred_trigger")).toString();
            response = bindResponse_;
            results.insert(QStringLiteral("shortcuts"), QVariant::fromValue(asked));
        }
        bus_.send(QDBusMessage::createSignal(request,
                                             QStringLiteral("org.freedesktop.portal.Request"),
                                             QStringLiteral("Response"))
                  << response << results);
        return true;
    }
    void emitKey(const char* name) {
        bus_.send(QDBusMessage::createSignal(
                      desktopPath, QStringLiteral("org.freedesktop.portal.GlobalShortcuts"),
                      QString::fromLatin1(name))
                  << QVariant::fromValue(QDBusObjectPath(session)) << QStringLiteral("trigger")
                  << qulonglong(1) << QVariantMap());
    }

    QStringList bound;
    QString session;

private:
    QDBusConnection bus_;
    uint bindResponse_;
};

// The portal's GlobalShortcuts on a session bus of the test's own: the trigger bound through it
// reaches the keyboard's handlers, and a refusal leaves the compositor's binding as the way in.
TEST(PortalShortcut, TheTriggerBoundThroughThePortalReachesTheHandlers) {
    EXPECT_EQ(PortalShortcut::notation(ModifierMasks::option, QStringLiteral("space")),
              QStringLiteral("ALT+space"));
    EXPECT_EQ(PortalShortcut::notation(
                  ModifierMasks::control | ModifierMasks::command | ModifierMasks::shift,
                  QStringLiteral("F2")),
              QStringLiteral("CTRL+SHIFT+LOGO+F2"));
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
        GTEST_SKIP() << "dbus-daemon is missing (scripts/install-deps installs it)";
    QProcess daemon;
    daemon.start(QStringLiteral("dbus-daemon"),
                 {"--session", "--nofork", "--print-address=1", "--nopidfile"});
    ASSERT_TRUE(waitForEvents([&] { return daemon.canReadLine(); }, patience));
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();

    for (const uint bindResponse : {0U, 2U}) {
        const QString name = QStringLiteral("portal-%1").arg(bindResponse);
        QDBusConnection service = QDBusConnection::connectToBus(address, name);
        FakePortal portal(service, bindResponse);
        ASSERT_TRUE(service.registerVirtualObject(desktopPath, &portal));
        ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));

        WaylandKeyboard keyboard;
        keyboard.usePortal(QDBusConnection::connectToBus(address, name + QStringLiteral("-client")),
                           [](int) { return std::optional<quint32>(0x20); });  // XKB's space
        std::vector<Event> heard;
        testing::internal::CaptureStderr();
        const auto grab = keyboard.grabHotKey(KeyCodes::space, ModifierMasks::option,
                                              [&](Event event) { heard.push_back(event); });
        ASSERT_TRUE(waitForEvents([&] { return !portal.bound.isEmpty(); }, patience));
        EXPECT_EQ(portal.bound, QStringList{QStringLiteral("trigger=ALT+space")});
        if (bindResponse == 0) {
            // Bound once the answer is heard: then each press and release comes through.
            // Signals before the client listens are lost: it is pressed until it hears one.
            ASSERT_TRUE(waitForEvents([&] { return portal.emitKey("Activated"), !heard.empty(); }));
            portal.emitKey("Deactivated");
            ASSERT_TRUE(waitForEvents([&] { return heard.size() == 2; }, patience));
            EXPECT_EQ(heard, (std::vector<Event>{Event::Pressed, Event::Released}));
            EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        } else {
            ASSERT_TRUE(
                waitForEvents([&] { return !keyboard.portalProblem().isEmpty(); }, patience));
            EXPECT_EQ(keyboard.portalProblem(),
                      QStringLiteral("the desktop portal refused binding ALT+space"));
            EXPECT_THAT(testing::internal::GetCapturedStderr(),
                        testing::HasSubstr("refused binding ALT+space; the compositor's binding"));
            portal.emitKey("Activated");  // a refused session's signal is nobody's
            waitForEvents([] { return false; }, 200);
            EXPECT_TRUE(heard.empty());
            EXPECT_TRUE(keyboard.trigger(Event::Pressed, 1)) << "the binding still serves";
            EXPECT_EQ(heard, std::vector<Event>{Event::Pressed});
        }
        // Released before the next fake asks for it: a closing connection's name may linger.
        ASSERT_TRUE(service.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop")));
    }
    daemon.kill();
    daemon.waitForFinished();
}

}  // namespace
}  // namespace tandri::wayland::test
