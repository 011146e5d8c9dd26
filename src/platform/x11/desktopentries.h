// SPDX-License-Identifier: MIT
#pragma once

// The index of installed applications serves every Linux backend; its X11 name stays for the
// code written against it.
#include "platform/common/desktopentries.h"

namespace tandri::x11 {
using DesktopEntries = tandri::DesktopEntries;
}  // namespace tandri::x11
