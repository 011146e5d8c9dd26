// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "platform/shortcuttable.h"

namespace tandri::x11 {

/// Xfce's keyboard shortcuts (its commands and xfwm4's), read from the xfconf channel file
/// `xfce4-keyboard-shortcuts.xml`.
namespace XfceBindings {

/// The shortcuts in force: of each part (commands, xfwm4), the user's custom set when it
/// overrides the defaults, else the defaults. `files` are the channel's files, the user's
/// first; the first that parses decides. Empty when none does (a malformed one is reported on
/// stderr).
std::vector<SystemShortcut> read(const QStringList& files);

/// The channel's files of this session: the user's, then the system's.
QStringList sessionFiles();

}  // namespace XfceBindings
}  // namespace tandri::x11
