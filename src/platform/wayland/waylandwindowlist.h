// SPDX-License-Identifier: MIT
#pragma once

#include "platform/windowlist.h"

namespace tandri::wayland {

/// The window server's list on a wlroots compositor: none can be had, since no protocol tells a
/// client where other programs' windows are; and no window pictures until a capture of one
/// window is possible. Any thread.
class WaylandWindowList : public WindowList {
public:
    /// Absent: window positions and sizes are the compositor's own.
    std::optional<std::vector<ServerWindow>> onScreenWindows() const override;
    bool screenCaptureAllowed() const override;
};

}  // namespace tandri::wayland
