// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <array>
#include <optional>

namespace tandri {

/// The tabs of the Settings window, in order; stored and passed by their raw values.
enum class SettingsTab { General, Apps, Look, Windows };

namespace SettingsTabs {

inline constexpr std::array<SettingsTab, 4> all = {SettingsTab::General, SettingsTab::Apps,
                                                   SettingsTab::Look, SettingsTab::Windows};

inline QString rawValue(SettingsTab tab) {
    switch (tab) {
        case SettingsTab::General:
            return QStringLiteral("general");
        case SettingsTab::Apps:
            return QStringLiteral("apps");
        case SettingsTab::Look:
            return QStringLiteral("look");
        case SettingsTab::Windows:
            return QStringLiteral("windows");
    }
    return QStringLiteral("general");
}

/// The tab with this raw value, if any.
inline std::optional<SettingsTab> fromRawValue(const QString& raw) {
    for (SettingsTab tab : all) {
        if (rawValue(tab) == raw)
            return tab;
    }
    return std::nullopt;
}

}  // namespace SettingsTabs

}  // namespace tandri
