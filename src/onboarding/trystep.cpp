// SPDX-License-Identifier: MIT
#include "onboarding/trystep.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "onboarding/guidewidgets.h"
#include "onboarding/shortcutofferbox.h"
#include "platform/notifications.h"
#include "platform/platform.h"
#include "platform/preferences.h"
#include "platform/vocabulary.h"
#include "prefs/settingstab.h"
#include "ring/ringcontroller.h"
#include "settings/settingspresenter.h"
#include "triggers/shortcut.h"
#include "triggers/shortcutconflicts.h"
#include "triggers/shortcutoffer.h"

namespace tandri {

TryItStep::TryItStep(Platform& platform, const std::optional<Shortcut>& refused,
                     std::function<void()> toRecorder, QWidget* parent)
    : QWidget(parent), platform_(platform) {
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(12);
    layout->addWidget(GuideWidgets::heading(QStringLiteral("Try it"), "heading", this));
    layout->addWidget(GuideWidgets::paragraph(
        QStringLiteral("This guide stays on top while you try, so you can come back to it."),
        "note", this));

    const struct {
        const char* name;
        QString title;
    } rows[] = {
        {"tryOpen", QStringLiteral("Open the ring")},
        {"trySwitch", QStringLiteral("Switch apps")},
        {"tryKeepOpen", QStringLiteral("Keep it open")},
    };
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    std::array<QLabel*, 3> texts{};
    for (int i = 0; i < 3; ++i) {
        marks_[i] = GuideWidgets::symbol(QStringLiteral("circle"), 22, this);
        marks_[i]->setObjectName(QString::fromLatin1(rows[i].name) + QStringLiteral("Mark"));
        auto* title = new QLabel(rows[i].title, this);
        title->setObjectName(QString::fromLatin1(rows[i].name) + QStringLiteral("Title"));
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        texts[i] = GuideWidgets::paragraph(
            {}, QString::fromLatin1(rows[i].name) + QStringLiteral("Text"), this);
        grid->addWidget(marks_[i], 2 * i, 0, 2, 1, Qt::AlignTop);
        grid->addWidget(title, 2 * i, 1);
        grid->addWidget(texts[i], 2 * i + 1, 1);
    }
    openText_ = texts[Open];
    keepOpenText_ = texts[KeepOpen];
    texts[Switch]->setText(QStringLiteral("Keep holding, move toward an app, and let go."));
    layout->addLayout(grid);

    layout->addWidget(GuideWidgets::paragraph(
        QStringLiteral("More to discover: reach an app with a badge to see its windows, "
                       "right-click an app for Hide and Quit, drop files on an app to open them, "
                       "and press ") +
            platform.vocabulary.settingsShortcut() + QStringLiteral(" in the ring for Settings."),
        "more", this));

    if (auto offer = ShortcutOffer::forStandard(platform, refused)) {
        // Known to be held, not only possibly shared: the offer says so instead of the warning.
        layout->addWidget(
            new ShortcutOfferBox(platform, std::move(*offer), std::move(toRecorder), this));
    } else if (const auto warning =
                   ShortcutConflicts::warning(platform, Shortcut::current(platform.preferences))) {
        auto* row = new QHBoxLayout;
        row->addWidget(
            GuideWidgets::symbol(QStringLiteral("exclamationmark.triangle.fill"), 22, this), 0,
            Qt::AlignTop);
        auto* column = new QVBoxLayout;
        column->addWidget(GuideWidgets::paragraph(
            *warning + QStringLiteral(" If the ring doesn't open, choose another shortcut, or use "
                                      "the middle mouse button."),
            "warning", this));
        auto* choose = new QPushButton(QStringLiteral("Choose Another Shortcut…"), this);
        choose->setObjectName(QStringLiteral("chooseShortcut"));
        connect(choose, &QPushButton::clicked, this, [&platform] {
            platform.notifications.post(SettingsPresenter::openNotification,
                                        SettingsTabs::rawValue(SettingsTab::General));
        });
        column->addWidget(choose, 0, Qt::AlignLeft);
        row->addLayout(column, 1);
        layout->addLayout(row);
    }
    layout->addStretch();

    opened_ = platform.notifications.observe(
        RingController::openedNotification, [this](const QVariant& sticky) {
            tick(Open);
            // Only a tapped ring stays open; a held one
            // says false.
            if (sticky.typeId() == QMetaType::Bool && sticky.toBool())
                tick(KeepOpen);
        });
    picked_ = platform.notifications.observe(RingController::pickedNotification,
                                             [this](const QVariant&) { tick(Switch); });
    preferences_ = platform.notifications.observe(Preferences::changedNotification,
                                                  [this](const QVariant&) { refresh(); });
    refresh();
}

TryItStep::~TryItStep() = default;

void TryItStep::refresh() {
    const QString label = GuideWidgets::shortcutLabel(platform_);
    openText_->setText(QStringLiteral("Hold ") + label +
                       QStringLiteral(". The ring appears around your cursor."));
    keepOpenText_->setText(QStringLiteral("Tap ") + label +
                           QStringLiteral(" instead of holding. The ring stays until you click an "
                                          "app, press Esc or click away."));
}

void TryItStep::tick(Row row) {
    if (done_[row])
        return;
    done_[row] = true;
    GuideWidgets::setSymbol(marks_[row], QStringLiteral("checkmark.circle.fill"));
}

}  // namespace tandri
