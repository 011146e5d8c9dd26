// SPDX-License-Identifier: MIT
#include "onboarding/permissionsstep.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "onboarding/guidepermissionrow.h"
#include "onboarding/guidewidgets.h"
#include "platform/notifications.h"
#include "platform/platform.h"
#include "platform/preferences.h"
#include "platform/screencapture.h"
#include "platform/vocabulary.h"
#include "prefs/brand.h"
#include "prefs/settings.h"
#include "settings/permissionwatch.h"
#include "windows/windowsource.h"

namespace tandri {

PermissionsStep::PermissionsStep(Platform& platform, std::function<void()> relaunch,
                                 QWidget* parent)
    : QWidget(parent), platform_(platform) {
    const QString name = Brand::name();
    const QString system = platform.vocabulary.systemName();
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(12);
    layout->addWidget(GuideWidgets::heading(QStringLiteral("Permissions"), "heading", this));
    QString intro = name + QStringLiteral(" works without these, but they unlock the best parts.");
    // Only a system that asks the user has anything to say about asking.
    if (!system.isEmpty())
        intro += u' ' + system + QStringLiteral(" asks for each one once.");
    layout->addWidget(GuideWidgets::paragraph(intro, "intro", this));

    accessibility_ = new GuidePermissionRow(
        QStringLiteral("accessibility"), QStringLiteral("Accessibility"), true,
        QStringLiteral("Lists each app's windows and brings up the one you pick, and keeps the "
                       "middle click from reaching the app underneath."),
        platform.vocabulary.accessibilityHelp(),
        [&platform] { WindowSource::requestAccess(platform.accessibility); }, this);
    layout->addWidget(accessibility_);

    thumbnails_ = new QCheckBox(QStringLiteral("Show window thumbnails"), this);
    thumbnails_->setObjectName(QStringLiteral("thumbnails"));
    connect(thumbnails_, &QCheckBox::toggled, this, [this](bool on) {
        platform_.preferences.setValue(Preferences::appDomain, Settings::thumbnailsKey, on);
        refresh();
    });
    layout->addWidget(thumbnails_);

    QString capture = QStringLiteral("Captures the window thumbnails.");
    if (!system.isEmpty())
        capture += u' ' + system + QStringLiteral(" may ask now and then whether ") + name +
                   QStringLiteral(" can keep doing so.");
    screenRecording_ = new GuidePermissionRow(
        QStringLiteral("screenRecording"), QStringLiteral("Screen Recording"), false, capture,
        platform.vocabulary.screenRecordingHelp(),
        [&platform] { platform.screenCapture.requestPermission(); }, this);
    layout->addWidget(screenRecording_);

    restart_ = new QWidget(this);
    restart_->setObjectName(QStringLiteral("restartOffer"));
    auto* restartLayout = new QVBoxLayout(restart_);
    restartLayout->setContentsMargins(0, 0, 0, 0);
    // The place to allow it is named only where the system has one by that name.
    auto* question = new QLabel(system.isEmpty() ? QStringLiteral("Allowed it just now?")
                                                 : QStringLiteral("Allowed it in System Settings?"),
                                restart_);
    question->setObjectName(QStringLiteral("restartQuestion"));
    restartLayout->addWidget(question);
    restartLayout->addWidget(GuideWidgets::paragraph(
        name + QStringLiteral(" needs a restart to use it."), "restartNote", restart_));
    auto* button = new QPushButton(QStringLiteral("Restart ") + name, restart_);
    button->setObjectName(QStringLiteral("restart"));
    connect(button, &QPushButton::clicked, this, [relaunch = std::move(relaunch)] {
        if (relaunch)
            relaunch();
    });
    restartLayout->addWidget(button, 0, Qt::AlignLeft);
    layout->addWidget(restart_);
    layout->addStretch();

    watch_ = std::make_unique<PermissionWatch>(platform);
    watch_->changed = [this] {
        refresh();
    };
    preferences_ = platform.notifications.observe(Preferences::changedNotification,
                                                  [this](const QVariant&) { refresh(); });
    refresh();
}

PermissionsStep::~PermissionsStep() = default;

void PermissionsStep::refresh() {
    const bool thumbnails =
        platform_.preferences.boolValue(Preferences::appDomain, Settings::thumbnailsKey);
    {
        const QSignalBlocker quiet(thumbnails_);
        thumbnails_->setChecked(thumbnails);
    }
    accessibility_->setAllowed(watch_->accessibility());
    screenRecording_->setVisible(thumbnails);
    screenRecording_->setAllowed(watch_->screenCapture());
    restart_->setVisible(thumbnails && watch_->screenCaptureNeedsRestart());
}

}  // namespace tandri
