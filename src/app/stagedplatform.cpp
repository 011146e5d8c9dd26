// SPDX-License-Identifier: MIT
#include "app/stagedplatform.h"

#include <QDir>

#include "diagnostics/stageddesktop.h"
#include "platform/common/jsonpreferences.h"
#include "platform/common/linuxsystem.h"
#include "platform/common/linuxvocabulary.h"
#include "platform/common/localfiles.h"
#include "platform/common/notificationcenter.h"
#include "platform/common/signalquitrequests.h"
#include "platform/sim/manualqueues.h"
#include "platform/sim/simdesktop.h"
#include "platform/sim/virtualclock.h"
#include "prefs/settings.h"
#include "ring/ringcontroller.h"
#include "windows/thumbnailcache.h"

namespace tandri {

struct StagedPlatform::Services {
    explicit Services(const QString& configFolder)
        : preferences(QDir(configFolder).filePath(QStringLiteral("tandri/defaults")),
                      notifications) {}

    NotificationCenter notifications;
    JsonPreferences preferences;
    sim::VirtualClock clock;
    sim::ManualQueues queues;
    LocalFiles files;
    SignalQuitRequests quitRequests;
    LinuxSystem system;
    LinuxVocabulary vocabulary;
    std::unique_ptr<sim::SimDesktop> desktop;
    std::unique_ptr<Platform> platform;
    std::unique_ptr<ThumbnailCache> thumbnails;
};

std::unique_ptr<StagedPlatform> StagedPlatform::create(const QByteArray& description,
                                                       const QString& configFolder,
                                                       QString* error) {
    auto services = std::make_unique<Services>(configFolder);
    auto loaded = sim::SimDesktop::fromJson(description, QStringLiteral("staged desktop"));
    if (!loaded.desktop) {
        if (error)
            *error = loaded.error;
        return nullptr;
    }
    services->desktop = std::move(loaded.desktop);
    sim::SimDesktop& desktop = *services->desktop;
    desktop.registerDomainDefaults(services->preferences);
    services->platform = std::make_unique<Platform>(Platform{
        services->preferences, services->notifications, services->clock, services->queues,
        services->files, desktop.workspace(), desktop.accessibility(), desktop.windowList(),
        desktop.screens(), desktop.overlays(), services->system, desktop.screenCapture(),
        desktop.keyboard(), desktop.pointerButtons(), services->quitRequests, desktop.statusItems(),
        desktop.contextMenus(), desktop.loginItems(), services->vocabulary});
    services->thumbnails = std::make_unique<ThumbnailCache>(*services->platform);
    return std::unique_ptr<StagedPlatform>(new StagedPlatform(std::move(services)));
}

std::unique_ptr<StagedPlatform> StagedPlatform::sample(const QString& folder, bool dark,
                                                       const QColor& accent, QString* error) {
    const QString root = QDir(folder).filePath(QStringLiteral("desktop"));
    if (const QString problem = StagedDesktop::make(root); !problem.isEmpty()) {
        if (error)
            *error = problem;
        return nullptr;
    }
    auto staged = create(StagedDesktop::description(root, dark, accent),
                         QDir(folder).filePath(QStringLiteral("config")), error);
    if (!staged)
        return nullptr;
    Preferences& preferences = staged->platform().preferences;
    Settings::registerDefaults(preferences);
    StagedDesktop::pin(preferences, root);
    preferences.setValue(Preferences::appDomain, Settings::thumbnailsKey, true);
    return staged;
}

StagedPlatform::StagedPlatform(std::unique_ptr<Services> services)
    : services_(std::move(services)) {}

StagedPlatform::~StagedPlatform() = default;

Platform& StagedPlatform::platform() {
    return *services_->platform;
}

sim::SimDesktop& StagedPlatform::desktop() {
    return *services_->desktop;
}

ThumbnailCache& StagedPlatform::thumbnails() {
    return *services_->thumbnails;
}

void StagedPlatform::run(double seconds) {
    const double step = RingController::frameInterval;
    for (double passed = 0; passed < seconds; passed += step) {
        services_->queues.drain();
        services_->clock.advance(std::min(step, seconds - passed));
    }
    services_->queues.drain();
}

}  // namespace tandri
