// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QString>
#include <QUrl>
#include <functional>
#include <vector>

#include "catalogue/docktile.h"
#include "catalogue/ringapp.h"
#include "prefs/appset.h"

namespace tandri {

struct Platform;
class Files;
class Preferences;
class Workspace;

/// Decides what the ring shows and in which order, and brings apps forward.
namespace AppSource {

/// The ring's default capacity: entries on the ring, places included.
inline constexpr int maxApps = 24;
/// The most apps the overflow entry lists as chips.
inline constexpr int maxOverflow = 20;
/// The Dock's preference domain.
inline const QString dockDomain = QStringLiteral("com.apple.dock");

struct Contents {
    std::vector<RingApp> apps;
    /// Folders, then the Trash.
    std::vector<RingApp> places;
};

/// The entries of one opening of the ring.
Contents ringContents(Platform& platform, AppSet set, bool places);
/// The Dock's tiles (when `includePinned`) merged with the running apps.
std::vector<RingApp> ringApps(Platform& platform, bool includePinned);
/// Tiles merged with the running apps: the file manager first, tiles in order, then the other
/// running apps, oldest launch first; each process at most once.
std::vector<RingApp> mergeWithRunning(Platform& platform, const std::vector<DockTile>& tiles);
/// The Dock's app tiles, in Dock order.
std::vector<DockTile> dockTiles(const Preferences& preferences, const Workspace& workspace);
/// The Dock's folders, in Dock order (not checked for existence).
std::vector<QUrl> dockFolders(const Preferences& preferences);
/// The Dock's tiles where there is a Dock, else the apps the desktop keeps pinned.
std::vector<DockTile> desktopTiles(Platform& platform);
/// The Dock's folders where there is a Dock, else the desktop's own well-known folders.
std::vector<QUrl> desktopFolders(Platform& platform);
/// The tile of an application (or any file) at `url`, named as the file manager names it.
DockTile tile(const Workspace& workspace, const QUrl& url);
/// A folder's newest items, at most `limit`. Any thread.
std::vector<QUrl> recentItems(const Files& files, const QUrl& folder, int limit);
/// A file's icon, cached for the life of the process. Main thread.
QImage icon(const Workspace& workspace, const QUrl& url);
/// Brings a running app forward, or launches the entry's app.
void open(Platform& platform, const RingApp& entry);
/// Un-hides and brings a running app forward, then runs `then` (on the completion's thread).
void activate(Platform& platform, const RunningApp& app, std::function<void()> then = {});

}  // namespace AppSource
}  // namespace tandri
