// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QString>

namespace tandri::Symbols {

/// The few symbols the windows show, drawn here so that they look the same under every icon
/// theme, or none: "checkmark.circle.fill", "exclamationmark.triangle.fill", "minus.circle",
/// "circle" and "lock.fill". An unknown name gives a null icon.
QIcon icon(const QString& name);

}  // namespace tandri::Symbols
