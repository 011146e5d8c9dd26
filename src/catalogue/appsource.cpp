// SPDX-License-Identifier: MIT
#include "catalogue/appsource.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <algorithm>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "catalogue/pinnedapps.h"
#include "catalogue/urlpaths.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/preferences.h"
#include "platform/queues.h"
#include "platform/system.h"
#include "platform/workspace.h"

namespace tandri::AppSource {
namespace {

// The Dock keeps its tiles as an array of dictionaries; anything else reads as no tiles at all.
std::optional<std::vector<QJsonObject>> tileDictionaries(const Preferences& preferences,
                                                         const QString& key) {
    const QJsonValue value = preferences.value(dockDomain, key);
    if (!value.isArray())
        return std::nullopt;
    std::vector<QJsonObject> tiles;
    for (const QJsonValue element : value.toArray()) {
        if (!element.isObject())
            return std::nullopt;
        tiles.push_back(element.toObject());
    }
    return tiles;
}

// The "_CFURLString" of a tile's "file-data", when every level has the right type.
std::optional<QString> urlString(const QJsonObject& tileData) {
    const QJsonValue fileData = tileData.value(QStringLiteral("file-data"));
    if (!fileData.isObject())
        return std::nullopt;
    const QJsonValue string = fileData.toObject().value(QStringLiteral("_CFURLString"));
    if (!string.isString())
        return std::nullopt;
    return string.toString();
}

// Absent when the URL parser rejects the string outright.
std::optional<QUrl> parseURL(const QString& string) {
    QUrl url(string, QUrl::StrictMode);
    if (!url.isValid() || url.isEmpty())
        return std::nullopt;
    return url;
}

double launchOrder(const RunningApp& app) {
    return app.launchDate.value_or(Clock::distantPast);
}

}  // namespace

Contents ringContents(Platform& platform, AppSet set, bool places) {
    std::vector<DockTile> tiles;
    std::vector<QUrl> folders;
    switch (set) {
        case AppSet::DockAndOpen:
            tiles = desktopTiles(platform);
            folders = desktopFolders(platform);
            break;
        case AppSet::PinnedAndOpen:
            tiles = PinnedApps::appTiles(platform.preferences, platform.workspace);
            folders = PinnedApps::folders(platform.preferences, platform.workspace);
            break;
        case AppSet::OpenOnly:
            break;
    }

    Contents contents;
    contents.apps = mergeWithRunning(platform, tiles);
    if (!places)
        return contents;
    for (const QUrl& folder : folders) {
        if (!platform.files.exists(UrlPaths::filePath(folder)))
            continue;
        contents.places.push_back(RingApp::fromFolder(platform.workspace, folder));
    }
    contents.places.push_back(RingApp::trash(platform.workspace));
    return contents;
}

std::vector<RingApp> ringApps(Platform& platform, bool includePinned) {
    std::vector<DockTile> tiles;
    if (includePinned)
        tiles = desktopTiles(platform);
    return mergeWithRunning(platform, tiles);
}

std::vector<RingApp> mergeWithRunning(Platform& platform, const std::vector<DockTile>& tiles) {
    Workspace& workspace = platform.workspace;
    const qint32 ownPID = workspace.ownPID();

    std::vector<RunningApp> running;
    for (RunningApp& app : workspace.runningApps()) {
        if (app.activationPolicy != RunningApp::regularPolicy)
            continue;
        if (app.pid == ownPID || app.terminated)
            continue;
        running.push_back(std::move(app));
    }
    std::stable_sort(running.begin(), running.end(), [](const RunningApp& a, const RunningApp& b) {
        return launchOrder(a) < launchOrder(b);
    });

    // emplace keeps the first (older) process for a key shared by several.
    std::unordered_map<QString, const RunningApp*> byBundleID;
    std::unordered_map<QString, const RunningApp*> byPath;
    for (const RunningApp& app : running) {
        if (app.bundleID)
            byBundleID.emplace(*app.bundleID, &app);
        if (app.bundleURL) {
            const QString path = UrlPaths::standardizedPath(*app.bundleURL);
            if (!path.isEmpty())
                byPath.emplace(path, &app);
        }
    }

    std::vector<RingApp> result;
    std::unordered_set<qint32> placed;
    auto add = [&](RingApp entry) {
        if (auto pid = entry.pid())
            placed.insert(*pid);
        result.push_back(std::move(entry));
    };

    // The file manager leads, where the desktop names one and it runs.
    if (const auto fileManager = platform.workspace.fileManagerID()) {
        if (auto found = byBundleID.find(*fileManager); found != byBundleID.end())
            add(RingApp::fromRunning(*found->second));
    }

    for (const DockTile& tile : tiles) {
        const RunningApp* app = nullptr;
        if (tile.bundleID) {
            if (auto found = byBundleID.find(*tile.bundleID); found != byBundleID.end()) {
                app = found->second;
            }
        }
        if (!app) {
            const QString path = UrlPaths::standardizedPath(tile.url);
            if (auto found = byPath.find(path); !path.isEmpty() && found != byPath.end()) {
                app = found->second;
            }
        }
        if (app) {
            if (!placed.contains(app->pid))
                add(RingApp::fromRunning(*app));
        } else if (platform.files.exists(UrlPaths::filePath(tile.url))) {
            add(RingApp::fromPinned(workspace, tile));
        }
    }

    for (const RunningApp& app : running) {
        if (!placed.contains(app.pid))
            add(RingApp::fromRunning(app));
    }
    return result;
}

std::vector<DockTile> dockTiles(const Preferences& preferences, const Workspace& workspace) {
    std::vector<DockTile> tiles;
    const auto dictionaries = tileDictionaries(preferences, QStringLiteral("persistent-apps"));
    if (!dictionaries)
        return tiles;
    for (const QJsonObject& dictionary : *dictionaries) {
        const QJsonValue tileDataValue = dictionary.value(QStringLiteral("tile-data"));
        if (!tileDataValue.isObject())
            continue;
        const QJsonObject tileData = tileDataValue.toObject();

        std::optional<QString> bundleID;
        const QJsonValue identifier = tileData.value(QStringLiteral("bundle-identifier"));
        if (identifier.isString())
            bundleID = identifier.toString();

        std::optional<QUrl> url;
        if (auto string = urlString(tileData))
            url = parseURL(*string);
        if (!url && bundleID)
            url = workspace.urlForBundleIdentifier(*bundleID);
        if (!url || !url->isLocalFile())
            continue;

        QString name;
        const QJsonValue label = tileData.value(QStringLiteral("file-label"));
        if (label.isString()) {
            name = label.toString();
        } else {
            name = UrlPaths::deletingPathExtension(UrlPaths::lastPathComponent(*url));
        }
        tiles.push_back(DockTile{bundleID, *url, name});
    }
    return tiles;
}

std::vector<QUrl> dockFolders(const Preferences& preferences) {
    std::vector<QUrl> folders;
    const auto dictionaries = tileDictionaries(preferences, QStringLiteral("persistent-others"));
    if (!dictionaries)
        return folders;
    for (const QJsonObject& dictionary : *dictionaries) {
        if (dictionary.value(QStringLiteral("tile-type")) !=
            QJsonValue(QStringLiteral("directory-tile"))) {
            continue;
        }
        const QJsonValue tileData = dictionary.value(QStringLiteral("tile-data"));
        if (!tileData.isObject())
            continue;
        const auto string = urlString(tileData.toObject());
        if (!string)
            continue;
        // Only a string the parser rejects is taken as a plain path; one it accepts as a
        // relative or non-file URL is not a folder.
        QUrl url = parseURL(*string).value_or(QUrl::fromLocalFile(*string));
        if (!url.isLocalFile())
            continue;
        folders.push_back(url);
    }
    return folders;
}

std::vector<DockTile> desktopTiles(Platform& platform) {
    if (platform.system.hasDock())
        return dockTiles(platform.preferences, platform.workspace);
    std::vector<DockTile> tiles;
    for (const QUrl& url : platform.workspace.pinnedApps())
        tiles.push_back(tile(platform.workspace, url));
    return tiles;
}

std::vector<QUrl> desktopFolders(Platform& platform) {
    // Without a Dock the desktop's own well-known folders stand in for its folders.
    return platform.system.hasDock() ? dockFolders(platform.preferences)
                                     : platform.workspace.defaultFolders();
}

DockTile tile(const Workspace& workspace, const QUrl& url) {
    const QString suffix = workspace.applicationSuffix();
    QString name = workspace.displayName(UrlPaths::filePath(url));
    if (!suffix.isEmpty() && name.endsWith(suffix))
        name.chop(suffix.size());
    return DockTile{workspace.bundleIdentifier(url), url, name};
}

std::vector<QUrl> recentItems(const Files& files, const QUrl& folder, int limit) {
    std::vector<QUrl> urls;
    if (limit <= 0)
        return urls;
    const auto listing = files.list(UrlPaths::filePath(folder));
    if (!listing)
        return urls;

    struct Dated {
        QString path;
        double date;
    };
    std::vector<Dated> items;
    items.reserve(listing->size());
    for (const DirectoryItem& item : *listing) {
        // Hidden files are dot files here; a backend that lists one anyway must not show it.
        if (UrlPaths::lastPathComponent(QUrl::fromLocalFile(item.path)).startsWith(u'.')) {
            continue;
        }
        const double date =
            item.dateAdded.value_or(item.contentModified.value_or(Clock::distantPast));
        items.push_back(Dated{item.path, date});
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const Dated& a, const Dated& b) { return a.date > b.date; });

    const auto count = std::min<std::size_t>(items.size(), static_cast<std::size_t>(limit));
    urls.reserve(count);
    for (std::size_t i = 0; i < count; ++i) urls.push_back(QUrl::fromLocalFile(items[i].path));
    return urls;
}

QImage icon(const Workspace& workspace, const QUrl& url) {
    // Process-wide and never trimmed: icons are asked for by path again on every opening.
    static std::unordered_map<QString, QImage> cache;
    const QString path = UrlPaths::filePath(url);
    if (auto cached = cache.find(path); cached != cache.end())
        return cached->second;
    QImage image = workspace.iconForFile(path);
    cache.emplace(path, image);
    return image;
}

void open(Platform& platform, const RingApp& entry) {
    if (entry.running) {
        activate(platform, *entry.running);
    } else if (entry.url) {
        platform.workspace.openApplication(*entry.url, true, {});
    }
}

void activate(Platform& platform, const RunningApp& app, std::function<void()> then) {
    Workspace& workspace = platform.workspace;
    const qint32 pid = app.pid;
    const auto live = workspace.runningApp(pid);
    if (app.hidden || (live && live->hidden))
        workspace.unhide(pid);

    // Opening by location names one app only when no other running copy shares it: with two
    // copies it could bring the wrong one forward (on Linux every terminal window of the same
    // program is such a copy).
    const auto shared = [&] {
        const QString path = UrlPaths::standardizedPath(*app.bundleURL);
        for (const RunningApp& other : workspace.runningApps()) {
            if (other.pid != pid && !other.terminated && other.bundleURL &&
                UrlPaths::standardizedPath(*other.bundleURL) == path) {
                return true;
            }
        }
        return false;
    };
    if (!app.bundleURL || shared()) {
        workspace.activate(pid);
        if (then)
            then();
        return;
    }
    Queues* queues = &platform.queues;
    Workspace* target = &workspace;
    workspace.openApplication(
        *app.bundleURL, true,
        [queues, target, pid, then = std::move(then)](const std::optional<QString>& error) {
            if (error)
                queues->main([target, pid] { target->activate(pid); });
            if (then)
                then();
        });
}

}  // namespace tandri::AppSource
