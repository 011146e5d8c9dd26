// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace tandri {

class Preferences;
class System;

/// Keeps the Dock out of the way on request by setting it to hide with a very long reveal delay,
/// and gives the user's own Dock settings back when no copy of the program wants it hidden any
/// more. All state lives in preferences shared by every copy, so it survives a crash. Main
/// thread.
namespace DockHider {

/// The Dock's preference domain.
inline const QString domain = QStringLiteral("com.apple.dock");
/// The store shared by every copy of the program: "owners", "saved" and "original.<key>".
inline const QString storeDomain = QStringLiteral("app.ring.dock");
/// Seconds before a hidden Dock shows itself.
inline constexpr double hiddenDelay = 1000.0;

/// Records whether `owner` wants the Dock hidden and brings the Dock into the matching state,
/// restarting it only when its settings changed.
void want(Preferences& preferences, System& system, bool hidden, const QString& owner);
/// Whether the Dock hides with the long delay now.
bool isHidden(const Preferences& preferences);

}  // namespace DockHider

}  // namespace tandri
