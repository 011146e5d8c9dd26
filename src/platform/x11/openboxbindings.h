// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <vector>

#include "platform/shortcuttable.h"

namespace tandri::x11 {

/// openbox's own key bindings, read from its rc.xml, as shortcuts the ring's may collide with.
namespace OpenboxBindings {

/// The bindings of `rcXml`, in file order, each named after what it does ("openbox's window
/// menu"); empty for a missing file, and for a malformed one with a line on stderr. Keys other
/// than a single key with Ctrl, Alt, Shift and Super (chains, Hyper, mouse) are left out.
std::vector<SystemShortcut> read(const QString& rcXml);

/// The file openbox reads in this session: the one it names on the root window, else the
/// user's, else the system's.
QString sessionFile(const QString& announced);

}  // namespace OpenboxBindings
}  // namespace tandri::x11
