// SPDX-License-Identifier: MIT
#include "settings/permissionrow.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <utility>

#include "settings/formparts.h"
#include "settings/symbols.h"

namespace tandri {

PermissionRow::PermissionRow(QString title, const QString& reason, std::optional<QString> help,
                             std::function<void()> request, QWidget* parent)
    : QWidget(parent),
      title_(std::move(title)),
      symbol_(new QLabel),
      state_(new QLabel),
      reason_(FormParts::note(help ? reason + u' ' + *help : reason)),
      allow_(new QPushButton(QStringLiteral("Allow…"))) {
    symbol_->setPixmap(Symbols::icon(QStringLiteral("checkmark.circle.fill")).pixmap(16, 16));
    allow_->setObjectName(QStringLiteral("allow"));
    // Where the desktop has nothing to ask, a button would only pretend.
    allow_->setHidden(help.has_value());
    allow_->setProperty("never", help.has_value());
    connect(allow_, &QPushButton::clicked, this, [request = std::move(request)] {
        if (request)
            request();
    });
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(symbol_, 0, 0);
    layout->addWidget(state_, 0, 1);
    layout->addWidget(allow_, 0, 2, Qt::AlignRight);
    layout->addWidget(reason_, 1, 1, 1, 2);
    layout->setColumnStretch(1, 1);
    allowed_ = true;
    setAllowed(false);
}

void PermissionRow::setAllowed(bool allowed) {
    if (allowed == allowed_)
        return;
    allowed_ = allowed;
    state_->setText(title_ +
                    (allowed ? QStringLiteral(" allowed") : QStringLiteral(" not allowed")));
    symbol_->setVisible(allowed);
    reason_->setVisible(!allowed);
    allow_->setVisible(!allowed && !allow_->property("never").toBool());
}

QString PermissionRow::text() const {
    return allowed_ ? state_->text() : state_->text() + u'\n' + reason_->text();
}

}  // namespace tandri
