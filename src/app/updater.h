// SPDX-License-Identifier: MIT
#pragma once

namespace tandri::Updater {

/// Whether this build can check for and install updates itself. Linux builds are updated by the
/// package manager, so the update item and its setting are left out.
inline constexpr bool isAvailable = false;

}  // namespace tandri::Updater
