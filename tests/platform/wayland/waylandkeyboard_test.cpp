// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "platform/wayland/waylandkeyboard.h"

namespace tandri::wayland::test {
namespace {

using Event = Keyboard::HotKeyEvent;

// Each `tandri --trigger` is a process of its own, so a quick tap's release can reach the running
// copy before its press: the stamps of when each started say the order the keys went in.
TEST(WaylandKeyboard, TriggersAreHeardInTheOrderTheKeysWent) {
    const struct {
        const char* name;
        std::vector<std::pair<Event, qint64>> arriving;
        std::vector<Event> heard;
    } cases[] = {
        {"in order",
         {{Event::Pressed, 1}, {Event::Released, 2}},
         {Event::Pressed, Event::Released}},
        {"a tap's release first",
         {{Event::Released, 2}, {Event::Pressed, 1}},
         {Event::Pressed, Event::Released}},
        {"a release of nothing held", {{Event::Released, 5}}, {}},
        {"a tap's release first, stamped first too",
         {{Event::Released, 1000}, {Event::Pressed, 2000}},
         {Event::Pressed, Event::Released}},
        {"a press long after a release",
         {{Event::Released, 1}, {Event::Pressed, 2000001}},
         {Event::Pressed}},
        {"two holds",
         {{Event::Pressed, 1}, {Event::Released, 2}, {Event::Pressed, 3}, {Event::Released, 4}},
         {Event::Pressed, Event::Released, Event::Pressed, Event::Released}},
    };
    for (const auto& c : cases) {
        WaylandKeyboard keyboard;
        std::vector<Event> heard;
        const auto grab =
            keyboard.grabHotKey(49, 2048, [&](Event event) { heard.push_back(event); });
        ASSERT_TRUE(grab);
        for (const auto& [event, stamp] : c.arriving) keyboard.trigger(event, stamp);
        EXPECT_EQ(heard, c.heard) << c.name;
    }
}

TEST(WaylandKeyboard, NobodyHearsTheTriggerOnceTheGrabIsGone) {
    WaylandKeyboard keyboard;
    int heard = 0;
    auto grab = keyboard.grabHotKey(49, 2048, [&](Event) { ++heard; });
    EXPECT_TRUE(keyboard.trigger(Event::Pressed, 1));
    grab = {};
    EXPECT_FALSE(keyboard.trigger(Event::Released, 2));
    EXPECT_EQ(heard, 1);
}

}  // namespace
}  // namespace tandri::wayland::test
