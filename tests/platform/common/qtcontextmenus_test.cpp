// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>

#include "platform/common/qtcontextmenus.h"
#include "support/menumodels.h"

namespace tandri {
namespace {

QMenu* openMenu() {
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

void closeAllMenus() {
    while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
}

void press(QWidget& widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(&widget, &event);
}

// Plays the user inside the menu's own event loop: each step runs once the previous one has
// been handled. A step that finds no open menu or no such line fails the test and closes the
// menus, so that popUp returns.
class User : public QObject {
public:
    void then(std::function<void()> step) { steps_.push_back(std::move(step)); }

    // Highlights the line with this title in the innermost open menu and presses Return, as
    // the keyboard chooses.
    void choose(const QString& title, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        then([title, modifiers] {
            QMenu* menu = openMenu();
            for (QAction* action : menu ? menu->actions() : QList<QAction*>()) {
                if (action->text() == title && action->isVisible()) {
                    menu->setActiveAction(action);
                    return press(*menu, Qt::Key_Return, modifiers);
                }
            }
            ADD_FAILURE() << "no line " << title.toStdString() << " in an open menu";
            closeAllMenus();
        });
    }

    void dismiss() {
        then([] {
            if (QMenu* menu = openMenu())
                return press(*menu, Qt::Key_Escape);
            ADD_FAILURE() << "no menu open to dismiss";
        });
    }

    // Starts playing once the menu is up; popUp runs right after this. Steps still pending
    // go with the user.
    void start() {
        QTimer::singleShot(0, this, [this] {
            if (steps_.empty())
                return;
            const auto step = std::move(steps_.front());
            steps_.pop_front();
            step();
            start();
        });
    }

private:
    std::deque<std::function<void()>> steps_;
};

class QtContextMenusTest : public ::testing::Test {
protected:
    void TearDown() override { closeAllMenus(); }
    // Pops the menu up with the user's steps to play in it; returns once it closed.
    void popUp() {
        user.start();
        menus.popUp(menu);
    }

    QtContextMenus menus;
    User user;
    Menu menu;
};

TEST(QtContextMenusAvailability, OnlyWhereSomeoneCanSeeTheMenu) {
    const QString platform = QGuiApplication::platformName();
    EXPECT_EQ(QtContextMenus::available(), platform != "offscreen" && platform != "minimal");
}

TEST_F(QtContextMenusTest, RunsTheChosenActionAfterTheMenuClosedAndBeforeReturning) {
    QStringList ran;
    bool menuWasOpen = true;
    menu.items = {MenuItem::titled("One", [&] { ran << "One"; })};
    // The hook runs before the menu is built.
    menu.willOpen = [&] {
        menu.items.push_back(MenuItem::titled("Two", [&] {
            ran << "Two";
            menuWasOpen = QApplication::activePopupWidget() != nullptr;
        }));
    };
    user.choose("Two");
    popUp();
    EXPECT_EQ(ran, QStringList{"Two"});
    EXPECT_FALSE(menuWasOpen);
    EXPECT_EQ(openMenu(), nullptr);
}

TEST_F(QtContextMenusTest, ChoosesInASubmenu) {
    QStringList ran;
    menu.items = {
        MenuItem::titled("Window", [&] { ran << "Window"; }),
        test::submenuItem("Options", {MenuItem::titled("Keep on Ring", [&] { ran << "Keep"; }),
                                      MenuItem::titled("Show in Files", [&] { ran << "Show"; })}),
        MenuItem::titled("Quit")};
    QString openedTitle;  // the menu goes with popUp's return; read it while it is open
    user.choose("Options");
    user.then([&] {
        if (QMenu* open = openMenu())
            openedTitle = open->title();
    });
    user.choose("Show in Files");
    popUp();
    EXPECT_EQ(openedTitle, "Options");
    EXPECT_EQ(ran, QStringList{"Show"});
}

TEST_F(QtContextMenusTest, ChoosesTheAlternateWhileAltIsHeld) {
    QStringList ran;
    menu.items = {MenuItem::titled("Hide"), MenuItem::titled("Quit", [&] { ran << "Quit"; }),
                  test::alternateItem("Force Quit", [&] { ran << "Force Quit"; })};
    user.then([] {
        if (QMenu* open = openMenu())
            press(*open, Qt::Key_Alt, Qt::AltModifier);
    });
    user.choose("Force Quit", Qt::AltModifier);
    popUp();
    EXPECT_EQ(ran, QStringList{"Force Quit"});
}

TEST_F(QtContextMenusTest, ADismissedMenuOrAModelGoneWhileItIsOpenRunsNothing) {
    int ran = 0;
    menu.items = {MenuItem::titled("Raise", [&] { ++ran; })};
    user.dismiss();
    popUp();
    EXPECT_EQ(openMenu(), nullptr);
    user.then([&] { menu.items.clear(); });
    user.choose("Raise");
    popUp();
    EXPECT_EQ(ran, 0);
}

TEST_F(QtContextMenusTest, TheChosenActionMayOpenAnotherMenu) {
    QStringList ran;
    Menu second;
    second.items = {MenuItem::titled("Inner", [&] { ran << "Inner"; })};
    menu.items = {MenuItem::titled("Outer", [&] {
        ran << "Outer";
        User inner;
        inner.choose("Inner");
        inner.start();
        menus.popUp(second);
    })};
    user.choose("Outer");
    popUp();
    EXPECT_EQ(ran, (QStringList{"Outer", "Inner"}));
}

}  // namespace
}  // namespace tandri
