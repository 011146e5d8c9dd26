// SPDX-License-Identifier: MIT
#include "prefs/ringbackground.h"

namespace tandri {

QString rawValue(RingBackground background) {
    switch (background) {
        case RingBackground::Disc:
            return QStringLiteral("disc");
        case RingBackground::Veil:
            return QStringLiteral("veil");
        case RingBackground::None:
            return QStringLiteral("none");
    }
    return {};
}

std::optional<RingBackground> ringBackgroundFromRaw(const QString& raw) {
    for (auto background : allRingBackgrounds) {
        if (rawValue(background) == raw)
            return background;
    }
    return std::nullopt;
}

QString title(RingBackground background) {
    switch (background) {
        case RingBackground::Disc:
            return QStringLiteral("Frosted disc");
        case RingBackground::Veil:
            return QStringLiteral("Soft veil");
        case RingBackground::None:
            return QStringLiteral("None");
    }
    return {};
}

QString detail(RingBackground background) {
    switch (background) {
        case RingBackground::Disc:
            return QStringLiteral(
                "A dark frosted disc behind the ring. The easiest to read over anything.");
        case RingBackground::Veil:
            return QStringLiteral(
                "A soft frosted lens that follows Light and Dark Mode and fades out at the edge, "
                "so "
                "the ring stays readable over white pages and busy content.");
        case RingBackground::None:
            return QStringLiteral("Nothing behind the ring: you see your work through it.");
    }
    return {};
}

RingBackground standardBackground(RingStyle style) {
    return style == RingStyle::Aura ? RingBackground::Veil : RingBackground::Disc;
}

}  // namespace tandri
