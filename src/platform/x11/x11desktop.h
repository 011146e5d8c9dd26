// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

namespace tandri {
class Accessibility;
class Clock;
class ContextMenus;
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

namespace tandri::x11 {

class KeyFocus;
class X11ContextMenus;
class X11Accessibility;
class X11Connection;
class X11Keyboard;
class X11Overlays;
class X11PointerButtons;
class X11ScreenCapture;
class X11Screens;
class X11WindowList;
class X11Workspace;

/// The real desktop: an X server with an EWMH window manager, and the freedesktop conventions
/// around it. Main thread.
class X11Desktop {
public:
    /// Connects to $DISPLAY; null when there is no X server. `clock` outlives the desktop.
    static std::unique_ptr<X11Desktop> open(Clock& clock);
    ~X11Desktop();
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;

    Workspace& workspace();
    Accessibility& accessibility();
    WindowList& windowList();
    Screens& screens();
    Overlays& overlays();
    System& system();
    ScreenCapture& screenCapture();
    Keyboard& keyboard();
    PointerButtons& pointerButtons();
    ContextMenus& contextMenus();

private:
    X11Desktop(std::unique_ptr<X11Connection> connection, Clock& clock);

    std::unique_ptr<X11Connection> connection_;
    std::unique_ptr<KeyFocus> keyFocus_;
    std::unique_ptr<DesktopEntries> entries_;
    std::unique_ptr<X11Workspace> workspace_;
    std::unique_ptr<X11Accessibility> accessibility_;
    std::unique_ptr<X11WindowList> windowList_;
    std::unique_ptr<X11Screens> screens_;
    std::unique_ptr<X11ScreenCapture> screenCapture_;
    std::unique_ptr<X11Overlays> overlays_;
    std::unique_ptr<LinuxSystem> system_;
    std::unique_ptr<X11Keyboard> keyboard_;
    std::unique_ptr<X11PointerButtons> pointerButtons_;
    std::unique_ptr<X11ContextMenus> contextMenus_;
};

}  // namespace tandri::x11
