#include "platform/sim/manualqueues.h"

#include <gtest/gtest.h>

#include <string>

namespace tandri::sim {
namespace {

TEST(ManualQueues, NothingRunsUntilTheTestSaysSo) {
    ManualQueues queues;
    std::string ran;
    queues.background(Queues::Priority::UserInteractive, [&] { ran += 'b'; });
    queues.main([&] { ran += 'm'; });
    EXPECT_EQ(ran, "");
    EXPECT_EQ(queues.pendingBackground(), 1);
    EXPECT_EQ(queues.pendingMain(), 1);

    queues.runMain();
    EXPECT_EQ(ran, "m");
    EXPECT_EQ(queues.pendingBackground(), 1);
    queues.runBackground();
    EXPECT_EQ(ran, "mb");
    EXPECT_EQ(queues.pendingBackground(), 0);
}

TEST(ManualQueues, RunsInOrderOfPostingWhateverThePriority) {
    ManualQueues queues;
    std::string ran;
    queues.background(Queues::Priority::Utility, [&] { ran += '1'; });
    queues.background(Queues::Priority::UserInteractive, [&] { ran += '2'; });
    queues.background(Queues::Priority::UserInitiated, [&] { ran += '3'; });
    queues.runBackground();
    EXPECT_EQ(ran, "123");
}

TEST(ManualQueues, JobsQueuedWhileRunningRunToo) {
    ManualQueues queues;
    std::string ran;
    queues.main([&] {
        ran += 'a';
        queues.main([&] { ran += 'c'; });
    });
    queues.main([&] { ran += 'b'; });
    queues.runMain();
    EXPECT_EQ(ran, "abc");
    EXPECT_EQ(queues.pendingMain(), 0);
}

TEST(ManualQueues, DrainAlternatesUntilBothAreEmpty) {
    ManualQueues queues;
    std::string ran;
    // Background work hands its result to the main thread, which starts more background work.
    queues.background(Queues::Priority::UserInteractive, [&] {
        ran += "load1 ";
        queues.main([&] {
            ran += "apply1 ";
            queues.background(Queues::Priority::UserInitiated, [&] {
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

TEST(ManualQueues, RunMainLeavesBackgroundWorkQueued) {
    ManualQueues queues;
    int ran = 0;
    queues.main([&] { queues.background(Queues::Priority::Utility, [&] { ++ran; }); });
    queues.runMain();
    EXPECT_EQ(ran, 0);
    EXPECT_EQ(queues.pendingBackground(), 1);
}

}  // namespace
}  // namespace tandri::sim
