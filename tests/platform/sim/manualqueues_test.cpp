// SPDX-License-Identifier: MIT
#include "platform/sim/manualqueues.h"

#include <gtest/gtest.h>

#include <string>

namespace tandri::sim {
namespace {

using Priority = Queues::Priority;

TEST(ManualQueues, NothingRunsUntilTheTestSaysSoAndThenInPostingOrder) {
    ManualQueues queues;
    std::string ran;
    queues.background(Priority::Utility, [&] { ran += '1'; });
    queues.main([&] {
        ran += 'm';
        queues.main([&] { ran += 'n'; });  // queued while running: runs too
        queues.background(Priority::Utility, [&] { ran += '4'; });
    });
    queues.main([&] { ran += 'o'; });
    queues.background(Priority::UserInteractive, [&] { ran += '2'; });
    queues.background(Priority::UserInitiated, [&] { ran += '3'; });
    EXPECT_EQ(ran, "");
    EXPECT_EQ(queues.pendingBackground(), 3);
    EXPECT_EQ(queues.pendingMain(), 2);

    queues.runMain();
    EXPECT_EQ(ran, "mon");
    EXPECT_EQ(queues.pendingMain(), 0);
    EXPECT_EQ(queues.pendingBackground(), 4) << "running the main queue leaves background work";
    queues.runBackground();
    EXPECT_EQ(ran, "mon1234") << "whatever the priority";
    EXPECT_EQ(queues.pendingBackground(), 0);
}

TEST(ManualQueues, DrainAlternatesUntilBothAreEmpty) {
    ManualQueues queues;
    std::string ran;
    // Background work hands its result to the main thread, which starts more background work.
    queues.background(Priority::UserInteractive, [&] {
        ran += "load1 ";
        queues.main([&] {
            ran += "apply1 ";
            queues.background(Priority::UserInitiated, [&] {
                ran += "load2 ";
                queues.main([&] { ran += "apply2"; });
            });
        });
    });
    queues.main([&] { ran += "first "; });
    queues.drain();
    EXPECT_EQ(ran, "load1 first apply1 load2 apply2");
    EXPECT_EQ(queues.pendingBackground(), 0);
    EXPECT_EQ(queues.pendingMain(), 0);
}

}  // namespace
}  // namespace tandri::sim
