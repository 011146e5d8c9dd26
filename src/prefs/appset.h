// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <array>
#include <optional>

namespace tandri {

class Vocabulary;

/// Which apps the ring shows.
enum class AppSet { DockAndOpen, PinnedAndOpen, OpenOnly };

inline constexpr std::array allAppSets{AppSet::DockAndOpen, AppSet::PinnedAndOpen,
                                       AppSet::OpenOnly};

QString rawValue(AppSet set);
std::optional<AppSet> appSetFromRaw(const QString& raw);
QString title(AppSet set, const Vocabulary& vocabulary);
QString detail(AppSet set, const Vocabulary& vocabulary);

}  // namespace tandri
