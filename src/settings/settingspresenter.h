// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include "prefs/settingstab.h"

namespace tandri {

/// Brings up the Settings window on a tab.
class SettingsPresenter {
public:
    /// Posted to open the window; its object, when present, is a tab's raw value.
    static inline const QString openNotification = QStringLiteral("TandriOpenSettings");

    virtual ~SettingsPresenter() = default;
    virtual void show(SettingsTab tab) = 0;
};

}  // namespace tandri
