// SPDX-License-Identifier: MIT
#include "settings/generaltab.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/platform.h"
#include "platform/preferences.h"
#include "prefs/settings.h"
#include "settings/formparts.h"
#include "settings/loginitemtoggle.h"
#include "settings/permissionwatch.h"
#include "settings/symbols.h"
#include "triggers/shortcutconflicts.h"
#include "triggers/shortcutrecorder.h"

namespace tandri {

namespace {

const QString recorderHint = QStringLiteral(
    "Click, then press the new shortcut. Hold it to flick, tap it to keep the ring open. Esc "
    "cancels.");

}  // namespace

GeneralTab::GeneralTab(Platform& platform)
    : platform_(platform),
      recorder_(std::make_unique<ShortcutRecorder>(platform)),
      permissions_(std::make_unique<PermissionWatch>(platform)),
      record_(new QPushButton),
      reset_(new QPushButton(QStringLiteral("Reset"))),
      note_(FormParts::note({}, QStringLiteral("shortcutNote"))),
      conflict_(new QWidget),
      conflictText_(FormParts::note({}, QStringLiteral("conflict"))),
      middleClickNote_(FormParts::note({}, QStringLiteral("middleClickNote"))) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new LoginItemToggle(platform));

    QGroupBox* shortcut =
        FormParts::section(QStringLiteral("Shortcut"), QStringLiteral("shortcut"));
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Open the ring")));
    row->addStretch();
    record_->setObjectName(QStringLiteral("recorder"));
    record_->setFixedWidth(110);
    // Keys typed while recording belong to the recorder, not to the button.
    record_->setFocusPolicy(Qt::NoFocus);
    reset_->setObjectName(QStringLiteral("reset"));
    reset_->setFocusPolicy(Qt::NoFocus);
    row->addWidget(record_);
    row->addWidget(reset_);
    FormParts::rows(shortcut)->addLayout(row);
    shortcut->layout()->addWidget(note_);

    auto* conflictRow = new QHBoxLayout(conflict_);
    conflictRow->setContentsMargins(0, 0, 0, 0);
    auto* warningSymbol = new QLabel;
    warningSymbol->setPixmap(
        Symbols::icon(QStringLiteral("exclamationmark.triangle.fill")).pixmap(16, 16));
    conflictRow->addWidget(warningSymbol, 0, Qt::AlignTop);
    conflictRow->addWidget(conflictText_, 1);
    shortcut->layout()->addWidget(conflict_);

    shortcut->layout()->addWidget(FormParts::boundToggle(
        platform.preferences, Settings::middleClickKey,
        QStringLiteral("Middle-click opens the ring"), QStringLiteral("middleClick")));
    shortcut->layout()->addWidget(middleClickNote_);
    layout->addWidget(shortcut);
    layout->addStretch();

    connect(record_, &QPushButton::clicked, this, [this] { recorder_->toggle(); });
    connect(reset_, &QPushButton::clicked, this, [this] { recorder_->reset(); });
    recorder_->changed = [this] {
        refreshShortcut();
    };
    permissions_->changed = [this] {
        refreshMiddleClickNote();
    };
    refreshShortcut();
    refreshMiddleClickNote();
}

GeneralTab::~GeneralTab() {
    recorder_->changed = nullptr;
}

void GeneralTab::refreshShortcut() {
    const bool recording = recorder_->isRecording();
    record_->setText(recorder_->controlText());
    reset_->setVisible(!recording && recorder_->shortcut() != Shortcut::standard());
    note_->setText(recorder_->message().value_or(recorderHint));
    const std::optional<QString> warning =
        recording ? std::nullopt : ShortcutConflicts::warning(platform_, recorder_->shortcut());
    conflictText_->setText(
        warning ? *warning + QStringLiteral(" If the ring doesn't open, choose another shortcut "
                                            "here, or change it in that app.")
                : QString());
    conflict_->setVisible(warning.has_value());
}

void GeneralTab::refreshMiddleClickNote() {
    middleClickNote_->setText(
        permissions_->accessibility()
            ? QStringLiteral("The middle click is kept from the app under the cursor.")
            : QStringLiteral("Without Accessibility, the middle click also reaches the app under "
                             "the cursor."));
}

}  // namespace tandri
