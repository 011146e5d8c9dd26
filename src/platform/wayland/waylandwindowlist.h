// SPDX-License-Identifier: MIT
#pragma once

#include "platform/windowlist.h"

namespace tandri::wayland {

class WaylandScreenCapture;

/// The window server's list on a wlroots compositor: on sway, the windows its IPC shows now, of
/// ForeignToplevels' process numbers; elsewhere none, since no protocol tells a client where
/// other programs' windows are. Any thread.
class WaylandWindowList : public WindowList {
public:
    explicit WaylandWindowList(const WaylandScreenCapture& capture) : capture_(capture) {}
    /// Absent where the compositor does not tell where windows lie.
    std::optional<std::vector<ServerWindow>> onScreenWindows() const override;
    bool screenCaptureAllowed() const override;

private:
    const WaylandScreenCapture& capture_;
};

}  // namespace tandri::wayland
