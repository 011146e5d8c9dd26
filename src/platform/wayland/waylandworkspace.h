// SPDX-License-Identifier: MIT
#pragma once

#include <map>

#include "platform/common/xdgworkspace.h"

namespace tandri::wayland {

class ForeignToplevels;

/// Running applications on a wlroots compositor: the app ids of its foreign toplevels, each
/// matched to the desktop entry of that id or window class, under ForeignToplevels' made-up
/// process numbers. The protocol names no process, so launch dates are unknown and nothing can
/// be killed. Main thread.
class WaylandWorkspace : public XdgWorkspace {
public:
    WaylandWorkspace(ForeignToplevels& toplevels, DesktopEntries& entries);

    /// In the order their first windows appeared.
    std::vector<RunningApp> runningApps() const override;
    std::optional<RunningApp> runningApp(qint32 pid) const override;
    /// The app of the activated window.
    std::optional<qint32> frontmostPID() const override;

    /// Activates the app of the entry when it runs, else starts its command. The completion
    /// runs before this returns.
    void openApplication(const QUrl& url, bool activates,
                         std::function<void(std::optional<QString> error)> completion) override;
    /// Activates the app's front window that is not minimized, else its front one.
    void activate(qint32 pid) override;
    /// Un-minimizes each of the app's minimized windows, the front one last.
    void unhide(qint32 pid) override;
    void hide(qint32 pid) override;
    /// Asks the app to close each of its windows.
    void terminate(qint32 pid) override;
    /// The same as terminate: without a process there is nothing to end at once.
    void forceTerminate(qint32 pid) override;

private:
    std::optional<DesktopEntries::Entry> entryOf(const QString& appID) const;
    RunningApp snapshot(qint32 pid, const QString& appID, bool hidden) const;

    ForeignToplevels& toplevels_;
    // The entries app ids were matched to, until the entries change.
    mutable std::map<QString, std::optional<DesktopEntries::Entry>> matched_;
    mutable quint64 matchedGeneration_ = 0;
};

}  // namespace tandri::wayland
