// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "platform/sim/simdesktop.h"
#include "support/testdesktop.h"
#include "triggers/hotkey.h"

namespace tandri::test {
namespace {

using Pair = std::pair<qint64, qint64>;

TEST(HotKey, HoldingTheKeysPressesOnceAndReleasesOnce) {
    TestDesktop desktop;
    auto hotKey = HotKey::make(desktop.platform().keyboard, 49, 2048);
    ASSERT_TRUE(hotKey);
    std::vector<QString> events;
    hotKey->onPress = [&] {
        events.push_back("press");
    };
    hotKey->onRelease = [&] {
        events.push_back("release");
    };

    // The system repeats the press while the keys are held.
    EXPECT_TRUE(desktop.sim().pressKeys(49, 2048));
    EXPECT_TRUE(desktop.sim().pressKeys(49, 2048));
    EXPECT_TRUE(desktop.sim().pressKeys(49, 2048));
    EXPECT_TRUE(hotKey->isDown());
    EXPECT_TRUE(desktop.sim().releaseKeys(49, 2048));
    EXPECT_FALSE(hotKey->isDown());
    EXPECT_EQ(events, (std::vector<QString>{"press", "release"}));
    // A release without a press still reports the release; the next press counts again.
    desktop.sim().releaseKeys(49, 2048);
    desktop.sim().pressKeys(49, 2048);
    EXPECT_EQ(events, (std::vector<QString>{"press", "release", "release", "press"}));
    // Other combinations are not this key's.
    EXPECT_FALSE(desktop.sim().pressKeys(49, 256));
    // Callbacks are read when the event arrives.
    desktop.sim().releaseKeys(49, 2048);
    hotKey->onPress = [&] {
        events.push_back("replaced");
    };
    desktop.sim().pressKeys(49, 2048);
    EXPECT_EQ(events.back(), "replaced");
}

TEST(HotKey, RefusedCombinationsAndReleasingTheObject) {
    TestDesktop desktop(R"({"takenShortcuts": [[49, 256]]})");
    Keyboard& keyboard = desktop.platform().keyboard;

    EXPECT_FALSE(HotKey::make(keyboard, 49, 256));
    // Numbers the system cannot take are refused like a taken combination.
    EXPECT_FALSE(HotKey::make(keyboard, -1, 2048));
    EXPECT_FALSE(HotKey::make(keyboard, 49, qint64(1) << 32));
    EXPECT_TRUE(desktop.sim().grabbedKeys().empty());

    auto hotKey = HotKey::make(keyboard, 122, 0);
    ASSERT_TRUE(hotKey);
    EXPECT_EQ(desktop.sim().grabbedKeys(), (std::vector<Pair>{{122, 0}}));
    int presses = 0;
    hotKey->onPress = [&] {
        ++presses;
    };
    hotKey.reset();
    // Released: the keys are given back and nothing runs any more.
    EXPECT_TRUE(desktop.sim().grabbedKeys().empty());
    EXPECT_FALSE(desktop.sim().pressKeys(122, 0));
    EXPECT_EQ(presses, 0);
}

}  // namespace
}  // namespace tandri::test
