// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <thread>

namespace tandri::test {

/// Runs `work` on a thread of its own and waits for it at most `seconds`. A call stuck in the
/// kernel (an open of a pipe, a read of a device) cannot be cancelled, so a test that would wait
/// for it forever ends the test program instead, with a line saying what hung.
inline void finishesWithin(double seconds, const char* what, std::function<void()> work) {
    std::packaged_task<void()> task(std::move(work));
    std::future<void> done = task.get_future();
    std::thread thread(std::move(task));
    if (done.wait_for(std::chrono::duration<double>(seconds)) != std::future_status::ready) {
        std::fprintf(stderr, "FAILED: %s did not finish within %.0f s\n", what, seconds);
        std::fflush(stderr);
        std::_Exit(1);
    }
    thread.join();
    done.get();
}

}  // namespace tandri::test
