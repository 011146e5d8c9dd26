// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>
#include <optional>

#include "prefs/settingstab.h"

namespace tandri {

/// What the command line asks of the menu-bar program at launch.
struct LaunchOptions {
    /// "--demo": open the ring shortly after launch.
    bool demo = false;
    /// "--settings [TAB]": the tab to open; a missing or unknown name gives the first.
    std::optional<SettingsTab> settings;
    /// "--onboarding [STEP]": show the welcome guide even when it was finished.
    bool onboarding = false;
    /// The page after "--onboarding": 0 when nothing follows, none when what follows is not a
    /// whole number (the guide then resumes its stored page).
    std::optional<int> onboardingStep;

    /// `arguments` excludes the program name.
    static LaunchOptions parse(const QStringList& arguments);
};

}  // namespace tandri
