// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <array>
#include <optional>

namespace tandri {

/// The user's choice of look.
enum class RingStyle { Glass, Quib, Aura, Orbit, Outline };

inline constexpr std::array allRingStyles{RingStyle::Glass, RingStyle::Quib, RingStyle::Aura,
                                          RingStyle::Orbit, RingStyle::Outline};

QString rawValue(RingStyle style);
std::optional<RingStyle> ringStyleFromRaw(const QString& raw);
QString title(RingStyle style);
QString detail(RingStyle style);
/// Only these looks offer a choice of backdrop in Settings.
bool hasBackgroundChoice(RingStyle style);

}  // namespace tandri
