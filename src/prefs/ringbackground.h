// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <array>
#include <optional>

#include "prefs/ringstyle.h"

namespace tandri {

/// The user's backdrop behind the quib and aura looks.
enum class RingBackground { Disc, Veil, None };

inline constexpr std::array allRingBackgrounds{RingBackground::Disc, RingBackground::Veil,
                                               RingBackground::None};

QString rawValue(RingBackground background);
std::optional<RingBackground> ringBackgroundFromRaw(const QString& raw);
QString title(RingBackground background);
QString detail(RingBackground background);
/// The backdrop a look has when the user never chose one.
RingBackground standardBackground(RingStyle style);

}  // namespace tandri
