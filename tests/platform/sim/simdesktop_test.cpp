#include <gtest/gtest.h>

#include "platform/overlay.h"
#include "platform/screens.h"
#include "platform/sim/simoverlaywindow.h"
#include "platform/sim/simtesting.h"
#include "platform/system.h"

namespace tandri::sim {
namespace {

using testing::load;
using testing::strs;

TEST(SimScreens, ThePointerAndButtonsAreScripted) {
    auto desktop = load("{}");
    desktop->setMouseLocation({10, 20});
    desktop->setPressedMouseButtons(Screens::primaryButton);
    EXPECT_EQ(desktop->screens().mouseLocation(), QPointF(10, 20));
    EXPECT_EQ(desktop->screens().pressedMouseButtons(), Screens::primaryButton);
}

TEST(SimScreens, OutsideClicksReachTheMonitorsStillInstalled) {
    auto desktop = load("{}");
    Screens& screens = desktop->screens();
    std::string calls;
    auto first = screens.monitorOutsideClicks([&] { calls += '1'; });
    auto second = screens.monitorOutsideClicks([&] { calls += '2'; });
    ASSERT_NE(first, nullptr);
    desktop->clickInOtherApp();
    EXPECT_EQ(calls, "12");

    second.reset();
    desktop->clickInOtherApp();
    EXPECT_EQ(calls, "121");

    // Closing the ring removes monitors from inside a monitor's callback.
    std::unique_ptr<Monitor> third;
    first = screens.monitorOutsideClicks([&] {
        calls += 'a';
        third.reset();
    });
    third = screens.monitorOutsideClicks([&] { calls += 'b'; });
    calls.clear();
    desktop->clickInOtherApp();
    EXPECT_EQ(calls, "a");

    // A callback may remove its own monitor.
    first = screens.monitorOutsideClicks([&] {
        calls += 's';
        first.reset();
    });
    calls.clear();
    desktop->clickInOtherApp();
    desktop->clickInOtherApp();
    EXPECT_EQ(calls, "s");
}

TEST(SimScreens, MonitorsMayOutliveTheDesktop) {
    auto desktop = load("{}");
    int calls = 0;
    auto monitor = desktop->screens().monitorOutsideClicks([&] { ++calls; });
    desktop.reset();
    monitor.reset();
    EXPECT_EQ(calls, 0);
}

TEST(SimOverlays, PanelAndShieldsInOrderOfMaking) {
    auto desktop = load("{}");
    Overlays& overlays = desktop->overlays();
    EXPECT_EQ(desktop->panel(), nullptr);
    EXPECT_TRUE(desktop->shields().empty());

    auto shieldA = overlays.makeShield();
    auto panel = overlays.makePanel();
    auto shieldB = overlays.makeShield();
    EXPECT_EQ(desktop->panel(), panel.get());
    ASSERT_EQ(desktop->shields().size(), 2u);
    EXPECT_EQ(desktop->shields()[0], shieldA.get());
    EXPECT_EQ(desktop->shields()[1], shieldB.get());

    // Windows that are gone are no longer reported.
    shieldA.reset();
    EXPECT_EQ(desktop->shields(),
              (std::vector<SimOverlayWindow*>{static_cast<SimOverlayWindow*>(shieldB.get())}));
    panel.reset();
    EXPECT_EQ(desktop->panel(), nullptr);
}

TEST(SimOverlays, WindowsRecordWhatTheyWereTold) {
    auto desktop = load("{}");
    auto made = desktop->overlays().makePanel();
    SimOverlayWindow& panel = *desktop->panel();
    EXPECT_FALSE(panel.isVisible());
    EXPECT_FALSE(panel.isKey());

    made->setFrame({100, 200, 300, 300});
    made->orderFront();
    made->makeKey();
    made->setAcceptsMouseEvents(false);
    made->setBackdropAlpha(0.25);
    EXPECT_EQ(panel.frame(), QRectF(100, 200, 300, 300));
    EXPECT_TRUE(panel.isVisible());
    EXPECT_TRUE(panel.isKey());
    EXPECT_FALSE(panel.acceptsMouseEvents());
    EXPECT_EQ(panel.backdropAlpha(), 0.25);
    EXPECT_EQ(panel.orderFrontCount(), 1);

    // Only one window has the keyboard focus, and a window ordered out has none.
    auto shield = desktop->overlays().makeShield();
    shield->makeKey();
    EXPECT_FALSE(panel.isKey());
    made->makeKey();
    made->orderOut();
    EXPECT_FALSE(panel.isVisible());
    EXPECT_FALSE(panel.isKey());
}

TEST(SimOverlays, ClicksAndKeysGoToTheHandlers) {
    auto desktop = load("{}");
    auto made = desktop->overlays().makePanel();
    SimOverlayWindow& panel = *desktop->panel();
    // No handlers: the events are ignored.
    panel.mouseDown(MouseButton::Left);
    panel.keyDown({53, 0});

    std::vector<MouseButton> clicks;
    std::vector<int> keys;
    OverlayHandlers handlers;
    handlers.mouseDown = [&](MouseButton button) {
        clicks.push_back(button);
    };
    handlers.keyDown = [&](const KeyEvent& event) {
        keys.push_back(event.keyCode);
    };
    made->setHandlers(handlers);
    panel.mouseDown(MouseButton::Right);
    panel.keyDown({36, KeyEvent::commandFlag});
    EXPECT_EQ(clicks, (std::vector<MouseButton>{MouseButton::Right}));
    EXPECT_EQ(keys, (std::vector<int>{36}));
    EXPECT_TRUE(bool(panel.handlers().mouseDown));
    EXPECT_FALSE(bool(panel.handlers().drop));

    // A handler that replaces the handlers while it runs.
    OverlayHandlers replacing;
    replacing.mouseDown = [&](MouseButton) {
        made->setHandlers({});
    };
    made->setHandlers(replacing);
    panel.mouseDown(MouseButton::Left);
    EXPECT_FALSE(bool(panel.handlers().mouseDown));
}

TEST(SimOverlays, WindowsMayOutliveTheDesktop) {
    auto desktop = load("{}");
    auto panel = desktop->overlays().makePanel();
    auto shield = desktop->overlays().makeShield();
    desktop.reset();
    // Under the sanitizers a window reaching back into the gone desktop would be reported.
    panel->makeKey();
    EXPECT_TRUE(static_cast<SimOverlayWindow&>(*panel).isKey());
    shield.reset();
}

TEST(SimSystem, MemoryReliefIsCountedAndLogged) {
    auto desktop = load("{}");
    EXPECT_EQ(desktop->memoryReliefs(), 0);
    desktop->system().relieveMemory();
    desktop->system().relieveMemory();
    EXPECT_EQ(desktop->memoryReliefs(), 2);
    EXPECT_EQ(strs(desktop->actions()),
              (std::vector<std::string>{"relieve-memory", "relieve-memory"}));
}

}  // namespace
}  // namespace tandri::sim
