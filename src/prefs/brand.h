// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QString>

#include "platform/keycodes.h"
#include "prefs/ringstyle.h"

namespace tandri::Brand {

/// The product's name as users see it.
inline QString name() {
    return QStringLiteral("Tandri");
}
/// The look of a fresh installation.
inline constexpr RingStyle defaultStyle = RingStyle::Glass;
/// The default trigger: Option-Space.
inline constexpr int hotKeyCode = KeyCodes::space;
inline constexpr int hotKeyModifiers = ModifierMasks::option;
inline QString hotKeyLabel() {
    return QStringLiteral("⌥Space");
}

/// The menu-bar icon: an open ring with a dot in its gap and one at its centre, 18 × 18 points,
/// drawn in black for the system to tint, at `scale` pixels per point.
QImage menuBarImage(double scale = 2);

}  // namespace tandri::Brand
