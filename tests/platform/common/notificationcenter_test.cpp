#include <gtest/gtest.h>

#include <QStringList>
#include <atomic>
#include <thread>
#include <vector>

#include "platform/common/notificationcenter.h"

namespace tandri {
namespace {

TEST(NotificationCenterTest, DeliversToObserversOfTheNameInOrderOfObserving) {
    NotificationCenter center;
    QStringList calls;
    auto first = center.observe("A", [&](const QVariant& o) { calls << "first " + o.toString(); });
    auto other = center.observe("B", [&](const QVariant&) { calls << "other"; });
    auto second =
        center.observe("A", [&](const QVariant& o) { calls << "second " + o.toString(); });
    auto third = center.observe("A", [&](const QVariant& o) { calls << "third " + o.toString(); });

    center.post("A", QString("x"));
    EXPECT_EQ(calls, (QStringList{"first x", "second x", "third x"}));

    calls.clear();
    second.reset();
    center.post("A", true);
    EXPECT_EQ(calls, (QStringList{"first true", "third true"}));

    calls.clear();
    center.post("nobody");
    center.post("B");
    EXPECT_EQ(calls, QStringList{"other"});
}

TEST(NotificationCenterTest, AnObserverRemovedDuringAPostIsNotCalledAfterwards) {
    NotificationCenter center;
    QStringList calls;
    std::unique_ptr<Observation> second;
    std::unique_ptr<Observation> first = center.observe("A", [&](const QVariant&) {
        calls << "first";
        second.reset();
        first.reset();  // its own token too
    });
    second = center.observe("A", [&](const QVariant&) { calls << "second"; });
    auto third = center.observe("A", [&](const QVariant&) { calls << "third"; });

    center.post("A");
    EXPECT_EQ(calls, (QStringList{"first", "third"}));
    calls.clear();
    center.post("A");
    EXPECT_EQ(calls, QStringList{"third"});
}

TEST(NotificationCenterTest, AnObserverAddedDuringAPostWaitsForTheNextPost) {
    NotificationCenter center;
    QStringList calls;
    std::vector<std::unique_ptr<Observation>> added;
    auto adder = center.observe("A", [&](const QVariant&) {
        calls << "adder";
        added.push_back(center.observe("A", [&](const QVariant&) { calls << "added"; }));
    });

    center.post("A");
    EXPECT_EQ(calls, QStringList{"adder"});
    calls.clear();
    center.post("A");
    EXPECT_EQ(calls, (QStringList{"adder", "added"}));
}

TEST(NotificationCenterTest, APostInsideAHandlerIsDeliveredAtOnce) {
    NotificationCenter center;
    QStringList calls;
    auto outer1 = center.observe("outer", [&](const QVariant&) {
        calls << "outer1";
        center.post("inner", 7);
    });
    auto outer2 = center.observe("outer", [&](const QVariant&) { calls << "outer2"; });
    auto inner = center.observe("inner", [&](const QVariant& o) {
        calls << "inner " + o.toString();
        if (o.toInt() == 7)
            center.post("inner", 8);
    });

    center.post("outer");
    EXPECT_EQ(calls, (QStringList{"outer1", "inner 7", "inner 8", "outer2"}));
}

TEST(NotificationCenterTest, ATokenMayOutliveTheCentre) {
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

TEST(NotificationCenterTest, ObservingAndPostingFromSeveralThreads) {
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
