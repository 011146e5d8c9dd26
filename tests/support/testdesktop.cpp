// SPDX-License-Identifier: MIT
#include "support/testdesktop.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/common/jsonpreferences.h"
#include "platform/common/localfiles.h"
#include "platform/common/notificationcenter.h"
#include "platform/common/signalquitrequests.h"
#include "platform/sim/manualqueues.h"
#include "platform/sim/simdesktop.h"
#include "platform/sim/virtualclock.h"

namespace tandri::test {

TestDesktop::TestDesktop(const QByteArray& desktopJson)
    : notifications_(std::make_unique<NotificationCenter>()),
      clock_(std::make_unique<sim::VirtualClock>()),
      queues_(std::make_unique<sim::ManualQueues>()),
      files_(std::make_unique<LocalFiles>()),
      quitRequests_(std::make_unique<SignalQuitRequests>()) {
    if (!config_.isValid() || !scratch_.isValid())
        ADD_FAILURE() << "no temporary folder";
    preferences_ = std::make_unique<JsonPreferences>(
        QDir(config_.path()).filePath(QStringLiteral("tandri/defaults")), *notifications_);

    auto loaded = sim::SimDesktop::fromJson(desktopJson, QStringLiteral("test desktop"));
    if (!loaded.desktop) {
        ADD_FAILURE() << loaded.error.toStdString();
        loaded = sim::SimDesktop::fromJson("{}", QStringLiteral("empty desktop"));
    }
    sim_ = std::move(loaded.desktop);
    sim_->registerDomainDefaults(*preferences_);

    platform_ = std::make_unique<Platform>(
        Platform{*preferences_, *notifications_, *clock_, *queues_, *files_, sim_->workspace(),
                 sim_->accessibility(), sim_->windowList(), sim_->screens(), sim_->overlays(),
                 sim_->system(), sim_->screenCapture(), sim_->keyboard(), sim_->pointerButtons(),
                 *quitRequests_, sim_->statusItems(), sim_->contextMenus(), sim_->loginItems(),
                 sim_->vocabulary()});
}

TestDesktop::~TestDesktop() = default;

Platform replacing(const Platform& base, const ServiceOverrides& with) {
    return Platform{base.preferences,
                    base.notifications,
                    base.clock,
                    base.queues,
                    with.files ? *with.files : base.files,
                    with.workspace ? *with.workspace : base.workspace,
                    base.accessibility,
                    base.windowList,
                    base.screens,
                    base.overlays,
                    with.system ? *with.system : base.system,
                    base.screenCapture,
                    base.keyboard,
                    base.pointerButtons,
                    base.quitRequests,
                    base.statusItems,
                    base.contextMenus,
                    with.loginItems ? *with.loginItems : base.loginItems,
                    with.vocabulary ? *with.vocabulary : base.vocabulary};
}

Platform& TestDesktop::platform() {
    return *platform_;
}
sim::SimDesktop& TestDesktop::sim() {
    return *sim_;
}
sim::VirtualClock& TestDesktop::clock() {
    return *clock_;
}
sim::ManualQueues& TestDesktop::queues() {
    return *queues_;
}
Preferences& TestDesktop::preferences() {
    return *preferences_;
}
Notifications& TestDesktop::notifications() {
    return *notifications_;
}

QString TestDesktop::configDir() const {
    return config_.path();
}

QString TestDesktop::path(const QString& relative) const {
    return QDir::cleanPath(QDir(scratch_.path()).filePath(relative));
}

QString TestDesktop::makeFolder(const QString& relative) {
    const QString folder = path(relative);
    if (!QDir().mkpath(folder))
        ADD_FAILURE() << "cannot create " << folder.toStdString();
    return folder;
}

QString TestDesktop::makeFile(const QString& relative, const QByteArray& contents) {
    const QString file = path(relative);
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(contents) != contents.size()) {
        ADD_FAILURE() << "cannot write " << file.toStdString();
    }
    return file;
}

}  // namespace tandri::test
