// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <optional>
#include <vector>

namespace tandri {

/// An opaque handle to one window of one application, usable from any thread.
struct WindowElement {
    qint32 pid = 0;
    quint64 handle = 0;
    bool operator==(const WindowElement&) const = default;
};

/// One window as the application's accessibility interface describes it, unfiltered.
struct AXWindow {
    WindowElement element;
    /// "AXStandardWindow" for ordinary windows; absent when the app gives none.
    std::optional<QString> subrole;
    std::optional<QString> title;
    std::optional<bool> minimized;
    /// The window server's number for the window, when it can be had.
    std::optional<quint32> windowID;
    /// Whether it is the app's main window; absent when the app does not say.
    std::optional<bool> main;
};

/// An opaque handle to one item of an application's menu bar.
struct MenuElement {
    qint32 pid = 0;
    QString id;
    bool operator==(const MenuElement&) const = default;
};

/// One item of an application's menu, as its accessibility interface describes it.
struct AXMenuItem {
    MenuElement element;
    std::optional<QString> title;
    /// The key of its shortcut, as the menu shows it ("N").
    std::optional<QString> cmdChar;
    /// The shortcut's modifiers: 0 is the command modifier alone; 1 adds shift, 2 option,
    /// 4 control, and 8 leaves the command modifier out.
    std::optional<qint64> cmdModifiers;
    /// The items of its submenu; empty when it has none.
    std::vector<AXMenuItem> submenu;
};

/// One menu of an application's menu bar.
struct AXMenu {
    std::optional<QString> title;
    std::vector<AXMenuItem> items;
};

/// The accessibility interface: listing and acting on other applications' windows.
/// The listing may be called from any thread; actions from the main thread.
class Accessibility {
public:
    virtual ~Accessibility() = default;
    /// Whether this program may list and raise other applications' windows.
    virtual bool isTrusted() const = 0;
    /// Asks the system to offer the user the permission.
    virtual void requestAccess() = 0;
    /// The application's windows in its own order; empty when it cannot be asked or does not
    /// answer in time.
    virtual std::vector<AXWindow> windows(qint32 pid) const = 0;
    // Actions report nothing: a window that vanished is simply not acted on.
    virtual void setMinimized(const WindowElement& window, bool minimized) = 0;
    virtual void setMain(const WindowElement& window) = 0;
    virtual void raise(const WindowElement& window) = 0;

    /// The application's menu bar, left to right; absent when it has none it will tell. May block
    /// for a short timeout while the app answers.
    virtual std::optional<std::vector<AXMenu>> menuBar(qint32 pid) const = 0;
    /// Which menu of a menu bar holds an ordinary app's file commands ("New Window").
    virtual int fileMenuIndex() const = 0;
    /// Performs a menu item's command, as if it were chosen.
    virtual void press(const MenuElement& item) = 0;
};

}  // namespace tandri
