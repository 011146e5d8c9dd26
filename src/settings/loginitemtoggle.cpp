// SPDX-License-Identifier: MIT
#include "settings/loginitemtoggle.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "platform/loginitems.h"
#include "platform/platform.h"
#include "platform/vocabulary.h"
#include "prefs/brand.h"

namespace tandri {

LoginItemToggle::LoginItemToggle(Platform& platform, QWidget* parent)
    : QWidget(parent),
      platform_(platform),
      toggle_(new QCheckBox(QStringLiteral("Open ") + Brand::name() + QStringLiteral(" at login"),
                            this)),
      note_(new QLabel(this)) {
    toggle_->setObjectName(QStringLiteral("loginItem"));
    note_->setObjectName(QStringLiteral("loginItemNote"));
    note_->setWordWrap(true);
    note_->setForegroundRole(QPalette::PlaceholderText);
    note_->hide();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(toggle_);
    layout->addWidget(note_);
    showStatus();
    connect(toggle_, &QCheckBox::toggled, this, [this](bool on) { set(on); });
}

QString LoginItemToggle::note() const {
    return note_->text();
}

void LoginItemToggle::set(bool on) {
    LoginItems& items = platform_.loginItems;
    const std::optional<QString> error = on ? items.enable() : items.disable();
    QString text;
    if (error)
        text = *error;
    else if (items.status() == LoginItems::Status::RequiresApproval)
        text = QStringLiteral("Allow ") + Brand::name() + QStringLiteral(" in ") +
               platform_.vocabulary.loginItemSettings() + u'.';
    note_->setText(text);
    note_->setVisible(!text.isEmpty());
    showStatus();
}

void LoginItemToggle::showStatus() {
    const QSignalBlocker quiet(toggle_);
    toggle_->setChecked(platform_.loginItems.status() == LoginItems::Status::Enabled);
}

}  // namespace tandri
