// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <csignal>

namespace tandri::test {

/// While it lives, no file of this process may grow past `bytes`, even for root: a stand-in for
/// a full disk or a file that cannot be replaced. A write past it fails instead of ending the
/// process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : previousHandler_(std::signal(SIGXFSZ, SIG_IGN)) {
        EXPECT_EQ(getrlimit(RLIMIT_FSIZE, &original_), 0);
        struct rlimit limited = original_;
        limited.rlim_cur = bytes;
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &original_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    struct rlimit original_ {};
    void (*previousHandler_)(int);
};

}  // namespace tandri::test
