// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include "platform/sim/virtualclock.h"
#include "platform/x11/x11screens.h"
#include "platform/x11/x11shieldwindow.h"
#include "x11session.h"

namespace tandri::x11::test {
namespace {

class X11ScreensTest : public ::testing::Test {
protected:
    void SetUp() override {
        connection = X11Connection::open();
        ASSERT_TRUE(connection);
        screens = std::make_unique<X11Screens>(*connection);
    }

    std::unique_ptr<X11Connection> connection;
    std::unique_ptr<X11Screens> screens;
};

TEST_F(X11ScreensTest, TheScreenAndThePointerAreInPointsWithYUp) {
    const auto all = screens->screens();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].id, QGuiApplication::primaryScreen()->name());
    EXPECT_FALSE(all[0].id.isEmpty());
    EXPECT_EQ(all[0].frame, QRectF(0, 0, 1440, 900));
    EXPECT_TRUE(all[0].frame.contains(all[0].visible));
    EXPECT_FALSE(all[0].visible.isEmpty());
    EXPECT_EQ(all[0].scale, 1.0);

    // A rectangle 20 below the top of a 900-high screen and 50 high has its bottom at 830.
    EXPECT_EQ(X11Screens::toPoints(QRectF(10, 20, 100, 50)), QRectF(10, 830, 100, 50));
    EXPECT_EQ(X11Screens::toPoints(QPoint(0, 900)), QPointF(0, 0));
    // And so is the pointer.
    for (const auto& [root, points] : {std::pair{QPoint(100, 200), QPointF(100, 700)},
                                       {QPoint(0, 0), QPointF(0, 900)},
                                       {QPoint(1439, 899), QPointF(1439, 1)}}) {
        ASSERT_TRUE(moveTo(root));
        EXPECT_EQ(screens->mouseLocation(), points);
    }
}

TEST_F(X11ScreensTest, PressedButtonsAreOneBitEach) {
    // Over another program's window, where the window manager binds nothing.
    ClickTarget target(QRect(300, 300, 200, 200));
    ASSERT_TRUE(moveTo({400, 400}));
    EXPECT_EQ(screens->pressedMouseButtons(), 0u);
    for (const auto& [step, pressed] :
         {std::pair<QStringList, unsigned>{{"mousedown", "1"}, Screens::primaryButton},
          {{"mousedown", "3"}, 0b011u},
          {{"mousedown", "2"}, 0b111u},
          {{"mouseup", "1", "mouseup", "2"}, 0b010u},
          {{"mouseup", "3"}, 0u}}) {
        ASSERT_TRUE(xdotool(step));
        EXPECT_EQ(screens->pressedMouseButtons(), pressed) << step.join(' ').toStdString();
    }
}

class OutsideClicksTest : public X11ScreensTest {
protected:
    bool clickAt(const QPoint& point, int button) {
        return moveTo(point) && xdotool({"click", QString::number(button)});
    }

    // Clicks on the other program's window, which tells when the click arrived.
    bool clickTarget(int button) {
        const size_t before = target.presses().size();
        return clickAt(target.center(), button) &&
               waitFor(*connection, [&] { return target.presses().size() > before; });
    }

    ClickTarget target{QRect(900, 100, 200, 200)};
    int clicks = 0;
};

TEST_F(OutsideClicksTest, LeftAndRightClicksInOtherProgramsAreReported) {
    auto monitor = screens->monitorOutsideClicks([&] { ++clicks; });
    ASSERT_TRUE(monitor);

    ASSERT_TRUE(clickTarget(1));
    ASSERT_TRUE(waitFor(*connection, [&] { return clicks == 1; }));
    ASSERT_TRUE(clickTarget(3));
    ASSERT_TRUE(waitFor(*connection, [&] { return clicks == 2; }));
    // The middle button and the wheel are not clicks here.
    ASSERT_TRUE(clickTarget(2));
    ASSERT_TRUE(clickTarget(4));
    settle(*connection);
    EXPECT_EQ(clicks, 2);

    monitor.reset();
    ASSERT_TRUE(clickTarget(1));
    settle(*connection);
    EXPECT_EQ(clicks, 2);
}

TEST_F(OutsideClicksTest, ClicksOnThisProgramsWindowsAreNotOutside) {
    // One window the window manager frames, one it leaves alone.
    QWindow framed;
    framed.setGeometry(300, 300, 300, 200);
    framed.show();
    QWindow bare;
    bare.setFlags(Qt::Window | Qt::BypassWindowManagerHint | Qt::FramelessWindowHint);
    bare.setGeometry(100, 600, 200, 150);
    bare.show();
    ASSERT_TRUE(waitForEvents([&] { return framed.isExposed() && bare.isExposed(); }));
    // And one outside Qt: a click shield, from (700, 600) to (850, 750) in root pixels.
    sim::VirtualClock clock;
    X11ShieldWindow shield(*connection, clock);
    int shieldClicks = 0;
    shield.setHandlers({[&](MouseButton) { ++shieldClicks; }, {}, {}, {}});
    shield.setFrame(X11Screens::toPoints(QRectF(700, 600, 150, 150)));
    shield.orderFront();

    auto monitor = screens->monitorOutsideClicks([&] { ++clicks; });
    ASSERT_TRUE(monitor);
    for (const QPoint& point :
         {framed.geometry().center(), bare.geometry().center(), QPoint(775, 675)}) {
        for (int button : {1, 3}) {
            ASSERT_TRUE(clickAt(point, button));
            // Handled while the pointer is still there, as the program would.
            settle(*connection);
        }
    }
    EXPECT_EQ(shieldClicks, 2);
    // Whatever these produced has arrived once another program's click has.
    ASSERT_TRUE(clickTarget(1));
    ASSERT_TRUE(waitFor(*connection, [&] { return clicks >= 1; }));
    settle(*connection);
    EXPECT_EQ(clicks, 1);
}

TEST_F(OutsideClicksTest, AMonitorMayRemoveItselfWhenCalled) {
    std::unique_ptr<Monitor> monitor;
    monitor = screens->monitorOutsideClicks([&] {
        ++clicks;
        monitor.reset();
    });
    auto other = screens->monitorOutsideClicks([&] { clicks += 10; });
    ASSERT_TRUE(monitor);
    ASSERT_TRUE(other);
    ASSERT_TRUE(clickTarget(1));
    ASSERT_TRUE(waitFor(*connection, [&] { return clicks == 11; }));
    EXPECT_FALSE(monitor);

    // The remaining monitor still has its events.
    ASSERT_TRUE(clickTarget(3));
    ASSERT_TRUE(waitFor(*connection, [&] { return clicks == 21; }));
}

}  // namespace
}  // namespace tandri::x11::test
