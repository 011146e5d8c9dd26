// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QProcess>
#include <memory>

#include "platform/x11/atspimenus.h"
#include "platform/x11/x11accessibility.h"
#include "platform/x11/x11connection.h"
#include "support/waitforevents.h"

#include <unistd.h>
#include <csignal>

namespace tandri::x11 {
namespace {

using test::patience;
using test::waitForEvents;
using Binding = AtspiMenus::KeyBinding;

// Control is the command modifier (no bit); Shift 1, Alt 2, Super 4, no Control 8. Beside other
// modifiers Alt is part of a shortcut; GTK's accelerator is the last field of its triple.
TEST(KeyBindings, QtShortcutsAndGtkAcceleratorsGiveTheKeyAndItsModifiers) {
    using Cases = std::vector<std::pair<const char*, Binding>>;
    const Cases qt = {{"Ctrl+N", {"N", 0}},      {"Ctrl+Shift+T", {"T", 1}},
                      {"Ctrl+Alt+O", {"O", 2}},  {"Shift+Ctrl+Alt+Meta+X", {"X", 7}},
                      {"Meta+F", {"F", 12}},     {"F5", {"F5", 8}},
                      {"Shift+Del", {"Del", 9}}, {"Ctrl++", {"+", 0}},
                      {"Ctrl+,", {",", 0}},      {"ctrl+n", {"N", 0}},
                      {"Ctrl+Alt+P", {"P", 2}},  {"Alt+F4", {"F4", 10}}};
    const Cases gtk = {{"<Control>n", {"N", 0}},
                       {"<Primary><Shift>t", {"T", 1}},
                       {"n;<Control>n", {"N", 0}},
                       {"w;<Alt>f:w;<Primary>w", {"W", 0}},
                       {";;<Control><Alt>Delete", {"Delete", 2}},
                       {";;<Primary>plus", {"+", 0}},
                       {";;<Super>comma", {",", 12}},
                       {";;<Mod1>F4", {"F4", 10}}};
    for (const Cases& cases : {qt, gtk}) {
        for (const auto& [text, binding] : cases)
            EXPECT_EQ(AtspiMenus::parseKeyBinding(text), binding) << text;
    }
}

TEST(KeyBindings, MnemonicsChordsAndNonsenseAreNoShortcut) {
    for (const char* text : {"", " ", "Alt+P", "p", "<Alt>f;<Alt>f:p;", "n;<Alt>f:n;", ";;",
                             "Ctrl+K, Ctrl+L", "<Control", "<Release>n", "Hyperdrive+N", "Ctrl+"}) {
        EXPECT_FALSE(AtspiMenus::parseKeyBinding(QString::fromUtf8(text))) << text;
    }
}

bool accessibilityBusRuns() {
    QDBusConnection session = QDBusConnection::sessionBus();
    return session.isConnected() &&
           session.interface()->isServiceRegistered(QStringLiteral("org.a11y.Bus"));
}

// The menu client, another process with a real menu bar.
class Client {
public:
    explicit Client(const QString& title, QStringList extra = {}, bool accessible = true) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (accessible)
            env.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        else
            env.remove("QT_LINUX_ACCESSIBILITY_ALWAYS_ON");
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(MENU_CLIENT), QStringList{"--label", title} + extra);
    }
    ~Client() {
        process.kill();
        process.waitForFinished(3000);
    }
    qint32 pid() const { return qint32(process.processId()); }
    QString output() {
        text += QString::fromUtf8(process.readAllStandardOutput());
        return text;
    }
    QProcess process;
    QString text;
};

class X11Menus : public ::testing::Test {
protected:
    void SetUp() override {
        connection = X11Connection::open();
        ASSERT_TRUE(connection) << "no X server";
        accessibility = std::make_unique<X11Accessibility>(*connection);
        ASSERT_TRUE(accessibilityBusRuns()) << "run with X_A11Y_BUS=1";
    }

    /// Waits until the process shows a window and publishes its menu bar.
    std::optional<std::vector<AXMenu>> menusOf(qint32 pid, int timeoutMs = 15000) {
        std::optional<std::vector<AXMenu>> menus;
        waitForEvents([&] { return (menus = accessibility->menuBar(pid)).has_value(); }, timeoutMs);
        return menus;
    }
    bool hasWindow(qint32 pid) {
        return waitForEvents([&] { return !accessibility->windows(pid).empty(); }, patience);
    }
    QString titleOf(qint32 pid) {
        const auto windows = accessibility->windows(pid);
        return windows.empty() ? QString() : windows.front().title.value_or(QString());
    }

    std::unique_ptr<X11Connection> connection;
    std::unique_ptr<X11Accessibility> accessibility;
};

// Each item as its title, its shortcut's key and modifiers when it has one, and its submenu.
QStringList described(const std::vector<AXMenuItem>& items) {
    QStringList list;
    for (const AXMenuItem& item : items) {
        QString text = item.title.value_or(QStringLiteral("<none>"));
        if (item.cmdChar || item.cmdModifiers)
            text += QStringLiteral(" %1 %2")
                        .arg(item.cmdChar.value_or("-"))
                        .arg(item.cmdModifiers.value_or(-1));
        if (!item.submenu.empty())
            text += " [" + described(item.submenu).join(", ") + "]";
        list << text;
    }
    return list;
}

TEST_F(X11Menus, ReadsTheMenusOfAnAppAndPressingAnItemRunsItsCommand) {
    EXPECT_EQ(accessibility->fileMenuIndex(), 0);
    Client client("Menus");
    ASSERT_TRUE(hasWindow(client.pid()));
    const auto menus = menusOf(client.pid());
    ASSERT_TRUE(menus) << "the client never published its menu bar";
    // In order, without the separator; "Print…" has a mnemonic only.
    QStringList bar;
    for (const AXMenu& menu : *menus)
        bar << menu.title.value_or("<none>") + ": " + described(menu.items).join(", ");
    EXPECT_EQ(bar, QStringList({"File: New Window N 0, New Tab T 0, Open… O 0, New [Document N 1, "
                                "From Template], Print…, Reload F5 8, Export E 2, Close Window W 1",
                                "Edit: Undo Z 0", "View: Full Screen F 12, Zoom In + 0"}));
    const auto& file = (*menus)[0].items;
    // Every item has an element of its own, of the app's process.
    ASSERT_EQ(file.size(), 8u);
    EXPECT_NE(file[1].element, file[0].element);
    for (const AXMenuItem& item : file) EXPECT_EQ(item.element.pid, client.pid());
    EXPECT_EQ(file[3].submenu.at(0).element.pid, client.pid());

    accessibility->press(file[1].element);
    EXPECT_TRUE(
        waitForEvents([&] { return client.output().contains("triggered: New Tab"); }, patience))
        << client.output().toStdString();
    EXPECT_TRUE(waitForEvents([&] { return titleOf(client.pid()) == "Menus — New Tab"; }, patience))
        << titleOf(client.pid()).toStdString();
    EXPECT_FALSE(client.output().contains("New Window")) << "only the pressed one";

    // An item of a submenu, never opened.
    ASSERT_EQ(file[3].submenu.size(), 2u);
    accessibility->press(file[3].submenu[1].element);
    EXPECT_TRUE(waitForEvents([&] { return client.output().contains("triggered: From Template"); },
                              patience))
        << client.output().toStdString();

    // Elements of another process, or that name nothing, are ignored.
    accessibility->press({client.pid(), QStringLiteral("garbage")});
    accessibility->press({client.pid(), QString()});
    accessibility->press({client.pid(), QStringLiteral(":1.9999 /org/a11y/atspi/accessible/1")});
}

TEST_F(X11Menus, AppsThatPublishNoMenuBarGiveNothing) {
    QProcess xterm;
    xterm.start(QStringLiteral("xterm"), {"-T", "Plain"});
    ASSERT_TRUE(xterm.waitForStarted());
    ASSERT_TRUE(hasWindow(qint32(xterm.processId())));
    Client bare("Bare", {"--no-menu-bar"});
    Client silent("Silent", {}, false);
    Client full("Full");
    ASSERT_TRUE(hasWindow(bare.pid()) && hasWindow(silent.pid()));
    ASSERT_TRUE(menusOf(full.pid())) << "the bus works";

    EXPECT_FALSE(accessibility->menuBar(qint32(xterm.processId()))) << "not on the bus";
    EXPECT_FALSE(accessibility->menuBar(bare.pid())) << "on the bus without a menu bar";
    EXPECT_FALSE(accessibility->menuBar(silent.pid())) << "its accessibility is off";
    EXPECT_FALSE(accessibility->menuBar(X11Accessibility::classPID("XTerm")));
    EXPECT_FALSE(accessibility->menuBar(qint32(getpid()))) << "never this process itself";
    EXPECT_FALSE(accessibility->menuBar(0));
    xterm.kill();
    xterm.waitForFinished();
}

TEST_F(X11Menus, AnAppThatDoesNotAnswerCostsAShortWaitAndGivesNothing) {
    Client client("Frozen");
    ASSERT_TRUE(hasWindow(client.pid()));
    ASSERT_TRUE(menusOf(client.pid()));
    ASSERT_EQ(kill(client.pid(), SIGSTOP), 0);
    QElapsedTimer elapsed;
    elapsed.start();
    const auto menus = accessibility->menuBar(client.pid());
    const qint64 took = elapsed.elapsed();
    kill(client.pid(), SIGCONT);
    EXPECT_FALSE(menus);
    // Bounded well below the bus's own 25 s, however loaded the machine: the short timeouts
    // per level are the program's, the rest is scheduling.
    EXPECT_LT(took, 12000) << "the bus's own timeout, not a short one";
    // Once it answers again, so does its menu bar.
    EXPECT_TRUE(menusOf(client.pid(), patience));
}

// Runs only in the session without an accessibility bus.
TEST(WithoutAccessibilityBus, MenuBarsAreAbsentAtOnceAndNoBusIsStarted) {
    if (qEnvironmentVariable("X_A11Y_BUS") == "1" || accessibilityBusRuns())
        GTEST_SKIP() << "this session has an accessibility bus";
    auto connection = X11Connection::open();
    ASSERT_TRUE(connection);
    X11Accessibility accessibility(*connection);
    Client client("Lonely");
    ASSERT_TRUE(
        waitForEvents([&] { return !accessibility.windows(client.pid()).empty(); }, patience));
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_FALSE(accessibility.menuBar(client.pid()));
    EXPECT_LT(elapsed.elapsed(), 3000) << "no wait for a bus that is not there";
    EXPECT_FALSE(accessibilityBusRuns()) << "asking must not start one";
}

}  // namespace
}  // namespace tandri::x11
