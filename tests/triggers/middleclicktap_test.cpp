// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "platform/sim/manualqueues.h"
#include "platform/sim/simdesktop.h"
#include "support/testdesktop.h"
#include "triggers/middleclicktap.h"

namespace tandri::test {
namespace {

using Type = ButtonEvent::Type;

TEST(MiddleClickTap, TakesOnlyTheMiddleButtonAndReportsAfterTheEvent) {
    TestDesktop desktop;
    auto tap = MiddleClickTap::make(desktop.platform().pointerButtons, desktop.queues());
    ASSERT_TRUE(tap);
    std::vector<QString> events;
    tap->onDown = [&] {
        events.push_back("down");
    };
    tap->onUp = [&] {
        events.push_back("up");
    };

    // Press, drag and release: no application sees any of it.
    EXPECT_FALSE(desktop.sim().sendOtherButton(Type::Down));
    EXPECT_FALSE(desktop.sim().sendOtherButton(Type::Dragged));
    EXPECT_FALSE(desktop.sim().sendOtherButton(Type::Up));
    // The filter returns first; the ring hears of it from the main queue.
    EXPECT_TRUE(events.empty());
    desktop.queues().runMain();
    EXPECT_EQ(events, (std::vector<QString>{"down", "up"}));
    // A fourth button passes untouched and triggers nothing.
    EXPECT_TRUE(desktop.sim().sendOtherButton(Type::Down, 3));
    EXPECT_TRUE(desktop.sim().sendOtherButton(Type::Up, 3));
    desktop.queues().runMain();
    EXPECT_EQ(events.size(), 2u);
    EXPECT_EQ(desktop.sim().deliveredClicks(),
              (std::vector<QString>{"button 3 down", "button 3 up"}));
    // A press whose report is still queued when the tap goes away runs nothing.
    desktop.sim().sendOtherButton(Type::Down);
    tap.reset();
    desktop.queues().runMain();
    EXPECT_EQ(events.size(), 2u);
    // And the button reaches applications again.
    EXPECT_TRUE(desktop.sim().sendOtherButton(Type::Down));
}

}  // namespace
}  // namespace tandri::test
