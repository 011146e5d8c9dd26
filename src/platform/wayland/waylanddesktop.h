// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <memory>

#include "platform/wayland/swaybindings.h"

namespace tandri {
class Accessibility;
class DesktopEntries;
class Keyboard;
class LinuxSystem;
class Overlays;
class PointerButtons;
class ScreenCapture;
class Screens;
class System;
class WindowList;
class Workspace;
}  // namespace tandri

namespace tandri::wayland {

class ForeignToplevels;
class SwayTree;
class WaylandAccessibility;
class WaylandConnection;
class WaylandKeyboard;
class WaylandOverlays;
class WaylandPointerButtons;
class WaylandScreenCapture;
class WaylandScreens;
class WaylandSeat;
class WaylandWindowList;
class WaylandWorkspace;

/// The real desktop of a wlroots Wayland compositor (sway, Hyprland, river, labwc, Wayfire):
/// layer-shell for the ring, foreign toplevels for the windows, and the freedesktop conventions
/// around them. Main thread.
class WaylandDesktop {
public:
    /// Connects to $WAYLAND_DISPLAY; null with `problem` set when there is no compositor or it
    /// lacks a protocol the desktop needs (the problem names them).
    static std::unique_ptr<WaylandDesktop> open(QString* problem = nullptr);
    /// Why `open` would fail now, without making the desktop; empty when it would not.
    static QString problem();
    ~WaylandDesktop();
    WaylandDesktop(const WaylandDesktop&) = delete;
    WaylandDesktop& operator=(const WaylandDesktop&) = delete;

    Workspace& workspace();
    Accessibility& accessibility();
    WindowList& windowList();
    Screens& screens();
    Overlays& overlays();
    System& system();
    ScreenCapture& screenCapture();
    Keyboard& keyboard();
    PointerButtons& pointerButtons();
    /// Where the compositor's key binding delivers the trigger.
    WaylandKeyboard& trigger();
    /// Where sway runs, its own bindings join the shortcut-conflict warnings, their keysyms
    /// turned into key codes by `keyCodeOf`; elsewhere no compositor's bindings are read.
    void readCompositorBindings(SwayBindings::KeyCodeOf keyCodeOf);

private:
    explicit WaylandDesktop(std::unique_ptr<WaylandConnection> connection);
    static std::unique_ptr<WaylandConnection> connect(QString* problem);

    std::unique_ptr<WaylandConnection> connection_;
    std::unique_ptr<WaylandSeat> seat_;
    std::unique_ptr<WaylandScreens> screens_;
    std::unique_ptr<ForeignToplevels> toplevels_;
    std::unique_ptr<DesktopEntries> entries_;
    std::unique_ptr<WaylandWorkspace> workspace_;
    std::unique_ptr<WaylandAccessibility> accessibility_;
    // Null where sway's IPC is not there.
    std::unique_ptr<SwayTree> swayTree_;
    std::unique_ptr<WaylandScreenCapture> screenCapture_;
    std::unique_ptr<WaylandWindowList> windowList_;
    std::unique_ptr<WaylandOverlays> overlays_;
    std::unique_ptr<LinuxSystem> system_;
    std::unique_ptr<WaylandKeyboard> keyboard_;
    std::unique_ptr<WaylandPointerButtons> pointerButtons_;
};

}  // namespace tandri::wayland
