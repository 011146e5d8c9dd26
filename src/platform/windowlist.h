// SPDX-License-Identifier: MIT
#pragma once

#include <QRectF>
#include <optional>
#include <vector>

namespace tandri {

/// One on-screen window as the window server lists it; fields it does not report are absent.
struct ServerWindow {
    std::optional<qint64> layer;
    std::optional<qint64> ownerPID;
    std::optional<QRectF> bounds;
    std::optional<double> alpha;
    std::optional<quint32> windowID;
};

/// The window server's list of windows and the screen-capture permission. Any thread.
class WindowList {
public:
    virtual ~WindowList() = default;
    /// On-screen windows without desktop elements; absent when the list cannot be had.
    virtual std::optional<std::vector<ServerWindow>> onScreenWindows() const = 0;
    /// Whether windows may be captured as pictures.
    virtual bool screenCaptureAllowed() const = 0;
};

}  // namespace tandri
