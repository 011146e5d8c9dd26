// SPDX-License-Identifier: MIT
#include "platform/wayland/waylandworkspace.h"

#include <QFileInfo>
#include <algorithm>

#include "platform/wayland/foreigntoplevels.h"

namespace tandri::wayland {

using Toplevel = ForeignToplevels::Toplevel;

WaylandWorkspace::WaylandWorkspace(ForeignToplevels& toplevels, DesktopEntries& entries)
    : XdgWorkspace(entries), toplevels_(toplevels) {}

std::optional<DesktopEntries::Entry> WaylandWorkspace::entryOf(const QString& appID) const {
    if (appID.isEmpty())
        return std::nullopt;
    const quint64 generation = entries_.generation();
    if (generation != matchedGeneration_) {
        matched_.clear();
        matchedGeneration_ = generation;
    }
    auto found = matched_.find(appID);
    if (found == matched_.end()) {
        // An app id is what X11 calls the class: a desktop-file id ("org.gnome.Nautilus") or the
        // name its entry gives as StartupWMClass ("foot").
        found = matched_.emplace(appID, entries_.match(appID, appID, {appID})).first;
    }
    return found->second;
}

RunningApp WaylandWorkspace::snapshot(qint32 pid, const QString& appID, bool hidden) const {
    const auto entry = entryOf(appID);
    RunningApp app;
    app.pid = pid;
    if (entry)
        app.localizedName = entry->name;
    else if (!appID.isEmpty())
        app.localizedName = appID;
    QImage icon = entry ? entryIcon(entry->icon) : QImage();
    if (icon.isNull() && !appID.isEmpty() && !appID.contains(u'/'))
        icon = entryIcon(appID);
    app.icon =
        !icon.isNull() ? icon : drawn_.appIcon(app.localizedName.value_or(QString()), std::nullopt);
    if (entry) {
        app.bundleID = entry->id;
        app.bundleURL = QUrl::fromLocalFile(entry->path);
    }
    app.hidden = hidden;
    app.activationPolicy = RunningApp::regularPolicy;
    return app;
}

std::vector<RunningApp> WaylandWorkspace::runningApps() const {
    std::vector<Toplevel> all = toplevels_.list();
    // The order of appearance: the smallest number of each app first.
    std::stable_sort(all.begin(), all.end(),
                     [](const Toplevel& a, const Toplevel& b) { return a.id < b.id; });
    std::vector<RunningApp> apps;
    for (const Toplevel& toplevel : all) {
        if (std::any_of(apps.begin(), apps.end(),
                        [&](const RunningApp& app) { return app.pid == toplevel.pid; }))
            continue;
        const bool hidden = std::all_of(all.begin(), all.end(), [&](const Toplevel& other) {
            return other.pid != toplevel.pid || other.minimized;
        });
        apps.push_back(snapshot(toplevel.pid, toplevel.appID, hidden));
    }
    return apps;
}

std::optional<RunningApp> WaylandWorkspace::runningApp(qint32 pid) const {
    for (RunningApp& app : runningApps()) {
        if (app.pid == pid)
            return std::move(app);
    }
    return std::nullopt;
}

std::optional<qint32> WaylandWorkspace::frontmostPID() const {
    for (const Toplevel& toplevel : toplevels_.list()) {
        if (toplevel.activated)
            return toplevel.pid;
    }
    return std::nullopt;
}

void WaylandWorkspace::openApplication(
    const QUrl& url, bool activates, std::function<void(std::optional<QString> error)> completion) {
    auto finish = [&](std::optional<QString> error) {
        if (completion)
            completion(std::move(error));
    };
    const QString path = url.isLocalFile() ? url.toLocalFile() : url.toString();
    if (!url.isLocalFile() || !QFileInfo(path).isFile())
        return finish(QStringLiteral("No application at ") + path);
    const auto entry = entries_.byPath(path);
    if (!entry)
        return finish(path + QStringLiteral(" is not an application"));
    const QString wanted = QFileInfo(entry->path).canonicalFilePath();
    // Front to back: the app's window nearest the front decides.
    for (const Toplevel& toplevel : toplevels_.list()) {
        const auto own = entryOf(toplevel.appID);
        if (!own || QFileInfo(own->path).canonicalFilePath() != wanted)
            continue;
        if (activates)
            activate(toplevel.pid);
        return finish(std::nullopt);
    }
    finish(DesktopEntries::launch(*entry));
}

void WaylandWorkspace::activate(qint32 pid) {
    std::optional<quint32> target;
    for (const Toplevel& toplevel : toplevels_.list()) {
        if (toplevel.pid != pid)
            continue;
        if (!toplevel.minimized) {
            target = toplevel.id;
            break;
        }
        if (!target)
            target = toplevel.id;
    }
    if (target)
        toplevels_.activate(*target);
}

void WaylandWorkspace::unhide(qint32 pid) {
    const std::vector<Toplevel> all = toplevels_.list();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        const Toplevel& toplevel = *it;
        if (toplevel.pid == pid && toplevel.minimized)
            toplevels_.activate(toplevel.id);
    }
}

void WaylandWorkspace::hide(qint32 pid) {
    for (const Toplevel& toplevel : toplevels_.list()) {
        if (toplevel.pid == pid && !toplevel.minimized)
            toplevels_.setMinimized(toplevel.id, true);
    }
}

void WaylandWorkspace::terminate(qint32 pid) {
    for (const Toplevel& toplevel : toplevels_.list()) {
        if (toplevel.pid == pid)
            toplevels_.close(toplevel.id);
    }
}

void WaylandWorkspace::forceTerminate(qint32 pid) {
    terminate(pid);
}

}  // namespace tandri::wayland
