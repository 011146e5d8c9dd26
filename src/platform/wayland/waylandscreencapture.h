// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

#include "platform/screencapture.h"
#include "platform/wayland/foreigntoplevels.h"

namespace tandri::wayland {

class ScreenCopier;
class SwayTree;
class WaylandScreens;

/// Pictures of single windows on sway: its IPC tells where each window lies (SwayTree), and
/// screencopy copies that region of its output. Only a window shown now has a picture; one on
/// another workspace or behind a tab has none. Other compositors tell no client where another
/// program's window lies, so there, and without screencopy, no window has a picture. Listing on
/// the main thread, capturing on any.
class WaylandScreenCapture : public ScreenCapture {
public:
    /// A toplevel shown now and where, in screen points.
    struct Shown {
        ForeignToplevels::Toplevel toplevel;
        QRectF frame;
    };

    /// `tree` is null where sway's IPC is not there; the line on stderr says so.
    WaylandScreenCapture(ForeignToplevels& toplevels, WaylandScreens& screens, SwayTree* tree);
    ~WaylandScreenCapture() override;

    /// Whether pictures can be taken: sway's tree and screencopy are both there.
    bool hasPermission() const override;
    /// Nothing to ask for: the compositor decides.
    void requestPermission() override;
    std::optional<std::vector<ShareableWindow>> shareableWindows() const override;
    /// The window's region of its output as it shows now, so anything above it is in the
    /// picture; null for a window not shown.
    QImage capture(quint32 windowID, QSize pixels) override;

    /// The toplevels shown now; absent without sway's tree. Any thread.
    std::optional<std::vector<Shown>> shown() const;

private:
    ForeignToplevels& toplevels_;
    WaylandScreens& screens_;
    SwayTree* tree_;
    std::unique_ptr<ScreenCopier> copier_;
    bool available_ = false;
};

}  // namespace tandri::wayland
