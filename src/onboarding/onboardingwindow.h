// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "onboarding/onboardingview.h"
#include "onboarding/welcomepresenter.h"

namespace tandri {

struct Platform;

/// The welcome guide's one window. It counts as done only once the user closes it: a window
/// that goes away because the program ends leaves the guide to come back at the next start.
/// Main thread.
class OnboardingWindow : public QObject, public WelcomePresenter {
public:
    static inline const QString doneKey = QStringLiteral("onboardingDone");
    static inline const QString stepKey = QStringLiteral("onboardingStep");
    /// The page a restart reopens: the permissions, which the restart was for.
    static constexpr int restartStep = 2;
    static constexpr QSize windowSize{480, 660};

    explicit OnboardingWindow(Platform& platform);
    ~OnboardingWindow() override;

    /// Ends the program, after `relaunch`; the owner's orderly way out.
    std::function<void()> endProgram;

    void show(std::optional<int> step) override;
    bool isDone() const override;
    void setRefusedShortcut(const std::optional<Shortcut>& refused) override;
    /// The program is ending: closing the window from now on is not the user's doing.
    void applicationWillTerminate() { quitting_ = true; }
    /// Remembers the permissions page, arranges a fresh start and ends the program. A fresh
    /// start that could not be arranged is logged; the program ends all the same, and the next
    /// start by hand reopens the page.
    void relaunch();

    /// The window while it is up.
    QWidget* window() const { return window_; }
    OnboardingView* view() const { return view_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// The Done button: the user's close.
    void finish();
    void closedByUser();

    Platform& platform_;
    QPointer<QWidget> window_;
    /// Closed windows whose deletion is still to come; they go at the latest with this object,
    /// since their pages observe services that may not outlive it.
    std::vector<QPointer<QWidget>> closed_;
    QPointer<OnboardingView> view_;
    std::optional<Shortcut> refused_;
    bool quitting_ = false;
    bool finishing_ = false;
};

}  // namespace tandri
