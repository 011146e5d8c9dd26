// SPDX-License-Identifier: MIT
#pragma once

#include <vector>

#include "platform/shortcuttable.h"

namespace tandri::x11 {

/// The key bindings of GNOME and its relatives that take combinations Tandri users pick (the
/// window menu on Alt+Space, the overview, input sources), read from GSettings.
namespace GnomeBindings {

/// The bindings in force, each named after what it does; empty where the schemas are not
/// installed.
std::vector<SystemShortcut> read();

}  // namespace GnomeBindings
}  // namespace tandri::x11
