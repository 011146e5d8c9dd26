#include "onboarding/trystep.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "onboarding/guidewidgets.h"
#include "platform/notifications.h"
#include "platform/platform.h"
#include "platform/vocabulary.h"
#include "prefs/settingstab.h"
#include "ring/ringcontroller.h"
#include "settings/settingspresenter.h"
#include "triggers/shortcut.h"
#include "triggers/shortcutconflicts.h"

namespace tandri {

TryItStep::TryItStep(Platform& platform, QWidget* parent) : QWidget(parent) {
    const QString label = GuideWidgets::shortcutLabel(platform);
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(12);
    layout->addWidget(GuideWidgets::heading(QStringLiteral("Try it"), "heading", this));
    layout->addWidget(GuideWidgets::paragraph(
        QStringLiteral("This guide stays on top while you try, so you can come back to it."),
        "note", this));

    const struct {
        const char* name;
        QString title;
        QString text;
    } rows[] = {
        {"tryOpen", QStringLiteral("Open the ring"),
         QStringLiteral("Hold ") + label +
             QStringLiteral(". The ring appears around your cursor.")},
        {"trySwitch", QStringLiteral("Switch apps"),
         QStringLiteral("Keep holding, move toward an app, and let go.")},
        {"tryKeepOpen", QStringLiteral("Keep it open"),
         QStringLiteral("Tap ") + label +
             QStringLiteral(" instead of holding. The ring stays until you click an app, press Esc "
                            "or click away.")},
    };
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    for (int i = 0; i < 3; ++i) {
        marks_[i] = GuideWidgets::symbol(QStringLiteral("circle"), 22, this);
        marks_[i]->setObjectName(QString::fromLatin1(rows[i].name) + QStringLiteral("Mark"));
        auto* title = new QLabel(rows[i].title, this);
        title->setObjectName(QString::fromLatin1(rows[i].name) + QStringLiteral("Title"));
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        grid->addWidget(marks_[i], 2 * i, 0, 2, 1, Qt::AlignTop);
        grid->addWidget(title, 2 * i, 1);
        grid->addWidget(
            GuideWidgets::paragraph(
                rows[i].text, QString::fromLatin1(rows[i].name) + QStringLiteral("Text"), this),
            2 * i + 1, 1);
    }
    layout->addLayout(grid);

    layout->addWidget(GuideWidgets::paragraph(
        QStringLiteral("More to discover: reach an app with a badge to see its windows, "
                       "right-click an app for Hide and Quit, drop files on an app to open them, "
                       "and press ") +
            platform.vocabulary.settingsShortcut() + QStringLiteral(" in the ring for Settings."),
        "more", this));

    if (const auto warning =
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
}

TryItStep::~TryItStep() = default;

void TryItStep::tick(Row row) {
    if (done_[row])
        return;
    done_[row] = true;
    GuideWidgets::setSymbol(marks_[row], QStringLiteral("checkmark.circle.fill"));
}

}  // namespace tandri
