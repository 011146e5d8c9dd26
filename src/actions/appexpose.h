// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

namespace tandri {

struct Platform;
class System;

/// Shows all windows of one app: the app comes forward, then the desktop's window overview of
/// the app in front opens.
namespace AppExpose {

/// How long the app has to come forward before the overview is asked for.
inline constexpr double overviewDelay = 0.15;

/// Whether the desktop has such an overview.
bool isAvailable(const System& system);
/// Brings the app forward and opens the overview shortly after, on the main thread.
void show(Platform& platform, qint32 pid);

}  // namespace AppExpose
}  // namespace tandri
