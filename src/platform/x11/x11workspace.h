// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "platform/common/xdgworkspace.h"
#include "platform/x11/desktopentries.h"
#include "platform/x11/x11accessibility.h"
#include "platform/x11/x11connection.h"

namespace tandri::x11 {

/// Running applications on an X11 desktop: the processes that own ordinary client windows
/// (`_NET_CLIENT_LIST`), matched to their desktop entries; launch dates are process start times
/// in seconds since the epoch.
/// Clients without a process id are grouped by class under X11Accessibility::classPID. Main
/// thread.
class X11Workspace : public XdgWorkspace {
public:
    X11Workspace(X11Connection& connection, DesktopEntries& entries);

    std::vector<RunningApp> runningApps() const override;
    std::optional<RunningApp> runningApp(qint32 pid) const override;
    std::optional<qint32> frontmostPID() const override;

    /// Activates the front window of a running process of the entry, else starts its command.
    /// The completion runs before this returns.
    void openApplication(const QUrl& url, bool activates,
                         std::function<void(std::optional<QString> error)> completion) override;
    /// Activates the process's top-most window that is not minimized, else its top-most one; a
    /// window on the current desktop before one on another (activating that switches desktops).
    void activate(qint32 pid) override;
    /// Activates each of the process's minimized windows, the top-most last.
    void unhide(qint32 pid) override;
    /// Minimizes each of the app's ordinary windows.
    void hide(qint32 pid) override;
    /// Asks the window manager to close each of the app's windows (`_NET_CLOSE_WINDOW`).
    void terminate(qint32 pid) override;
    /// Kills the app's process (SIGKILL); the clients of an app without a process are
    /// disconnected from the server instead. Never this program.
    void forceTerminate(qint32 pid) override;

private:
    // One running app: the process's ordinary windows, front to back, those of the current
    // desktop first.
    struct Group {
        qint32 pid = 0;
        bool hasProcess = false;
        std::vector<X11Accessibility::Client> windows;
        // Where its first window stands in the client list: the order of the apps.
        std::size_t order = 0;
        // Where its top-most window stands, front to back, the current desktop first.
        std::size_t depth = 0;
    };
    // What does not change while a process runs, kept between listings: its entry, start and
    // icon (null when it has none of its own).
    struct Known {
        QString instance;
        QString wmClass;
        // Its windows when last listed.
        std::set<XID> windows;
        // The desktop entries it was matched against.
        quint64 entries = 0;
        std::optional<DesktopEntries::Entry> entry;
        std::optional<double> launchDate;
        QImage icon;
    };
    std::vector<Group> groups() const;
    const Known& knownApp(const Group& group, quint64 entriesGeneration) const;
    RunningApp snapshot(const Group& group, quint64 entriesGeneration) const;
    QImage appIcon(const Group& group, const std::optional<DesktopEntries::Entry>& entry) const;
    QImage windowIcon(XID window) const;
    void activateWindow(XID window);

    X11Connection& connection_;
    X11Clients* clients_;
    mutable std::map<qint32, Known> known_;
};

}  // namespace tandri::x11
