#pragma once

#include <QString>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "platform/common/desktopappearance.h"
#include "platform/common/drawnicons.h"
#include "platform/common/timedvalue.h"
#include "platform/workspace.h"
#include "platform/x11/desktopentries.h"
#include "platform/x11/x11accessibility.h"
#include "platform/x11/x11connection.h"

namespace tandri::x11 {

/// Running applications on an X11 desktop: the processes that own ordinary client windows
/// (`_NET_CLIENT_LIST`), matched to their desktop entries. An app's id is its desktop-file id and
/// its URL the .desktop file; launch dates are process start times in seconds since the epoch.
/// Clients without a process id are grouped by class under X11Accessibility::classPID. Main
/// thread.
class X11Workspace : public Workspace {
public:
    X11Workspace(X11Connection& connection, DesktopEntries& entries);

    qint32 ownPID() const override;
    std::vector<RunningApp> runningApps() const override;
    std::optional<RunningApp> runningApp(qint32 pid) const override;
    std::optional<qint32> frontmostPID() const override;

    std::optional<QUrl> urlForBundleIdentifier(const QString& bundleID) const override;
    std::optional<QString> bundleIdentifier(const QUrl& url) const override;
    QString displayName(const QString& path) const override;
    QImage iconForFile(const QString& path) const override;
    QImage trashIcon() const override;
    QUrl trashURL() const override;
    QString applicationSuffix() const override;
    /// The default application for folders in the user's MIME-apps lists.
    std::optional<QString> fileManagerID() const override;
    /// The user's Downloads folder.
    std::vector<QUrl> defaultFolders() const override;
    /// The desktop's favourites (DesktopFavourites) that are installed.
    std::vector<QUrl> pinnedApps() const override;

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
    /// Runs the entry's command with the files by its field codes: one command with all of them,
    /// or one per file for an entry that takes a single file.
    void openFiles(const std::vector<QUrl>& urls, const QUrl& application, bool activates) override;
    /// The freedesktop Trash (XdgTrash).
    bool moveToTrash(const QUrl& url) override;
    void openURL(const QUrl& url) override;
    /// Asks the file manager over D-Bus (org.freedesktop.FileManager1), else opens the folders.
    void revealInFileManager(const std::vector<QUrl>& urls) override;

    DisplayOptions displayOptions() const override;
    /// The desktop's own settings (DesktopAppearance), read afresh each time.
    bool darkAppearance() const override;
    std::optional<QColor> accentColor() const override;

    /// When the process started, in seconds since the epoch; absent when it is gone.
    static std::optional<double> processStart(qint32 pid);
    /// The names the process runs under: its executable's and its command name.
    static QStringList executables(qint32 pid);

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
    DesktopEntries& entries_;
    X11Clients* clients_;
    mutable DrawnIcons drawn_;
    // Icons of the entries by icon name.
    mutable std::map<QString, QImage> entryIcons_;
    mutable std::map<qint32, Known> known_;
    /// Milliseconds a reading of the desktop's settings is trusted.
    static constexpr qint64 settingsRefresh = 5000;
    TimedValue<std::optional<QString>> fileManager_{settingsRefresh};
    TimedValue<std::vector<QUrl>> pinned_{settingsRefresh};
    // What the log last said of the desktop's pinned apps.
    mutable QString pinnedSummary_;
    DesktopAppearance appearance_;
};

}  // namespace tandri::x11
