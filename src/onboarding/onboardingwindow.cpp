// SPDX-License-Identifier: MIT
#include "onboarding/onboardingwindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>

#include "onboarding/onboardingview.h"
#include "platform/platform.h"
#include "platform/preferences.h"
#include "platform/system.h"
#include "prefs/brand.h"

namespace tandri {

OnboardingWindow::OnboardingWindow(Platform& platform) : platform_(platform) {
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, [this] { applicationWillTerminate(); });
}

OnboardingWindow::~OnboardingWindow() {
    if (window_) {
        window_->removeEventFilter(this);
        closed_.push_back(window_);
    }
    for (const QPointer<QWidget>& window : closed_) delete window.data();
}

void OnboardingWindow::show(std::optional<int> step) {
    if (!window_) {
        const qint64 start =
            step ? *step : platform_.preferences.integerValue(Preferences::appDomain, stepKey);
        const int page = int(std::clamp<qint64>(start, 0, OnboardingView::lastStep));
        // Above other programs' windows, so that it stays in sight while the ring is tried.
        auto* window =
            new QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                     Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
        window->setObjectName(QStringLiteral("onboarding"));
        window->setWindowTitle(QStringLiteral("Welcome to ") + Brand::name());
        window->setFixedSize(windowSize);
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        view_ = new OnboardingView(
            platform_, page, [this] { finish(); }, [this] { relaunch(); },
            [this] { return refused_; }, window);
        layout->addWidget(view_);
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame(QPoint(), windowSize);
            frame.moveCenter(screen->availableGeometry().center());
            window->move(frame.topLeft());
        }
        window->installEventFilter(this);
        window_ = window;
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

bool OnboardingWindow::isDone() const {
    return platform_.preferences.boolValue(Preferences::appDomain, doneKey);
}

void OnboardingWindow::setRefusedShortcut(const std::optional<Shortcut>& refused) {
    refused_ = refused;
}

void OnboardingWindow::relaunch() {
    platform_.preferences.setValue(Preferences::appDomain, stepKey, restartStep);
    // The window may close on the way out; that is not the user finishing the guide.
    quitting_ = true;
    if (!platform_.system.relaunchAfterQuit()) {
        platform_.system.log(Brand::name() +
                             QStringLiteral(" could not arrange to start again; start it once "
                                            "more to go on with the welcome guide."));
    }
    if (endProgram)
        endProgram();
}

void OnboardingWindow::finish() {
    if (!window_)
        return;
    finishing_ = true;
    window_->close();
    finishing_ = false;
}

bool OnboardingWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::Close) {
        // A close from the window manager or from Done is the user's; one from the program's
        // own code (its windows closed on the way out) is not.
        if ((event->spontaneous() || finishing_) && !quitting_)
            closedByUser();
        window_->removeEventFilter(this);
        window_->deleteLater();
        std::erase_if(closed_, [](const QPointer<QWidget>& window) { return !window; });
        closed_.push_back(window_);
        window_ = nullptr;
        view_ = nullptr;
    }
    return QObject::eventFilter(watched, event);
}

void OnboardingWindow::closedByUser() {
    platform_.preferences.setValue(Preferences::appDomain, doneKey, true);
    platform_.preferences.removeValue(Preferences::appDomain, stepKey);
}

}  // namespace tandri
