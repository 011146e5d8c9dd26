// SPDX-License-Identifier: MIT
#include "platform/common/signalquitrequests.h"

#include <gtest/gtest.h>

#include <csignal>

#include "support/waitforevents.h"

namespace tandri {
namespace {

// Which handler SIGTERM has now, without changing it.
void (*currentHandler())(int) {
    struct sigaction now = {};
    sigaction(SIGTERM, nullptr, &now);
    return now.sa_handler;
}

TEST(SignalQuitRequests, TheSignalReachesTheEventLoopInsteadOfEndingTheProcess) {
    const auto before = currentHandler();
    SignalQuitRequests requests;
    int first = 0;
    int second = 0;
    {
        auto watchFirst = requests.watch([&] { ++first; });
        auto watchSecond = requests.watch([&] { ++second; });
        std::raise(SIGTERM);
        // Nothing runs inside the signal handler itself.
        EXPECT_EQ(first, 0);
        ASSERT_TRUE(test::waitForEvents([&] { return first == 1 && second == 1; }));

        // Two signals before the loop turns may count as one request, never as none.
        std::raise(SIGTERM);
        std::raise(SIGTERM);
        ASSERT_TRUE(test::waitForEvents([&] { return first >= 2; }));
        test::waitForEvents([] { return false; }, 50);  // let any second wake-up through

        // A watch that ended hears nothing more.
        const int secondBefore = second;
        const int firstBefore = first;
        watchSecond.reset();
        std::raise(SIGTERM);
        ASSERT_TRUE(test::waitForEvents([&] { return first == firstBefore + 1; }));
        EXPECT_EQ(second, secondBefore);
    }
    // With no one watching, the signal is handled as it was before.
    EXPECT_EQ(currentHandler(), before);
}

}  // namespace
}  // namespace tandri
