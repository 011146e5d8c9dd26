// SPDX-License-Identifier: MIT
#include "app/launchoptions.h"

#include <QRegularExpression>

namespace tandri {

LaunchOptions LaunchOptions::parse(const QStringList& arguments) {
    LaunchOptions options;
    options.demo = arguments.contains(QStringLiteral("--demo"));

    if (const qsizetype at = arguments.indexOf(QStringLiteral("--settings")); at >= 0) {
        const QString name = arguments.value(at + 1);
        options.settings = SettingsTabs::fromRawValue(name).value_or(SettingsTab::General);
    }

    if (const qsizetype at = arguments.indexOf(QStringLiteral("--onboarding")); at >= 0) {
        options.onboarding = true;
        if (at + 1 >= arguments.size()) {
            options.onboardingStep = 0;
        } else {
            static const QRegularExpression decimal(QStringLiteral("^[+-]?[0-9]+$"));
            const QString& text = arguments[at + 1];
            bool fits = false;
            const int step = text.toInt(&fits);
            if (decimal.match(text).hasMatch() && fits)
                options.onboardingStep = step;
        }
    }
    return options;
}

}  // namespace tandri
