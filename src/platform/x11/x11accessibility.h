// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "platform/accessibility.h"
#include "platform/x11/atspimenus.h"
#include "platform/x11/x11connection.h"

namespace tandri::x11 {

/// Other applications' windows as the EWMH window manager lists them: the clients of
/// `_NET_CLIENT_LIST_STACKING` grouped by `_NET_WM_PID`, acted on through `_NET_ACTIVE_WINDOW`.
/// Trusted whenever a window manager answers. Listing reads the clients the connection keeps
/// (X11Clients), so any thread may list; actions use the program's connection on the main thread.
///
/// A client that gives no usable process id (none at all, or one of another machine) is owned by
/// a made-up process `classPID(its WM_CLASS class)`: every service uses the same number for it.
class X11Accessibility : public Accessibility {
public:
    /// What a client window is for, from its EWMH type and transient hint.
    enum class Kind { Standard, Dialog, Floating, Dock, Desktop, Other };

    /// What one client window says about itself.
    struct Client {
        XID window = 0;
        /// The process, or the made-up number of its class.
        qint32 pid = 0;
        /// Whether `pid` is a process of this machine.
        bool hasProcess = false;
        QString instance;
        QString wmClass;
        std::optional<QString> title;
        Kind kind = Kind::Standard;
        bool minimized = false;
        bool skipTaskbar = false;
        /// Its desktop (0xFFFFFFFF: every one); absent when it names none.
        std::optional<unsigned long> desktop;
    };

    explicit X11Accessibility(X11Connection& connection);
    ~X11Accessibility() override;

    bool isTrusted() const override;
    void requestAccess() override;
    /// The current desktop's windows front to back, then the other desktops'; the first that is
    /// not minimized is the main one.
    std::vector<AXWindow> windows(qint32 pid) const override;
    /// Minimizing iconifies the window; un-minimizing activates it.
    void setMinimized(const WindowElement& element, bool minimized) override;
    /// The main window of an X application is its active one: activates the window, which
    /// brings its desktop forward.
    void setMain(const WindowElement& element) override;
    /// Activates the window (and so its desktop) and restacks it on top.
    void raise(const WindowElement& element) override;
    /// The app's menu bar as it publishes it on the accessibility bus (AtspiMenus).
    std::optional<std::vector<AXMenu>> menuBar(qint32 pid) const override;
    /// Linux menu bars begin with the File menu.
    int fileMenuIndex() const override { return 0; }
    void press(const MenuElement& item) override;

    /// The number that stands for the clients of one class without a process id: at least
    /// 0x40000000, far above any process id the kernel hands out.
    static qint32 classPID(const QString& key);
    /// Asks the window manager to make a client the active window, first going to its desktop
    /// when it is on another one.
    static void activate(X11Connection& connection, XID window);
    /// A second connection to the same server for listings off the main thread. Its errors (a
    /// window that vanishes mid-listing) are dropped instead of reaching the process's handler,
    /// which the main connection may be using at the same time.
    static DisplayPtr openQuietDisplay(XDisplay* like);

private:
    // Whether the element's window is still a client of that process.
    bool isLive(const WindowElement& element) const;

    X11Connection& connection_;
    X11Clients* clients_;
    AtspiMenus menus_;
};

}  // namespace tandri::x11
