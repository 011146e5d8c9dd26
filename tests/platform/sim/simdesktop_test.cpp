// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "platform/overlay.h"
#include "platform/screens.h"
#include "platform/sim/simoverlaywindow.h"
#include "platform/sim/simtesting.h"
#include "platform/system.h"

namespace tandri::sim {
namespace {

using testing::load;

TEST(SimDesktop, MemoryReliefIsCountedAndLogged) {
    auto desktop = load("{}");
    desktop->system().relieveMemory();
    desktop->system().relieveMemory();
    EXPECT_EQ(desktop->memoryReliefs(), 2);
    EXPECT_EQ(desktop->actions(), (std::vector<QString>{"relieve-memory", "relieve-memory"}));
}

TEST(SimScreens, OutsideClicksReachTheMonitorsStillInstalled) {
    auto desktop = load("{}");
    Screens& screens = desktop->screens();
    std::string calls;
    auto first = screens.monitorOutsideClicks([&] { calls += '1'; });
    auto second = screens.monitorOutsideClicks([&] { calls += '2'; });
    desktop->clickInOtherApp();
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
    desktop->clickInOtherApp();
    desktop->clickInOtherApp();
    EXPECT_EQ(calls, "as");
}

TEST(SimOverlays, PanelAndShieldsInOrderOfMaking) {
    auto desktop = load("{}");
    Overlays& overlays = desktop->overlays();
    EXPECT_EQ(desktop->panel(), nullptr);
    EXPECT_TRUE(desktop->shields().empty());

    auto shieldA = overlays.makeShield();
    auto panel = overlays.makePanel();
    auto shieldB = overlays.makeShield();
    const auto sim = [](auto& window) {
        return static_cast<SimOverlayWindow*>(window.get());
    };
    EXPECT_EQ(desktop->panel(), panel.get());
    EXPECT_EQ(desktop->shields(), (std::vector{sim(shieldA), sim(shieldB)}));

    // Windows that are gone are no longer reported.
    shieldA.reset();
    EXPECT_EQ(desktop->shields(), (std::vector{sim(shieldB)}));
    panel.reset();
    EXPECT_EQ(desktop->panel(), nullptr);
}

TEST(SimOverlays, WindowsRecordWhatTheyWereToldAndOnlyOneHasTheFocus) {
    auto desktop = load("{}");
    auto made = desktop->overlays().makePanel();
    SimOverlayWindow& panel = *desktop->panel();
    EXPECT_FALSE(panel.isVisible());
    EXPECT_FALSE(panel.isKey());
    made->orderFront();
    made->makeKey();
    made->setAcceptsMouseEvents(false);
    EXPECT_FALSE(panel.acceptsMouseEvents());
    EXPECT_TRUE(panel.isVisible());
    EXPECT_TRUE(panel.isKey());
    EXPECT_EQ(panel.orderFrontCount(), 1);

    auto shield = desktop->overlays().makeShield();
    shield->makeKey();
    EXPECT_FALSE(panel.isKey());
    made->makeKey();
    made->orderOut();
    EXPECT_FALSE(panel.isVisible());
    EXPECT_FALSE(panel.isKey()) << "a window ordered out has none";
}

TEST(SimOverlays, ClicksAndKeysGoToTheHandlers) {
    auto desktop = load("{}");
    auto made = desktop->overlays().makePanel();
    SimOverlayWindow& panel = *desktop->panel();
    // No handlers: the events are ignored.
    panel.mouseDown(MouseButton::Left);
    panel.keyDown({53, 0});

    std::vector<int> events;  // buttons as they are numbered, keys by their codes
    OverlayHandlers handlers;
    handlers.mouseDown = [&](MouseButton button) {
        events.push_back(int(button));
    };
    handlers.keyDown = [&](const KeyEvent& event) {
        events.push_back(event.keyCode);
    };
    made->setHandlers(handlers);
    panel.mouseDown(MouseButton::Right);
    panel.keyDown({36, KeyEvent::commandFlag});
    EXPECT_EQ(events, (std::vector<int>{int(MouseButton::Right), 36}));
    EXPECT_TRUE(bool(panel.handlers().mouseDown));
    EXPECT_FALSE(bool(panel.handlers().drop));

    // A handler that replaces the handlers while it runs.
    handlers.mouseDown = [&](MouseButton) {
        made->setHandlers({});
    };
    made->setHandlers(handlers);
    panel.mouseDown(MouseButton::Left);
    EXPECT_FALSE(bool(panel.handlers().mouseDown));
}

TEST(SimDesktop, MonitorsAndWindowsMayOutliveTheDesktop) {
    auto desktop = load("{}");
    int calls = 0;
    auto monitor = desktop->screens().monitorOutsideClicks([&] { ++calls; });
    auto panel = desktop->overlays().makePanel();
    auto shield = desktop->overlays().makeShield();
    desktop.reset();
    // Under the sanitizers anything reaching back into the gone desktop would be reported.
    monitor.reset();
    EXPECT_EQ(calls, 0);
    panel->makeKey();
    EXPECT_TRUE(static_cast<SimOverlayWindow&>(*panel).isKey());
    shield.reset();
}

}  // namespace
}  // namespace tandri::sim
