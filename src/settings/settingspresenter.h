#pragma once

#include "prefs/settingstab.h"

namespace tandri {

/// Brings up the Settings window on a tab.
class SettingsPresenter {
public:
    virtual ~SettingsPresenter() = default;
    virtual void show(SettingsTab tab) = 0;
};

}  // namespace tandri
