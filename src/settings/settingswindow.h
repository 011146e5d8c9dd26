// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <memory>

#include "platform/common/liveness.h"
#include "settings/settingsnavigation.h"
#include "settings/settingspresenter.h"

namespace tandri {

class SettingsView;
class Timer;
struct Platform;

/// Owns at most one Settings window. Closing it tears the view down on the next turn of the
/// main queue and gives the memory back to the system two seconds later; reopening builds a
/// fresh view, so every control shows the stored values again. Main thread.
class SettingsWindow : public SettingsPresenter {
public:
    /// Seconds between the teardown and the memory relief.
    static constexpr double reliefDelay = 2.0;

    explicit SettingsWindow(Platform& platform);
    ~SettingsWindow() override;
    SettingsWindow(const SettingsWindow&) = delete;
    SettingsWindow& operator=(const SettingsWindow&) = delete;

    void show(SettingsTab tab) override;
    /// Runs after every request has been shown.
    std::function<void(SettingsTab)> shown;
    void close();

    /// The window, or null while it is closed.
    SettingsView* view() const { return view_.get(); }
    SettingsNavigation& navigation() { return navigation_; }

private:
    void closed();

    Platform& platform_;
    SettingsNavigation navigation_;
    std::unique_ptr<SettingsView> view_;
    std::unique_ptr<Timer> relief_;
    Liveness alive_;
};

}  // namespace tandri
