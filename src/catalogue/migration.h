// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

namespace tandri {

class Preferences;

/// One-time steps that carry the settings of earlier builds over, run at launch before the
/// defaults are registered. No step overwrites a value the current build already stores.
namespace Migration {

/// The keys both imports copy, in order.
extern const QStringList keys;
inline const QString prototypeDomain = QStringLiteral("app.tandri.prototype");
inline const QString quibDomain = QStringLiteral("app.quib.prototype");
inline const QString prototypeMarker = QStringLiteral("migratedFromPrototype");
inline const QString quibMarker = QStringLiteral("migratedFromQuib");

/// Imports from the prototype build once, unless this program is that build (`bundleID`).
void importFromPrototype(Preferences& preferences, const QString& bundleID);
/// Imports from the quib build once, carrying its "halo" background over to "aura".
void importFromQuib(Preferences& preferences);
/// Renames the look "halo" to "aura", with its background setting; runs on every launch.
void renameHaloLook(Preferences& preferences);

}  // namespace Migration

}  // namespace tandri
