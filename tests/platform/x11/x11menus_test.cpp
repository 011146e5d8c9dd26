#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QProcess>
#include <QWindow>
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

TEST(KeyBindings, QtShortcutsGiveTheKeyAndControlAsTheCommandModifier) {
    EXPECT_EQ(AtspiMenus::parseKeyBinding("Ctrl+N"), (Binding{"N", 0}));
    EXPECT_EQ(AtspiMenus::parseKeyBinding("Ctrl+Shift+T"), (Binding{"T", 1}));
    EXPECT_EQ(AtspiMenus::parseKeyBinding("Ctrl+Alt+O"), (Binding{"O", 2}));
    EXPECT_EQ(AtspiMenus::parseKeyBinding("Shift+Ctrl+Alt+Meta+X"), (Binding{"X", 7}));
    EXPECT_EQ(AtspiMenus::parseKeyBinding("Meta+F"), (Binding{"F", 12})) << "no Control: 8";
    EXPECT_EQ(AtspiMenus::parseKeyBinding("F5"), (Binding{"F5", 8}));
    EXPECT_EQ(AtspiMenus::parseKeyBinding("Shift+Del"), (Binding{"Del", 9}));
    EXPECT_EQ(AtspiMenus::parseKeyBinding("Ctrl++"), (Binding{"+", 0})) << "the plus key";
    EXPECT_EQ(AtspiMenus::parseKeyBinding("Ctrl+,"), (Binding{",", 0}));
    EXPECT_EQ(AtspiMenus::parseKeyBinding("ctrl+n"), (Binding{"N", 0}));
}

TEST(KeyBindings, GtkAcceleratorsAreTheLastOfTheirFields) {
    EXPECT_EQ(AtspiMenus::parseKeyBinding("<Control>n"), (Binding{"N", 0}));
    EXPECT_EQ(AtspiMenus::parseKeyBinding("<Primary><Shift>t"), (Binding{"T", 1}));
    EXPECT_EQ(AtspiMenus::parseKeyBinding("n;<Control>n"), (Binding{"N", 0}));
    EXPECT_EQ(AtspiMenus::parseKeyBinding("w;<Alt>f:w;<Primary>w"), (Binding{"W", 0}));
    EXPECT_EQ(AtspiMenus::parseKeyBinding(";;<Control><Alt>Delete"), (Binding{"Delete", 2}));
    EXPECT_EQ(AtspiMenus::parseKeyBinding(";;<Primary>plus"), (Binding{"+", 0}));
    EXPECT_EQ(AtspiMenus::parseKeyBinding(";;<Super>comma"), (Binding{",", 12}));
    EXPECT_EQ(AtspiMenus::parseKeyBinding(";;<Mod1>F4"), (Binding{"F4", 10}));
}

TEST(KeyBindings, MnemonicsChordsAndNonsenseAreNoShortcut) {
    for (const char* text : {"", " ", "Alt+P", "p", "<Alt>f;<Alt>f:p;", "n;<Alt>f:n;", ";;",
                             "Ctrl+K, Ctrl+L", "<Control", "<Release>n", "Hyperdrive+N", "Ctrl+"}) {
        EXPECT_FALSE(AtspiMenus::parseKeyBinding(QString::fromUtf8(text))) << text;
    }
    // Beside other modifiers, Alt is part of a shortcut.
    EXPECT_EQ(AtspiMenus::parseKeyBinding("Ctrl+Alt+P"), (Binding{"P", 2}));
    EXPECT_EQ(AtspiMenus::parseKeyBinding("Alt+F4"), (Binding{"F4", 10}));
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

const AXMenuItem* itemTitled(const std::vector<AXMenuItem>& items, const QString& title) {
    for (const AXMenuItem& item : items) {
        if (item.title == title)
            return &item;
    }
    return nullptr;
}

QStringList titles(const std::vector<AXMenuItem>& items) {
    QStringList list;
    for (const AXMenuItem& item : items) list << item.title.value_or(QStringLiteral("<none>"));
    return list;
}

TEST_F(X11Menus, ReadsTheMenusTheirItemsShortcutsAndSubmenus) {
    ASSERT_TRUE(accessibilityBusRuns()) << "run with X_A11Y_BUS=1";
    EXPECT_EQ(accessibility->fileMenuIndex(), 0);
    Client client("Menus");
    ASSERT_TRUE(hasWindow(client.pid()));
    const auto menus = menusOf(client.pid());
    ASSERT_TRUE(menus) << "the client never published its menu bar";
    ASSERT_EQ(menus->size(), 3u);
    EXPECT_EQ((*menus)[0].title, "File");
    EXPECT_EQ((*menus)[1].title, "Edit");
    EXPECT_EQ((*menus)[2].title, "View");

    const auto& file = (*menus)[0].items;
    EXPECT_EQ(titles(file), QStringList({"New Window", "New Tab", "Open…", "New", "Print…",
                                         "Reload", "Export", "Close Window"}))
        << "in order, without the separator";
    auto expectShortcut = [&](const std::vector<AXMenuItem>& items, const QString& title,
                              std::optional<QString> key, std::optional<qint64> modifiers) {
        const AXMenuItem* item = itemTitled(items, title);
        ASSERT_TRUE(item) << title.toStdString();
        EXPECT_EQ(item->cmdChar, key) << title.toStdString();
        EXPECT_EQ(item->cmdModifiers, modifiers) << title.toStdString();
        EXPECT_EQ(item->element.pid, client.pid());
    };
    expectShortcut(file, "New Window", "N", 0);
    expectShortcut(file, "New Tab", "T", 0);
    expectShortcut(file, "Open…", "O", 0);
    expectShortcut(file, "Print…", std::nullopt, std::nullopt);  // a mnemonic only
    expectShortcut(file, "Reload", "F5", 8);
    expectShortcut(file, "Export", "E", 2);
    expectShortcut(file, "Close Window", "W", 1);
    expectShortcut((*menus)[1].items, "Undo", "Z", 0);
    expectShortcut((*menus)[2].items, "Full Screen", "F", 12);
    expectShortcut((*menus)[2].items, "Zoom In", "+", 0);

    const AXMenuItem* fresh = itemTitled(file, "New");
    ASSERT_TRUE(fresh);
    EXPECT_EQ(titles(fresh->submenu), QStringList({"Document", "From Template"}));
    expectShortcut(fresh->submenu, "Document", "N", 1);
    expectShortcut(fresh->submenu, "From Template", std::nullopt, std::nullopt);
    for (const AXMenuItem& item : file) {
        if (item.title != "New") {
            EXPECT_TRUE(item.submenu.empty()) << item.title->toStdString();
        }
    }
    // Every item has an element of its own.
    EXPECT_NE(itemTitled(file, "New Tab")->element, itemTitled(file, "New Window")->element);
}

TEST_F(X11Menus, PressingAnItemRunsItsCommandInTheApp) {
    ASSERT_TRUE(accessibilityBusRuns()) << "run with X_A11Y_BUS=1";
    Client client("Presser");
    ASSERT_TRUE(hasWindow(client.pid()));
    const auto menus = menusOf(client.pid());
    ASSERT_TRUE(menus && !menus->empty());
    const AXMenuItem* tab = itemTitled((*menus)[0].items, "New Tab");
    ASSERT_TRUE(tab);
    accessibility->press(tab->element);
    EXPECT_TRUE(
        waitForEvents([&] { return client.output().contains("triggered: New Tab"); }, patience))
        << client.output().toStdString();
    EXPECT_TRUE(
        waitForEvents([&] { return titleOf(client.pid()) == "Presser — New Tab"; }, patience))
        << titleOf(client.pid()).toStdString();
    EXPECT_FALSE(client.output().contains("New Window")) << "only the pressed one";

    // An item of a submenu, never opened.
    const AXMenuItem* fresh = itemTitled((*menus)[0].items, "New");
    ASSERT_TRUE(fresh && fresh->submenu.size() == 2);
    accessibility->press(fresh->submenu[1].element);
    EXPECT_TRUE(waitForEvents([&] { return client.output().contains("triggered: From Template"); },
                              patience))
        << client.output().toStdString();

    // Elements of another process, or that name nothing, are ignored.
    accessibility->press({client.pid(), QStringLiteral("garbage")});
    accessibility->press({client.pid(), QString()});
    accessibility->press({client.pid(), QStringLiteral(":1.9999 /org/a11y/atspi/accessible/1")});
}

TEST_F(X11Menus, AppsThatPublishNoMenuBarGiveNothing) {
    ASSERT_TRUE(accessibilityBusRuns()) << "run with X_A11Y_BUS=1";
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
    ASSERT_TRUE(accessibilityBusRuns()) << "run with X_A11Y_BUS=1";
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

TEST_F(X11Menus, MainWindowIsTheFrontOneThatIsNotMinimized) {
    const qint32 self = qint32(getpid());
    QWindow back, front;
    back.setTitle(QStringLiteral("Back"));
    front.setTitle(QStringLiteral("Front"));
    back.setGeometry(40, 40, 200, 150);
    front.setGeometry(300, 40, 200, 150);
    back.show();
    ASSERT_TRUE(waitForEvents([&] { return accessibility->windows(self).size() == 1; }));
    front.show();
    const auto titlesAndMain = [&] {
        QStringList list;
        for (const AXWindow& w : accessibility->windows(self)) {
            list << w.title.value_or(QString()) + (w.main == true    ? "*"
                                                   : w.main == false ? ""
                                                                     : "?");
        }
        return list;
    };
    EXPECT_TRUE(waitForEvents(
        [&] {
            return titlesAndMain() == QStringList({"Front*", "Back"});
        },
        5000))
        << titlesAndMain().join(", ").toStdString();

    const auto element = [&](const QString& title) {
        for (const AXWindow& w : accessibility->windows(self)) {
            if (w.title == title)
                return w.element;
        }
        return WindowElement{};
    };
    accessibility->setMinimized(element("Front"), true);
    EXPECT_TRUE(waitForEvents(
        [&] {
            const auto list = titlesAndMain();
            return list.contains("Back*") && list.contains("Front");
        },
        5000))
        << titlesAndMain().join(", ").toStdString();
    accessibility->setMinimized(element("Back"), true);
    EXPECT_TRUE(waitForEvents(
        [&] {
            const auto list = titlesAndMain();
            return list.contains("Back") && list.contains("Front");
        },
        5000))
        << "all minimized: none is main; " << titlesAndMain().join(", ").toStdString();
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
