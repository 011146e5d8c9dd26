// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>
#include <functional>
#include <optional>

#include "triggers/shortcut.h"

class QPushButton;
class QVBoxLayout;

namespace tandri {

struct Platform;

/// The guide's pages with Back and the button that moves on. Each page is built when it is
/// shown, so that it reads the state of things afresh and watches it only while it is up.
class OnboardingView : public QWidget {
public:
    static constexpr int lastStep = 3;

    /// `finish` closes the guide; `relaunch` restarts the program; `refused` tells the stored
    /// shortcut the hot key could not register, if any.
    OnboardingView(Platform& platform, int step, std::function<void()> finish,
                   std::function<void()> relaunch, std::function<std::optional<Shortcut>()> refused,
                   QWidget* parent = nullptr);

    int step() const { return step_; }
    void setStep(int step);
    QWidget* page() const { return page_; }

private:
    void advance();

    Platform& platform_;
    std::function<void()> finish_;
    std::function<void()> relaunch_;
    std::function<std::optional<Shortcut>()> refused_;
    int step_ = -1;
    QVBoxLayout* pageArea_;
    QWidget* page_ = nullptr;
    QPushButton* back_;
    QPushButton* primary_;
};

}  // namespace tandri
