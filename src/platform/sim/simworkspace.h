// SPDX-License-Identifier: MIT
#pragma once

#include <map>
#include <mutex>

#include "platform/common/drawnicons.h"
#include "platform/sim/simstate.h"
#include "platform/workspace.h"

namespace tandri::sim {

/// The simulated desktop's running applications and workspace services. Every request that
/// changes something is written to the desktop's action log.
class SimWorkspace : public Workspace {
public:
    SimWorkspace(SimState& state, DrawnIcons& icons);

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
    /// The imitated system's own, whether or not it runs.
    /// None: the imitated system's Dock names them.
    std::vector<QUrl> defaultFolders() const override { return {}; }
    /// The simulated desktop's Dock keeps its own.
    std::vector<QUrl> pinnedApps() const override { return {}; }
    std::optional<QString> fileManagerID() const override {
        return QStringLiteral("com.apple.finder");
    }

    void openApplication(const QUrl& url, bool activates,
                         std::function<void(std::optional<QString> error)> completion) override;
    void activate(qint32 pid) override;
    void unhide(qint32 pid) override;
    void hide(qint32 pid) override;
    void terminate(qint32 pid) override;
    void forceTerminate(qint32 pid) override;
    void openFiles(const std::vector<QUrl>& urls, const QUrl& application, bool activates) override;
    /// Moves the item into the desktop's Trash folder under a free name.
    bool moveToTrash(const QUrl& url) override;
    void openURL(const QUrl& url) override;
    void revealInFileManager(const std::vector<QUrl>& urls) override;

    DisplayOptions displayOptions() const override;
    bool darkAppearance() const override;
    std::optional<QColor> accentColor() const override;

private:
    // These expect the state's mutex to be held.
    RunningApp snapshot(const SimState::App& app) const;
    QString appName(const SimState::App& app) const;
    std::optional<QString> bundleIDAt(const QString& path) const;
    bool isKnownBundle(const QString& path) const;
    void bringForward(SimState::App& app);

    SimState& state_;
    DrawnIcons& icons_;
    mutable std::mutex iconMutex_;
    mutable std::map<QString, QImage> fileIcons_;
};

}  // namespace tandri::sim
