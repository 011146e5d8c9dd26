// SPDX-License-Identifier: MIT
#include "onboarding/guidepermissionrow.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "onboarding/guidewidgets.h"

namespace tandri {

GuidePermissionRow::GuidePermissionRow(const QString& name, const QString& title, bool recommended,
                                       const QString& text, std::optional<QString> help,
                                       std::function<void()> allow, QWidget* parent)
    : QWidget(parent),
      mark_(GuideWidgets::symbol(QStringLiteral("lock.fill"), 22, this)),
      allowedLabel_(new QLabel(QStringLiteral("Allowed"), this)) {
    setObjectName(name);
    mark_->setObjectName(name + QStringLiteral("Mark"));
    allowedLabel_->setObjectName(name + QStringLiteral("Allowed"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(10);
    grid->addWidget(mark_, 0, 0, 3, 1, Qt::AlignTop);

    auto* top = new QHBoxLayout;
    auto* titleLabel = new QLabel(title, this);
    titleLabel->setObjectName(name + QStringLiteral("Title"));
    QFont bold = titleLabel->font();
    bold.setBold(true);
    titleLabel->setFont(bold);
    top->addWidget(titleLabel);
    if (recommended) {
        auto* tag = new QLabel(QStringLiteral("Recommended"), this);
        tag->setObjectName(name + QStringLiteral("Tag"));
        tag->setForegroundRole(QPalette::PlaceholderText);
        top->addSpacing(8);
        top->addWidget(tag);
    }
    top->addStretch();
    top->addWidget(allowedLabel_);
    if (!help) {
        allow_ = new QPushButton(QStringLiteral("Allow…"), this);
        allow_->setObjectName(name + QStringLiteral("Allow"));
        connect(allow_, &QPushButton::clicked, this, [allow = std::move(allow)] {
            if (allow)
                allow();
        });
        top->addWidget(allow_);
    }
    grid->addLayout(top, 0, 1);
    grid->addWidget(GuideWidgets::paragraph(text, name + QStringLiteral("Text"), this), 1, 1);
    if (help) {
        help_ = GuideWidgets::paragraph(*help, name + QStringLiteral("Help"), this);
        help_->setForegroundRole(QPalette::PlaceholderText);
        grid->addWidget(help_, 2, 1);
    }
    grid->setColumnStretch(1, 1);
    setAllowed(false);
}

void GuidePermissionRow::setAllowed(bool allowed) {
    allowed_ = allowed;
    GuideWidgets::setSymbol(
        mark_, allowed ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("lock.fill"));
    allowedLabel_->setVisible(allowed);
    if (allow_)
        allow_->setVisible(!allowed);
    if (help_)
        help_->setVisible(!allowed);
}

}  // namespace tandri
