// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QRectF>
#include <QSize>
#include <optional>
#include <vector>

namespace tandri {

/// A window that can be captured, as the capture service sees it now.
struct ShareableWindow {
    quint32 id = 0;
    /// The window's frame in screen points.
    QRectF frame;
};

/// Pictures of single windows and the permission to take them.
///
/// `capture` blocks while the picture is read and scaled, so it belongs on a background queue:
/// it may run on any thread, and calls from several threads wait for one another. The main thread
/// calls it only where no frame is waiting to be drawn (one-shot runs). Every other call is made
/// on the main thread. The service outlives every call made to it.
class ScreenCapture {
public:
    virtual ~ScreenCapture() = default;
    /// Whether windows may be captured.
    virtual bool hasPermission() const = 0;
    /// Asks the user for the permission, or shows where it can be granted.
    virtual void requestPermission() = 0;
    /// The on-screen windows of other programs that can be captured, without desktop elements;
    /// absent when they cannot be had (for instance without the permission).
    virtual std::optional<std::vector<ShareableWindow>> shareableWindows() const = 0;
    /// One window's picture at `pixels`, without the pointer and the window's shadow, in memory
    /// of its own; null when it cannot be taken (the window is gone or hidden, the permission is
    /// missing). Any thread.
    virtual QImage capture(quint32 windowID, QSize pixels) = 0;
};

}  // namespace tandri
