// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <array>
#include <optional>

namespace tandri {

/// How an app's windows are shown beside the ring.
enum class WindowLayout { Arc, Column, Off };

inline constexpr std::array allWindowLayouts{WindowLayout::Arc, WindowLayout::Column,
                                             WindowLayout::Off};

QString rawValue(WindowLayout layout);
std::optional<WindowLayout> windowLayoutFromRaw(const QString& raw);
QString title(WindowLayout layout);
QString detail(WindowLayout layout);

}  // namespace tandri
