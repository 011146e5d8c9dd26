// SPDX-License-Identifier: MIT
#include "settings/settingswindow.h"

#include <QGuiApplication>
#include <QScreen>

#include "platform/clock.h"
#include "platform/platform.h"
#include "platform/queues.h"
#include "platform/system.h"
#include "settings/settingsview.h"

namespace tandri {

SettingsWindow::SettingsWindow(Platform& platform) : platform_(platform) {}

SettingsWindow::~SettingsWindow() = default;

void SettingsWindow::show(SettingsTab tab) {
    navigation_.setTab(tab);
    if (!view_) {
        relief_.reset();
        view_ = std::make_unique<SettingsView>(platform_, navigation_);
        Liveness::Watch alive = alive_.watch();
        view_->onClose = [this, alive] {
            if (alive)
                closed();
        };
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = view_->frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            view_->move(frame.topLeft());
        }
    }
    view_->show();
    view_->raise();
    view_->activateWindow();
    if (shown)
        shown(tab);
}

void SettingsWindow::close() {
    if (view_)
        view_->close();
}

void SettingsWindow::closed() {
    // The view is still inside its own close handling: it goes on the next turn.
    Liveness::Watch alive = alive_.watch();
    platform_.queues.main([this, alive] {
        if (!alive || !view_ || view_->isVisible())
            return;
        view_.reset();
        relief_ = platform_.clock.schedule(reliefDelay, [this, alive] {
            if (alive)
                platform_.system.relieveMemory();
        });
    });
}

}  // namespace tandri
