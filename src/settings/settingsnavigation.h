// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

#include "prefs/settingstab.h"

namespace tandri {

/// The Settings window's selected tab: whoever opens the window sets it first, and the window
/// follows; a tab the user picks is written back.
class SettingsNavigation {
public:
    SettingsTab tab() const { return tab_; }
    void setTab(SettingsTab tab) {
        if (tab == tab_)
            return;
        tab_ = tab;
        if (auto callback = changed)
            callback();
    }
    /// Runs after the tab changed.
    std::function<void()> changed;

private:
    SettingsTab tab_ = SettingsTab::General;
};

}  // namespace tandri
