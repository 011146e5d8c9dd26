// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <memory>

namespace tandri {

class Timer;
struct Platform;

/// The two permissions the windows show, read at once and again every second, since the user
/// grants them elsewhere. Main thread.
class PermissionWatch {
public:
    static constexpr double interval = 1.0;

    explicit PermissionWatch(Platform& platform);
    ~PermissionWatch();
    PermissionWatch(const PermissionWatch&) = delete;
    PermissionWatch& operator=(const PermissionWatch&) = delete;

    /// Runs after a reading that differs from the one before.
    std::function<void()> changed;

    /// Whether other apps' windows may be listed and raised.
    bool accessibility() const { return accessibility_; }
    /// Whether this process may take pictures of windows.
    bool screenCapture() const { return screenCapture_; }
    /// Whether the system says pictures are allowed while this process still cannot take them:
    /// a restart would let it.
    bool screenCaptureNeedsRestart() const { return reported_ && !screenCapture_; }

    void read();

private:
    Platform& platform_;
    bool accessibility_ = false;
    bool screenCapture_ = false;
    bool reported_ = false;
    std::unique_ptr<Timer> timer_;
};

}  // namespace tandri
