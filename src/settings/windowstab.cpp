// SPDX-License-Identifier: MIT
#include "settings/windowstab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "platform/platform.h"
#include "platform/preferences.h"
#include "platform/screencapture.h"
#include "platform/vocabulary.h"
#include "prefs/brand.h"
#include "prefs/settings.h"
#include "settings/formparts.h"
#include "settings/permissionrow.h"
#include "settings/permissionwatch.h"
#include "settings/previewsizeslider.h"
#include "windows/windowsource.h"

namespace tandri {

WindowsTab::WindowsTab(Platform& platform)
    : platform_(platform),
      permissions_(std::make_unique<PermissionWatch>(platform)),
      layoutDetail_(FormParts::note({}, QStringLiteral("layoutDetail"))) {
    Preferences& preferences = platform.preferences;
    const Vocabulary& words = platform.vocabulary;
    std::vector<std::pair<QString, QString>> layouts;
    layouts.reserve(allWindowLayouts.size());
    for (WindowLayout layout : allWindowLayouts)
        layouts.emplace_back(title(layout), rawValue(layout));
    layout_ = FormParts::boundPicker(
        preferences, Settings::windowLayoutKey, QStringLiteral("Show windows as"), layouts,
        rawValue(Settings::windowLayout(preferences)), QStringLiteral("windowLayout"));
    accessibility_ =
        new PermissionRow(QStringLiteral("Accessibility"),
                          QStringLiteral("Needed to list window titles and bring up one window."),
                          words.accessibilityHelp(),
                          [&platform] { WindowSource::requestAccess(platform.accessibility); });
    accessibility_->setObjectName(QStringLiteral("accessibilityRow"));
    const std::optional<QString> captureHelp = words.screenRecordingHelp();
    screenRecording_ = new PermissionRow(
        QStringLiteral("Screen Recording"),
        captureHelp ? QStringLiteral("Needed to capture the thumbnails.")
                    : QStringLiteral("Needed to capture the thumbnails. Quit and reopen ") +
                          Brand::name() + QStringLiteral(" after allowing it."),
        captureHelp, [&platform] { platform.screenCapture.requestPermission(); });
    screenRecording_->setObjectName(QStringLiteral("screenRecordingRow"));
    previewSize_ = new PreviewSizeSlider(preferences);

    auto* layout = new QVBoxLayout(this);
    auto* pickerRow = new QHBoxLayout;
    pickerRow->addWidget(new QLabel(QStringLiteral("Show windows as")));
    pickerRow->addWidget(layout_, 1);
    layout->addLayout(pickerRow);
    layout->addWidget(layoutDetail_);
    layout->addWidget(accessibility_);

    QCheckBox* thumbnails =
        FormParts::boundToggle(preferences, Settings::thumbnailsKey,
                               QStringLiteral("Window thumbnails"), QStringLiteral("thumbnails"));
    thumbnails_ = thumbnails;
    layout->addWidget(thumbnails);
    QString footer = QStringLiteral(
        "Outer arc: each window is a thumbnail and the one you point at grows. Column: each title "
        "gets a small thumbnail and the one you point at opens a large preview beside the list.");
    if (const QString system = words.systemName(); !system.isEmpty())
        footer += u' ' + system + QStringLiteral(" may ask now and then whether ") + Brand::name() +
                  QStringLiteral(" can keep capturing your screen.");
    layout->addWidget(FormParts::note(footer, QStringLiteral("thumbnailsNote")));
    layout->addWidget(screenRecording_);
    layout->addWidget(previewSize_);
    layout->addStretch();

    connect(layout_, &QComboBox::activated, this, [this] { refresh(); });
    connect(thumbnails, &QCheckBox::toggled, this, [this] { refresh(); });
    permissions_->changed = [this] {
        refresh();
    };
    refresh();
}

WindowsTab::~WindowsTab() = default;

void WindowsTab::refresh() {
    const Preferences& preferences = platform_.preferences;
    const WindowLayout layout = Settings::windowLayout(preferences);
    const bool thumbnails = preferences.boolValue(Preferences::appDomain, Settings::thumbnailsKey);
    layoutDetail_->setText(detail(layout));
    accessibility_->setVisible(layout != WindowLayout::Off);
    accessibility_->setAllowed(permissions_->accessibility());
    screenRecording_->setVisible(thumbnails && layout != WindowLayout::Off);
    screenRecording_->setAllowed(permissions_->screenCapture());
    previewSize_->setVisible(thumbnails && layout == WindowLayout::Column);
}

}  // namespace tandri
