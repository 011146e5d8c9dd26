// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <vector>

#include "platform/shortcuttable.h"

namespace tandri::x11 {

/// KDE Plasma's global shortcuts (KRunner, KWin and the rest), read from `kglobalshortcutsrc`.
namespace KdeBindings {

/// The shortcuts in force in `file`, each named after its component's friendly name for its
/// main action ("KRunner") or after the action's description ("Window Operations Menu"); empty
/// for a missing file. Unreadable keys are left out.
std::vector<SystemShortcut> read(const QString& file);

/// The file of this session: `$XDG_CONFIG_HOME/kglobalshortcutsrc`.
QString sessionFile();

}  // namespace KdeBindings
}  // namespace tandri::x11
