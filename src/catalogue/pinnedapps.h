// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>
#include <QUrl>
#include <vector>

#include "catalogue/docktile.h"

namespace tandri {

struct Platform;
class Preferences;
class Workspace;

/// The user's own ordered list of apps and folders, stored as standardized paths.
/// Every operation reads the preference afresh and writes it back at once.
namespace PinnedApps {

inline const QString key = QStringLiteral("pinnedApps");

/// The path of the URL with "." and ".." components resolved.
QString standardizedPath(const QUrl& url);
QStringList paths(const Preferences& preferences);
void setPaths(Preferences& preferences, const QStringList& paths);
bool contains(const Preferences& preferences, const QUrl& url);
void add(Preferences& preferences, const QUrl& url);
void remove(Preferences& preferences, const QUrl& url);
/// Replaces the list with the Dock's apps, then its folders (the desktop's own where there is
/// no Dock).
void importFromDock(Platform& platform);
/// The app entries (paths with the application suffix), in list order.
std::vector<AppSource::DockTile> appTiles(const Preferences& preferences,
                                          const Workspace& workspace);
/// The folder entries, in list order.
std::vector<QUrl> folders(const Preferences& preferences, const Workspace& workspace);

}  // namespace PinnedApps
}  // namespace tandri
