// SPDX-License-Identifier: MIT
#pragma once

#include "platform/screencapture.h"

namespace tandri::wayland {

/// Pictures of single windows on a wlroots compositor: none yet. Screencopy captures an output
/// region, and no protocol tells a client where another program's window lies on its output,
/// so there is no region to take; chips show no pictures. Main thread.
class WaylandScreenCapture : public ScreenCapture {
public:
    bool hasPermission() const override;
    /// Nothing to ask for.
    void requestPermission() override;
    std::optional<std::vector<ShareableWindow>> shareableWindows() const override;
    QImage capture(quint32 windowID, QSize pixels) override;
};

}  // namespace tandri::wayland
