// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QString>
#include <map>
#include <optional>
#include <vector>

#include "platform/common/desktopappearance.h"
#include "platform/common/desktopentries.h"
#include "platform/common/drawnicons.h"
#include "platform/common/timedvalue.h"
#include "platform/workspace.h"

namespace tandri {

/// What a Linux desktop's workspace is whatever shows its windows: applications as XDG desktop
/// entries (an app's id is its desktop-file id, its URL the .desktop file), files and their icons,
/// the freedesktop Trash, the user's folders and favourites, and the desktop's appearance. The
/// backends add the running applications from their windows. Main thread.
class XdgWorkspace : public Workspace {
public:
    explicit XdgWorkspace(DesktopEntries& entries);

    qint32 ownPID() const override;

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

protected:
    /// The picture as an app icon: a square of the one size, scaled to fit and centred.
    static QImage squaredIcon(const QImage& image);
    /// An entry's Icon (a file, a themed name or a legacy pixmap), read once; null when none.
    QImage entryIcon(const QString& name) const;

    DesktopEntries& entries_;
    mutable DrawnIcons drawn_;

private:
    // Icons of the entries by icon name.
    mutable std::map<QString, QImage> entryIcons_;
    /// Milliseconds a reading of the desktop's settings is trusted.
    static constexpr qint64 settingsRefresh = 5000;
    TimedValue<std::optional<QString>> fileManager_{settingsRefresh};
    TimedValue<std::vector<QUrl>> pinned_{settingsRefresh};
    // What the log last said of the desktop's pinned apps.
    mutable QString pinnedSummary_;
    DesktopAppearance appearance_;
};

}  // namespace tandri
