// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>
#include <vector>

#include "platform/runningapp.h"

namespace tandri {

/// The system's accessibility display settings.
struct DisplayOptions {
    bool reduceMotion = false;
    bool reduceTransparency = false;
    bool increaseContrast = false;
};

/// Running applications and the workspace services that open, activate and describe them.
/// Called on the main thread unless noted.
class Workspace {
public:
    virtual ~Workspace() = default;

    /// This program's own process id.
    virtual qint32 ownPID() const = 0;
    /// Every running application, in the workspace's order.
    virtual std::vector<RunningApp> runningApps() const = 0;
    /// The running application with this pid, if it still runs.
    virtual std::optional<RunningApp> runningApp(qint32 pid) const = 0;
    /// The application in front, if any.
    virtual std::optional<qint32> frontmostPID() const = 0;

    /// Where the application with this identifier is installed, if known.
    virtual std::optional<QUrl> urlForBundleIdentifier(const QString& bundleID) const = 0;
    /// The identifier of the application bundle at `url`, if it has one.
    virtual std::optional<QString> bundleIdentifier(const QUrl& url) const = 0;
    /// The file manager's display name for a path.
    virtual QString displayName(const QString& path) const = 0;
    /// The icon the file manager shows for a file. Never null.
    virtual QImage iconForFile(const QString& path) const = 0;
    /// The icon of an empty Trash.
    virtual QImage trashIcon() const = 0;
    /// The folder that holds the Trash's files.
    virtual QUrl trashURL() const = 0;
    /// The file-name suffix of an application bundle (".app", ".desktop").
    virtual QString applicationSuffix() const = 0;
    /// The identifier of the user's file manager, which the ring puts first; absent when none is
    /// known.
    virtual std::optional<QString> fileManagerID() const = 0;
    /// The folders the ring shows after the apps where the desktop has no Dock to take them from.
    virtual std::vector<QUrl> defaultFolders() const = 0;
    /// The apps the desktop keeps pinned in its own dock or panel, as application URLs in its
    /// order, where there is no Dock whose preferences hold them; empty where it keeps none.
    virtual std::vector<QUrl> pinnedApps() const = 0;

    /// Opens the application at `url` (launching it when it is not running), bringing it to the
    /// front when `activates`. `completion`, when given, receives an error text or nothing, on any
    /// thread.
    virtual void openApplication(const QUrl& url, bool activates,
                                 std::function<void(std::optional<QString> error)> completion) = 0;
    /// Brings a running application to the front without options.
    virtual void activate(qint32 pid) = 0;
    /// Un-hides a hidden application.
    virtual void unhide(qint32 pid) = 0;
    /// Hides an application's windows.
    virtual void hide(qint32 pid) = 0;
    /// Asks an application to quit; it may ask the user first or refuse.
    virtual void terminate(qint32 pid) = 0;
    /// Ends an application at once.
    virtual void forceTerminate(qint32 pid) = 0;
    /// Opens files with the application at `application`, all in one request, bringing it to the
    /// front when `activates`. Failures are not reported.
    virtual void openFiles(const std::vector<QUrl>& urls, const QUrl& application,
                           bool activates) = 0;
    /// Moves a file or folder to the Trash; false when it could not.
    virtual bool moveToTrash(const QUrl& url) = 0;
    /// Opens a file or folder with its default application.
    virtual void openURL(const QUrl& url) = 0;
    /// Shows the file manager with these items selected.
    virtual void revealInFileManager(const std::vector<QUrl>& urls) = 0;

    /// The accessibility display settings.
    virtual DisplayOptions displayOptions() const = 0;
    /// Whether the appearance in effect is dark.
    virtual bool darkAppearance() const = 0;
    /// The user's accent colour, when the system has one.
    virtual std::optional<QColor> accentColor() const = 0;
};

}  // namespace tandri
