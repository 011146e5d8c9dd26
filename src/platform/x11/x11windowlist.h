// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <memory>
#include <mutex>

#include "platform/windowlist.h"
#include "platform/x11/x11accessibility.h"
#include "platform/x11/x11connection.h"

namespace tandri::x11 {

/// The X server's viewable top-level windows, front to back, each named by the client it frames.
/// Override-redirect windows (menus, tooltips, overlays), docks and desktops are left out. Lists
/// on a connection of its own under a mutex: any thread.
class X11WindowList : public WindowList {
public:
    explicit X11WindowList(X11Connection& connection);
    ~X11WindowList() override;

    /// Bounds are the frames' outer rectangles in points, y up from the primary screen's bottom.
    std::optional<std::vector<ServerWindow>> onScreenWindows() const override;
    /// Whether the server has the Composite extension.
    bool screenCaptureAllowed() const override;

private:
    void updateScreen();

    const bool composite_;
    mutable std::mutex mutex_;
    DisplayPtr listing_;
    X11Clients* clients_;
    // The primary screen, read on the main thread when it changes; guarded by the mutex.
    double primaryBottom_ = 0;
    double pixelRatio_ = 1;
    std::unique_ptr<QObject> screenWatch_;
};

}  // namespace tandri::x11
