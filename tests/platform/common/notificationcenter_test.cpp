// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QStringList>
#include <atomic>
#include <thread>
#include <vector>

#include "platform/common/notificationcenter.h"
#include "support/qtprinters.h"

namespace tandri {
namespace {

class NotificationCenterTest : public ::testing::Test {
protected:
    // An observer of `name` that notes its label and the object it is given, then does `also`.
    std::unique_ptr<Observation> observe(const QString& name, const QString& label,
                                         std::function<void()> also = {}) {
        return center.observe(name, [this, label, also](const QVariant& object) {
            calls << (object.isValid() ? label + " " + object.toString() : label);
            if (also)
                also();
        });
    }

    NotificationCenter center;
    QStringList calls;
};

TEST_F(NotificationCenterTest, DeliversToObserversOfTheNameInOrderOfObserving) {
    auto first = observe("A", "first");
    auto other = observe("B", "other");
    auto second = observe("A", "second");
    auto third = observe("A", "third");
    center.post("A", QString("x"));
    center.post("nobody");
    center.post("B");
    EXPECT_EQ(calls, (QStringList{"first x", "second x", "third x", "other"}));

    calls.clear();
    second.reset();
    center.post("A", true);
    EXPECT_EQ(calls, (QStringList{"first true", "third true"}));
}

TEST_F(NotificationCenterTest,
       ObserversRemovedDuringAPostAreNotCalledAddedOnesWaitAndPostsInsideAreAtOnce) {
    std::unique_ptr<Observation> second;
    std::unique_ptr<Observation> added;
    std::unique_ptr<Observation> first = observe("A", "first", [&] {
        second.reset();
        first.reset();  // its own token too
        added = observe("A", "added");
    });
    second = observe("A", "second");
    auto third = observe("A", "third");
    center.post("A");
    center.post("A");
    EXPECT_EQ(calls, (QStringList{"first", "third", "third", "added"}));
    // A post inside a handler is delivered at once.
    calls.clear();
    auto outer1 = observe("outer", "outer1", [&] { center.post("inner", 7); });
    auto outer2 = observe("outer", "outer2");
    auto inner = center.observe("inner", [&](const QVariant& o) {
        calls << "inner " + o.toString();
        if (o.toInt() == 7)
            center.post("inner", 8);
    });
    center.post("outer");
    EXPECT_EQ(calls, (QStringList{"outer1", "inner 7", "inner 8", "outer2"}));
}

TEST(NotificationCenter, ATokenMayOutliveTheCentre) {
    int calls = 0;
    std::unique_ptr<Observation> token;
    {
        NotificationCenter center;
        token = center.observe("A", [&](const QVariant&) { ++calls; });
        center.post("A");
    }
    token.reset();
    EXPECT_EQ(calls, 1);
}

TEST(NotificationCenter, ObservingAndPostingFromSeveralThreads) {
    NotificationCenter center;
    std::atomic<int> calls{0};
    auto steady = center.observe("A", [&](const QVariant&) { ++calls; });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                auto transient = center.observe("A", [](const QVariant&) {});
                center.post("A");
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(calls.load(), 4 * 2000);
}

}  // namespace
}  // namespace tandri
