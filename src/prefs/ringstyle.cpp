// SPDX-License-Identifier: MIT
#include "prefs/ringstyle.h"

namespace tandri {

QString rawValue(RingStyle style) {
    switch (style) {
        case RingStyle::Glass:
            return QStringLiteral("glass");
        case RingStyle::Quib:
            return QStringLiteral("quib");
        case RingStyle::Aura:
            return QStringLiteral("aura");
        case RingStyle::Orbit:
            return QStringLiteral("orbit");
        case RingStyle::Outline:
            return QStringLiteral("outline");
    }
    return {};
}

std::optional<RingStyle> ringStyleFromRaw(const QString& raw) {
    for (auto style : allRingStyles) {
        if (rawValue(style) == raw)
            return style;
    }
    return std::nullopt;
}

QString title(RingStyle style) {
    switch (style) {
        case RingStyle::Glass:
            return QStringLiteral("Glass");
        case RingStyle::Quib:
            return QStringLiteral("Quib slice");
        case RingStyle::Aura:
            return QStringLiteral("Aura");
        case RingStyle::Orbit:
            return QStringLiteral("Orbit");
        case RingStyle::Outline:
            return QStringLiteral("Outline");
    }
    return {};
}

QString detail(RingStyle style) {
    switch (style) {
        case RingStyle::Glass:
            return QStringLiteral(
                "A frosted glass ring with bright edges, in your accent color. A glass lens "
                "magnifies the selected app.");
        case RingStyle::Quib:
            return QStringLiteral(
                "A quib slice: the apps around its rim like seeds, and a green marker pointing at "
                "the selected one.");
        case RingStyle::Aura:
            return QStringLiteral(
                "A thin ring of light with the apps on it. It glows gold toward the selected app.");
        case RingStyle::Orbit:
            return QStringLiteral(
                "Apps as planets around a small sun, with a moon circling each running app.");
        case RingStyle::Outline:
            return QStringLiteral(
                "Thin lines on a solid disc, with no blur or glow. The easiest to read.");
    }
    return {};
}

bool hasBackgroundChoice(RingStyle style) {
    return style == RingStyle::Quib || style == RingStyle::Aura;
}

}  // namespace tandri
