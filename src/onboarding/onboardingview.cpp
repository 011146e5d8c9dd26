// SPDX-License-Identifier: MIT
#include "onboarding/onboardingview.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "onboarding/permissionsstep.h"
#include "onboarding/setupstep.h"
#include "onboarding/trystep.h"
#include "onboarding/welcomestep.h"
#include "platform/platform.h"
#include "platform/queues.h"

namespace tandri {

OnboardingView::OnboardingView(Platform& platform, int step, std::function<void()> finish,
                               std::function<void()> relaunch,
                               std::function<std::optional<Shortcut>()> refused, QWidget* parent)
    : QWidget(parent),
      platform_(platform),
      finish_(std::move(finish)),
      relaunch_(std::move(relaunch)),
      refused_(std::move(refused)),
      pageArea_(new QVBoxLayout),
      back_(new QPushButton(QStringLiteral("Back"), this)),
      primary_(new QPushButton(this)) {
    back_->setObjectName(QStringLiteral("back"));
    primary_->setObjectName(QStringLiteral("primary"));
    primary_->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->addLayout(pageArea_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back_);
    buttons->addStretch();
    buttons->addWidget(primary_);
    layout->addLayout(buttons);
    connect(back_, &QPushButton::clicked, this, [this] { setStep(step_ - 1); });
    connect(primary_, &QPushButton::clicked, this, [this] { advance(); });
    setStep(step);
}

void OnboardingView::setStep(int step) {
    step = std::clamp(step, 0, lastStep);
    if (step == step_)
        return;
    step_ = step;
    if (page_) {
        // Its timers and observations end with it, not later.
        delete page_;
        page_ = nullptr;
    }
    const std::optional<Shortcut> refused = refused_ ? refused_() : std::nullopt;
    // Later, from the event loop: the page asking is replaced.
    auto toRecorder = [this, view = QPointer<OnboardingView>(this)] {
        platform_.queues.main([view] {
            if (view)
                view->setStep(lastStep);
        });
    };
    switch (step) {
        case 0:
            page_ = new WelcomeStep(platform_, refused, toRecorder, this);
            break;
        case 1:
            page_ = new TryItStep(platform_, refused, toRecorder, this);
            break;
        case 2:
            page_ = new PermissionsStep(platform_, relaunch_, this);
            break;
        default:
            page_ = new SetUpStep(platform_, this);
            break;
    }
    pageArea_->addWidget(page_);
    // A layout shows a late child only once the event loop runs; the page is wanted now.
    page_->show();
    static const char* const titles[] = {"Get Started", "Continue", "Continue", "Done"};
    primary_->setText(QString::fromUtf8(titles[step]));
    back_->setVisible(step > 0);
    // The keyboard moves on without a pointer: Space on the focused button.
    primary_->setFocus();
}

void OnboardingView::advance() {
    if (step_ < lastStep)
        setStep(step_ + 1);
    else if (finish_)
        finish_();
}

}  // namespace tandri
