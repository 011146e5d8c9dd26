// SPDX-License-Identifier: MIT
#include "onboarding/shortcutofferbox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include "onboarding/guidewidgets.h"
#include "platform/notifications.h"
#include "platform/platform.h"
#include "platform/preferences.h"
#include "platform/vocabulary.h"
#include "prefs/settings.h"

namespace tandri {

ShortcutOfferBox::ShortcutOfferBox(Platform& platform, ShortcutOffer::Offer offer,
                                   std::function<void()> toRecorder, QWidget* parent)
    : QWidget(parent), platform_(platform), offer_(std::move(offer)) {
    setObjectName(QStringLiteral("shortcutOffer"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(GuideWidgets::symbol(QStringLiteral("exclamationmark.triangle.fill"), 22, this),
                   0, Qt::AlignTop);
    auto* column = new QVBoxLayout;
    text_ = GuideWidgets::paragraph({}, "offerText", this);
    column->addWidget(text_);
    button_ = new QPushButton(this);
    button_->setObjectName(QStringLiteral("offerButton"));
    if (offer_.alternative) {
        button_->setText(QStringLiteral("Use ") +
                         platform.vocabulary.shortcut(offer_.alternative->label));
        connect(button_, &QPushButton::clicked, this, [this] { take(); });
    } else {
        button_->setText(QStringLiteral("Choose a Shortcut…"));
        connect(button_, &QPushButton::clicked, this, [toRecorder = std::move(toRecorder)] {
            if (toRecorder)
                toRecorder();
        });
    }
    column->addWidget(button_, 0, Qt::AlignLeft);
    row->addLayout(column, 1);

    preferences_ = platform.notifications.observe(Preferences::changedNotification,
                                                  [this](const QVariant&) { refresh(); });
    refresh();
}

ShortcutOfferBox::~ShortcutOfferBox() = default;

void ShortcutOfferBox::take() {
    if (!offer_.alternative)
        return;
    taken_ = offer_.alternative;
    // The delegate registers it once the preferences say so.
    taken_->save(platform_.preferences);
    refresh();
}

void ShortcutOfferBox::refresh() {
    const Vocabulary& words = platform_.vocabulary;
    const Shortcut stored = Shortcut::current(platform_.preferences);
    if (stored != Shortcut::standard()) {
        // Another shortcut is stored now: confirmed when it is the one taken here, else the
        // offer no longer applies.
        setVisible(taken_ == stored);
        text_->setText(words.shortcut(stored.label) + QStringLiteral(" is your shortcut now."));
        button_->hide();
        return;
    }
    QString text = offer_.heldBy + u' ';
    if (offer_.alternative) {
        text +=
            words.shortcut(offer_.alternative->label) + QStringLiteral(" is free on this desktop.");
    } else {
        QStringList names;
        for (const Shortcut& candidate : ShortcutOffer::candidates())
            names << words.shortcut(candidate.label);
        const QString last = names.takeLast();
        text += QStringLiteral("None of ") + names.join(QStringLiteral(", ")) +
                QStringLiteral(" or ") + last +
                QStringLiteral(
                    " is free here either: choose your own shortcut at the end of "
                    "this guide.");
    }
    // The button works whatever the keyboard does.
    if (Settings::middleClick(platform_.preferences))
        text += QStringLiteral(" The middle mouse button opens the ring either way.");
    text_->setText(text);
    button_->show();
    show();
}

}  // namespace tandri
