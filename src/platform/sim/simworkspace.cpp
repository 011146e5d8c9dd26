// SPDX-License-Identifier: MIT
#include "platform/sim/simworkspace.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <limits>

namespace tandri::sim {

namespace {

const QString appSuffix = QStringLiteral(".app");

QString flag(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

QString lastComponent(const QString& path) {
    QString clean = SimState::standardPath(path);
    if (clean == u'/')
        return clean;
    const QString name = QFileInfo(clean).fileName();
    return name.isEmpty() ? path : name;
}

QString withoutSuffix(QString name) {
    if (name.endsWith(appSuffix))
        name.chop(appSuffix.size());
    return name;
}

qint32 realPID() {
    return qint32(QCoreApplication::applicationPid());
}

}  // namespace

SimWorkspace::SimWorkspace(SimState& state, DrawnIcons& icons) : state_(state), icons_(icons) {}

qint32 SimWorkspace::ownPID() const {
    std::lock_guard lock(state_.mutex);
    // A desktop file may happen to use this process's own number for an app; the program would
    // then take that app for itself and leave it off the ring.
    qint32 pid = realPID();
    while (state_.app(pid)) pid = pid == std::numeric_limits<qint32>::max() ? 1 : pid + 1;
    return pid;
}

QString SimWorkspace::appName(const SimState::App& app) const {
    if (app.name)
        return *app.name;
    if (app.bundlePath)
        return withoutSuffix(lastComponent(*app.bundlePath));
    return QStringLiteral("App");
}

RunningApp SimWorkspace::snapshot(const SimState::App& app) const {
    RunningApp running;
    running.pid = app.pid;
    running.localizedName = app.name;
    running.icon = icons_.appIcon(appName(app), app.iconPath);
    running.bundleID = app.bundleID;
    if (app.bundlePath)
        running.bundleURL = QUrl::fromLocalFile(*app.bundlePath);
    running.launchDate = app.launched;
    running.hidden = app.hidden;
    running.activationPolicy =
        app.regular ? RunningApp::regularPolicy : RunningApp::accessoryPolicy;
    running.terminated = app.terminated;
    return running;
}

std::vector<RunningApp> SimWorkspace::runningApps() const {
    std::lock_guard lock(state_.mutex);
    std::vector<RunningApp> result;
    result.reserve(state_.apps.size());
    for (const auto& app : state_.apps) result.push_back(snapshot(app));
    return result;
}

std::optional<RunningApp> SimWorkspace::runningApp(qint32 pid) const {
    std::lock_guard lock(state_.mutex);
    const SimState::App* app = state_.app(pid);
    if (!app || app->terminated)
        return std::nullopt;
    return snapshot(*app);
}

std::optional<qint32> SimWorkspace::frontmostPID() const {
    std::lock_guard lock(state_.mutex);
    return state_.frontmost;
}

std::optional<QUrl> SimWorkspace::urlForBundleIdentifier(const QString& bundleID) const {
    std::lock_guard lock(state_.mutex);
    if (auto it = state_.bundles.find(bundleID); it != state_.bundles.end()) {
        return QUrl::fromLocalFile(it->second);
    }
    for (const auto& app : state_.apps) {
        if (app.bundleID == bundleID && app.bundlePath)
            return QUrl::fromLocalFile(*app.bundlePath);
    }
    return std::nullopt;
}

std::optional<QString> SimWorkspace::bundleIDAt(const QString& path) const {
    const QString wanted = SimState::standardPath(path);
    for (const auto& [bundleID, bundlePath] : state_.bundles) {
        if (SimState::standardPath(bundlePath) == wanted)
            return bundleID;
    }
    for (const auto& app : state_.apps) {
        if (app.bundleID && app.bundlePath && SimState::standardPath(*app.bundlePath) == wanted) {
            return app.bundleID;
        }
    }
    return std::nullopt;
}

bool SimWorkspace::isKnownBundle(const QString& path) const {
    const QString wanted = SimState::standardPath(path);
    for (const auto& entry : state_.bundles) {
        if (SimState::standardPath(entry.second) == wanted)
            return true;
    }
    return std::any_of(state_.apps.begin(), state_.apps.end(), [&](const auto& app) {
        return app.bundlePath && SimState::standardPath(*app.bundlePath) == wanted;
    });
}

std::optional<QString> SimWorkspace::bundleIdentifier(const QUrl& url) const {
    if (!url.isLocalFile())
        return std::nullopt;
    std::lock_guard lock(state_.mutex);
    return bundleIDAt(url.toLocalFile());
}

QString SimWorkspace::displayName(const QString& path) const {
    return lastComponent(path);
}

QImage SimWorkspace::iconForFile(const QString& path) const {
    const QString key = SimState::standardPath(path);
    {
        std::lock_guard lock(iconMutex_);
        if (auto it = fileIcons_.find(key); it != fileIcons_.end())
            return it->second;
    }
    QImage icon;
    {
        std::lock_guard lock(state_.mutex);
        if (const SimState::App* app = state_.runningAppAt(key)) {
            icon = icons_.appIcon(appName(*app), app->iconPath);
        } else if (isKnownBundle(key) || key.endsWith(appSuffix)) {
            icon = icons_.appIcon(withoutSuffix(lastComponent(key)), std::nullopt);
        }
    }
    if (icon.isNull())
        icon = QFileInfo(key).isDir() ? icons_.folderIcon() : icons_.documentIcon();
    std::lock_guard lock(iconMutex_);
    return fileIcons_.emplace(key, icon).first->second;
}

QImage SimWorkspace::trashIcon() const {
    return icons_.trashIcon();
}

QUrl SimWorkspace::trashURL() const {
    return QUrl::fromLocalFile(QDir::homePath() + QStringLiteral("/.Trash"));
}

QString SimWorkspace::applicationSuffix() const {
    return appSuffix;
}

void SimWorkspace::bringForward(SimState::App& app) {
    state_.frontmost = app.pid;
    app.hidden = false;
}

void SimWorkspace::openApplication(const QUrl& url, bool activates,
                                   std::function<void(std::optional<QString> error)> completion) {
    std::optional<QString> error;
    {
        std::lock_guard lock(state_.mutex);
        const QString path =
            url.isLocalFile() ? SimState::standardPath(url.toLocalFile()) : url.toString();
        state_.log(QStringLiteral("open-app %1 activates=%2").arg(path, flag(activates)));
        if (!url.isLocalFile()) {
            error = QStringLiteral("No application at ") + path;
        } else if (const SimState::App* running = state_.runningAppAt(path)) {
            if (activates)
                bringForward(*state_.app(running->pid));
        } else if (isKnownBundle(path) || QFileInfo::exists(path)) {
            SimState::App launched;
            qint32 highestPID = 0;
            std::optional<double> latestLaunch;
            for (const auto& app : state_.apps) {
                highestPID = std::max(highestPID, app.pid);
                if (app.launched)
                    latestLaunch = std::max(latestLaunch.value_or(*app.launched), *app.launched);
            }
            launched.pid = highestPID + 1;
            // The new process must not look like this program itself.
            if (launched.pid == realPID())
                ++launched.pid;
            launched.name = withoutSuffix(lastComponent(path));
            launched.bundleID = bundleIDAt(path);
            launched.bundlePath = path;
            launched.launched = latestLaunch.value_or(0) + 1;
            state_.log(QStringLiteral("launch %1 pid=%2").arg(path).arg(launched.pid));
            if (activates)
                state_.frontmost = launched.pid;
            state_.apps.push_back(std::move(launched));
        } else {
            error = QStringLiteral("No application at ") + path;
        }
    }
    // Outside the lock: the completion may well ask the workspace again.
    if (completion)
        completion(error);
}

void SimWorkspace::activate(qint32 pid) {
    std::lock_guard lock(state_.mutex);
    state_.log(QStringLiteral("activate %1").arg(pid));
    SimState::App* app = state_.app(pid);
    if (app && !app->terminated)
        bringForward(*app);
}

void SimWorkspace::unhide(qint32 pid) {
    std::lock_guard lock(state_.mutex);
    state_.log(QStringLiteral("unhide %1").arg(pid));
    SimState::App* app = state_.app(pid);
    if (app && !app->terminated)
        app->hidden = false;
}

void SimWorkspace::hide(qint32 pid) {
    std::lock_guard lock(state_.mutex);
    state_.log(QStringLiteral("hide %1").arg(pid));
    SimState::App* app = state_.app(pid);
    if (app && !app->terminated)
        app->hidden = true;
}

void SimWorkspace::terminate(qint32 pid) {
    std::lock_guard lock(state_.mutex);
    state_.log(QStringLiteral("terminate %1").arg(pid));
    if (SimState::App* app = state_.app(pid))
        app->terminated = true;
}

void SimWorkspace::forceTerminate(qint32 pid) {
    std::lock_guard lock(state_.mutex);
    state_.log(QStringLiteral("force-terminate %1").arg(pid));
    if (SimState::App* app = state_.app(pid))
        app->terminated = true;
}

void SimWorkspace::openFiles(const std::vector<QUrl>& urls, const QUrl& application,
                             bool activates) {
    QStringList paths;
    for (const auto& url : urls) paths << (url.isLocalFile() ? url.toLocalFile() : url.toString());
    std::lock_guard lock(state_.mutex);
    const QString app = application.isLocalFile()
                            ? SimState::standardPath(application.toLocalFile())
                            : application.toString();
    state_.log(QStringLiteral("open-files %1 activates=%2 %3")
                   .arg(app, flag(activates), paths.join(u' ')));
}

bool SimWorkspace::moveToTrash(const QUrl& url) {
    const QString source = url.isLocalFile() ? QDir::cleanPath(url.toLocalFile()) : QString();
    const QFileInfo item(source);
    const QString trash = trashURL().toLocalFile();
    bool moved = false;
    // Never the Trash itself or something inside it, and never a name that is taken there.
    if (!source.isEmpty() && (item.exists() || item.isSymLink()) &&
        !(source + u'/').startsWith(trash + u'/') && QDir().mkpath(trash)) {
        const QString base = item.completeBaseName();
        const QString suffix = item.suffix().isEmpty() ? QString() : u'.' + item.suffix();
        QString target = QDir(trash).filePath(item.fileName());
        for (int counter = 2; QFileInfo::exists(target) || QFileInfo(target).isSymLink();
             ++counter) {
            target = QDir(trash).filePath(base + u' ' + QString::number(counter) + suffix);
        }
        moved = QFile::rename(source, target);
    }
    std::lock_guard lock(state_.mutex);
    state_.log((moved ? QStringLiteral("trash ") : QStringLiteral("trash-failed ")) +
               (source.isEmpty() ? url.toString() : source));
    return moved;
}

void SimWorkspace::openURL(const QUrl& url) {
    std::lock_guard lock(state_.mutex);
    state_.log(QStringLiteral("open-url ") + url.toString());
}

void SimWorkspace::revealInFileManager(const std::vector<QUrl>& urls) {
    QStringList paths;
    for (const auto& url : urls) paths << (url.isLocalFile() ? url.toLocalFile() : url.toString());
    std::lock_guard lock(state_.mutex);
    state_.log(QStringLiteral("reveal ") + paths.join(u' '));
}

DisplayOptions SimWorkspace::displayOptions() const {
    std::lock_guard lock(state_.mutex);
    return state_.displayOptions;
}

bool SimWorkspace::darkAppearance() const {
    std::lock_guard lock(state_.mutex);
    return state_.dark;
}

std::optional<QColor> SimWorkspace::accentColor() const {
    std::lock_guard lock(state_.mutex);
    return state_.accent;
}

}  // namespace tandri::sim
