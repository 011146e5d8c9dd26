// SPDX-License-Identifier: MIT
#include "onboarding/welcomestep.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include "catalogue/appsource.h"
#include "onboarding/flickdemo.h"
#include "onboarding/guidewidgets.h"
#include "onboarding/shortcutofferbox.h"
#include "platform/notifications.h"
#include "platform/platform.h"
#include "platform/preferences.h"
#include "platform/system.h"
#include "platform/vocabulary.h"
#include "prefs/brand.h"
#include "triggers/shortcutoffer.h"

namespace tandri {

namespace {

QLabel* image(const QImage& picture, QSize points, const QString& name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    const qreal scale = label->devicePixelRatioF();
    QPixmap pixmap = QPixmap::fromImage(
        picture.scaled(points * scale, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(scale);
    label->setPixmap(pixmap);
    label->setFixedSize(points);
    return label;
}

}  // namespace

WelcomeStep::WelcomeStep(Platform& platform, const std::optional<Shortcut>& refused,
                         std::function<void()> toRecorder, QWidget* parent)
    : QWidget(parent), platform_(platform) {
    const QString name = Brand::name();
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(10);
    // The program's own mark stands for its icon: it has no other.
    layout->addWidget(image(Brand::menuBarImage(84.0 / 18 * 2), {84, 84}, "appIcon", this), 0,
                      Qt::AlignHCenter);
    layout->addWidget(GuideWidgets::heading(QStringLiteral("Welcome to ") + name, "title", this));
    // Where there is no Dock, the ring stands in for the apps, not for a Dock.
    auto* subtitle = GuideWidgets::paragraph(platform.system.hasDock()
                                                 ? QStringLiteral("Your Dock, at your cursor.")
                                                 : QStringLiteral("Your apps, at your cursor."),
                                             "subtitle", this);
    subtitle->setAlignment(Qt::AlignHCenter);
    layout->addWidget(subtitle);

    std::vector<QImage> icons;
    for (const RingApp& app : AppSource::ringApps(platform, true)) {
        if (!app.icon.isNull())
            icons.push_back(app.icon);
    }
    layout->addWidget(new FlickDemo(platform.clock, std::move(icons), this), 0, Qt::AlignHCenter);

    hold_ = new QLabel(this);
    hold_->setObjectName(QStringLiteral("hold"));
    hold_->setWordWrap(true);
    hold_->setTextFormat(Qt::RichText);
    layout->addWidget(hold_);
    if (auto offer = ShortcutOffer::forStandard(platform, refused)) {
        layout->addWidget(
            new ShortcutOfferBox(platform, std::move(*offer), std::move(toRecorder), this));
    }

    auto* lives = new QHBoxLayout;
    lives->addStretch();
    QLabel* livesIn = GuideWidgets::paragraph(
        name + QStringLiteral(" lives in the ") + platform.vocabulary.statusArea() + u':',
        "livesIn", this);
    // One line beside its icon: wrapping would squeeze it between the stretches.
    livesIn->setWordWrap(false);
    lives->addWidget(livesIn);
    lives->addWidget(image(Brand::menuBarImage(), {18, 18}, "statusImage", this));
    lives->addStretch();
    layout->addLayout(lives);
    layout->addStretch();

    // A shortcut taken on this page or elsewhere is the one to hold.
    preferences_ = platform.notifications.observe(Preferences::changedNotification,
                                                  [this](const QVariant&) { refresh(); });
    refresh();
}

WelcomeStep::~WelcomeStep() = default;

void WelcomeStep::refresh() {
    hold_->setText(QStringLiteral("Hold <b>") +
                   GuideWidgets::shortcutLabel(platform_).toHtmlEscaped() +
                   QStringLiteral("</b> wherever your cursor is: your apps appear in a ring around "
                                  "it. Flick toward one and let go to switch to it."));
}

}  // namespace tandri
