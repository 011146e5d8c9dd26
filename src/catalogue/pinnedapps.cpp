// SPDX-License-Identifier: MIT
#include "catalogue/pinnedapps.h"

#include <QJsonArray>
#include <QJsonValue>
#include <optional>

#include "catalogue/appsource.h"
#include "catalogue/urlpaths.h"
#include "platform/platform.h"
#include "platform/preferences.h"
#include "platform/workspace.h"

namespace tandri::PinnedApps {

QString standardizedPath(const QUrl& url) {
    return UrlPaths::standardizedPath(url);
}

namespace {

std::optional<QStringList> stringList(const QJsonValue& value) {
    if (!value.isArray())
        return std::nullopt;
    QStringList list;
    for (const QJsonValue element : value.toArray()) {
        if (!element.isString())
            return std::nullopt;
        list.append(element.toString());
    }
    return list;
}

// A stored value that is not a list of paths reads as an empty list, but it is the user's: before
// the first write replaces it, it is kept under a key of its own.
void keepUnreadable(Preferences& preferences) {
    const QJsonValue stored = preferences.storedValue(Preferences::appDomain, key);
    if (stored.isUndefined() || stringList(stored))
        return;
    QString backup = key + QStringLiteral(".unreadable");
    for (int n = 2; !preferences.storedValue(Preferences::appDomain, backup).isUndefined(); ++n) {
        backup = key + QStringLiteral(".unreadable.%1").arg(n);
    }
    preferences.setValue(Preferences::appDomain, backup, stored);
}

}  // namespace

QStringList paths(const Preferences& preferences) {
    // A list with anything but paths in it is not ours to interpret.
    return stringList(preferences.value(Preferences::appDomain, key)).value_or(QStringList());
}

void setPaths(Preferences& preferences, const QStringList& paths) {
    keepUnreadable(preferences);
    preferences.setValue(Preferences::appDomain, key, QJsonArray::fromStringList(paths));
}

bool contains(const Preferences& preferences, const QUrl& url) {
    return paths(preferences).contains(standardizedPath(url));
}

void add(Preferences& preferences, const QUrl& url) {
    QStringList list = paths(preferences);
    const QString path = standardizedPath(url);
    if (list.contains(path))
        return;
    list.append(path);
    setPaths(preferences, list);
}

void remove(Preferences& preferences, const QUrl& url) {
    QStringList list = paths(preferences);
    list.removeAll(standardizedPath(url));
    setPaths(preferences, list);
}

void importFromDock(Platform& platform) {
    QStringList list;
    for (const AppSource::DockTile& tile : AppSource::desktopTiles(platform)) {
        list.append(standardizedPath(tile.url));
    }
    for (const QUrl& folder : AppSource::desktopFolders(platform)) {
        list.append(standardizedPath(folder));
    }
    setPaths(platform.preferences, list);
}

std::vector<AppSource::DockTile> appTiles(const Preferences& preferences,
                                          const Workspace& workspace) {
    const QString suffix = workspace.applicationSuffix();
    std::vector<AppSource::DockTile> tiles;
    for (const QString& path : paths(preferences)) {
        if (path.endsWith(suffix, Qt::CaseSensitive))
            tiles.push_back(AppSource::tile(workspace, QUrl::fromLocalFile(path)));
    }
    return tiles;
}

std::vector<QUrl> folders(const Preferences& preferences, const Workspace& workspace) {
    const QString suffix = workspace.applicationSuffix();
    std::vector<QUrl> urls;
    for (const QString& path : paths(preferences)) {
        if (path.endsWith(suffix, Qt::CaseSensitive))
            continue;
        urls.push_back(QUrl::fromLocalFile(path));
    }
    return urls;
}

}  // namespace tandri::PinnedApps
