// SPDX-License-Identifier: MIT
#include "onboarding/setupstep.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "onboarding/guidewidgets.h"
#include "platform/notifications.h"
#include "platform/platform.h"
#include "platform/preferences.h"
#include "platform/system.h"
#include "platform/vocabulary.h"
#include "prefs/appset.h"
#include "prefs/brand.h"
#include "prefs/settings.h"
#include "settings/loginitemtoggle.h"
#include "triggers/shortcutrecorder.h"

namespace tandri {

SetUpStep::SetUpStep(Platform& platform, QWidget* parent)
    : QWidget(parent),
      platform_(platform),
      recorder_(std::make_unique<ShortcutRecorder>(platform)) {
    const QString name = Brand::name();
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(12);
    layout->addWidget(GuideWidgets::heading(QStringLiteral("Make it yours"), "heading", this));
    auto* form = new QFormLayout;
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);

    apps_ = new QComboBox(this);
    apps_->setObjectName(QStringLiteral("apps"));
    for (AppSet set : allAppSets) apps_->addItem(title(set, platform.vocabulary), rawValue(set));
    connect(apps_, &QComboBox::activated, this, [this](int index) {
        platform_.preferences.setValue(Preferences::appDomain, Settings::appSetKey,
                                       apps_->itemData(index).toString());
    });
    form->addRow(QStringLiteral("Apps on the ring"), apps_);

    if (platform.system.hasDock()) {
        const QString system = platform.vocabulary.systemName();
        hideDock_ = new QCheckBox(
            system.isEmpty() ? QStringLiteral("Hide the Dock")
                             : QStringLiteral("Hide the ") + system + QStringLiteral(" Dock"),
            this);
        hideDock_->setObjectName(QStringLiteral("hideDock"));
        connect(hideDock_, &QCheckBox::toggled, this, [this](bool on) {
            platform_.preferences.setValue(Preferences::appDomain, Settings::hideDockKey, on);
        });
        auto* note = GuideWidgets::paragraph(
            QStringLiteral("Keeps the Dock out of sight so ") + name +
                QStringLiteral(" can take its place. Turning this off, or quitting ") + name +
                QStringLiteral(", puts it back as it was."),
            "hideDockNote", this);
        note->setForegroundRole(QPalette::PlaceholderText);
        form->addRow(hideDock_);
        form->addRow(note);
    }

    middleClick_ = new QCheckBox(QStringLiteral("Middle-click opens the ring"), this);
    middleClick_->setObjectName(QStringLiteral("middleClick"));
    connect(middleClick_, &QCheckBox::toggled, this, [this](bool on) {
        platform_.preferences.setValue(Preferences::appDomain, Settings::middleClickKey, on);
    });
    form->addRow(middleClick_);

    auto* shortcutBox = new QVBoxLayout;
    shortcut_ = new QPushButton(this);
    shortcut_->setObjectName(QStringLiteral("shortcut"));
    connect(shortcut_, &QPushButton::clicked, this, [this] { recorder_->toggle(); });
    shortcutBox->addWidget(shortcut_, 0, Qt::AlignLeft);
    shortcutHint_ = GuideWidgets::paragraph({}, "shortcutHint", this);
    shortcutBox->addWidget(shortcutHint_);
    shortcutMessage_ = GuideWidgets::paragraph({}, "shortcutMessage", this);
    shortcutBox->addWidget(shortcutMessage_);
    form->addRow(QStringLiteral("Shortcut"), shortcutBox);
    recorder_->changed = [this] {
        showRecorder();
    };

    form->addRow(new LoginItemToggle(platform, this));
    layout->addLayout(form);
    layout->addStretch();
    auto* footer = GuideWidgets::paragraph(
        QStringLiteral("All of this is in Settings too (") + platform.vocabulary.statusArea() +
            QStringLiteral(" icon → Settings…, or ") + platform.vocabulary.settingsShortcut() +
            QStringLiteral(" in the ring)."),
        "footer", this);
    footer->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(footer);

    preferences_ = platform.notifications.observe(Preferences::changedNotification,
                                                  [this](const QVariant&) { refresh(); });
    refresh();
}

SetUpStep::~SetUpStep() {
    // The recorder's last word, if it was recording, must not reach the widgets going away.
    recorder_->changed = nullptr;
}

void SetUpStep::refresh() {
    const Preferences& prefs = platform_.preferences;
    {
        const QSignalBlocker quiet(apps_);
        apps_->setCurrentIndex(apps_->findData(rawValue(Settings::appSet(prefs))));
    }
    if (hideDock_) {
        const QSignalBlocker quiet(hideDock_);
        hideDock_->setChecked(Settings::hideDock(prefs));
    }
    {
        const QSignalBlocker quiet(middleClick_);
        middleClick_->setChecked(Settings::middleClick(prefs));
    }
    showRecorder();
}

void SetUpStep::showRecorder() {
    const QString label = platform_.vocabulary.shortcut(recorder_->shortcut().label);
    shortcut_->setText(recorder_->isRecording() ? ShortcutRecorder::recordingText : label);
    shortcutHint_->setText(QStringLiteral("Hold ") + label);
    const QString message = recorder_->message().value_or(QString());
    shortcutMessage_->setText(message);
    shortcutMessage_->setVisible(!message.isEmpty());
}

}  // namespace tandri
