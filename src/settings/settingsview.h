// SPDX-License-Identifier: MIT
#pragma once

#include <QTabWidget>
#include <functional>

#include "prefs/settingstab.h"

namespace tandri {

class SettingsNavigation;
struct Platform;

/// The Settings window itself: four tabs of grouped forms at a fixed size.
class SettingsView : public QTabWidget {
public:
    static constexpr int width = 490;
    static constexpr int height = 480;

    SettingsView(Platform& platform, SettingsNavigation& navigation);
    ~SettingsView() override;

    /// Runs when the window is closed by the user or by the program.
    std::function<void()> onClose;

    SettingsTab currentTab() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    SettingsNavigation& navigation_;
};

}  // namespace tandri
