// SPDX-License-Identifier: MIT
#include "catalogue/ringapp.h"

#include "catalogue/appsource.h"
#include "catalogue/urlpaths.h"
#include "platform/workspace.h"

namespace tandri {

std::optional<qint32> RingApp::pid() const {
    if (running)
        return running->pid;
    return stagedPID;
}

std::optional<int> RingApp::moreCount() const {
    if (kind == Kind::More)
        return moreApps;
    return std::nullopt;
}

RingApp RingApp::fromRunning(const RunningApp& app) {
    RingApp entry;
    entry.kind = Kind::App;
    if (app.localizedName) {
        entry.name = *app.localizedName;
    } else if (app.bundleURL) {
        entry.name = UrlPaths::deletingPathExtension(UrlPaths::lastPathComponent(*app.bundleURL));
    } else {
        entry.name = QStringLiteral("App");
    }
    entry.icon = app.icon;
    entry.bundleID = app.bundleID;
    entry.url = app.bundleURL;
    entry.running = app;
    return entry;
}

RingApp RingApp::fromPinned(Workspace& workspace, const AppSource::DockTile& tile) {
    RingApp entry;
    entry.kind = Kind::App;
    entry.name = tile.name;
    entry.icon = AppSource::icon(workspace, tile.url);
    entry.bundleID = tile.bundleID;
    entry.url = tile.url;
    return entry;
}

RingApp RingApp::fromFolder(Workspace& workspace, const QUrl& url) {
    RingApp entry;
    entry.kind = Kind::Folder;
    entry.name = workspace.displayName(UrlPaths::filePath(url));
    entry.icon = AppSource::icon(workspace, url);
    entry.url = url;
    return entry;
}

RingApp RingApp::trash(Workspace& workspace) {
    RingApp entry;
    entry.kind = Kind::Trash;
    entry.name = QStringLiteral("Trash");
    entry.icon = workspace.trashIcon();
    entry.url = workspace.trashURL();
    return entry;
}

RingApp RingApp::staged(Workspace& workspace, const QUrl& bundle, std::optional<qint32> pid) {
    RingApp entry;
    entry.kind = Kind::App;
    entry.name = workspace.displayName(UrlPaths::filePath(bundle));
    const QString suffix = workspace.applicationSuffix();
    if (!suffix.isEmpty())
        entry.name.remove(suffix);
    entry.icon = AppSource::icon(workspace, bundle);
    entry.bundleID = workspace.bundleIdentifier(bundle);
    entry.url = bundle;
    entry.stagedPID = pid;
    return entry;
}

RingApp RingApp::more(int count) {
    RingApp entry;
    entry.kind = Kind::More;
    entry.moreApps = count;
    entry.name = QString::number(count) + QStringLiteral(" more apps");
    return entry;
}

}  // namespace tandri
