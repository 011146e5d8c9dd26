// SPDX-License-Identifier: MIT
#pragma once

#include <vector>

#include "windows/windowinfo.h"
#include "windows/windowtable.h"

namespace tandri {

struct Platform;
struct RunningApp;
class Accessibility;
class WindowList;

/// The program's only way of learning about other applications' windows and raising one.
namespace WindowSource {

/// Whether windows may be listed and raised.
bool isTrusted(const Accessibility& accessibility);
/// Asks the system to offer the permission.
void requestAccess(Accessibility& accessibility);
/// A process's standard windows: not minimized ones first, then minimized ones, each in the
/// app's own order. Any thread.
std::vector<WindowInfo> windows(const Accessibility& accessibility, qint32 pid);
/// The windows of several processes; one key per distinct pid. Any thread.
WindowTable windows(const Accessibility& accessibility, const std::vector<qint32>& pids);
/// Per process, its visible, ordinary, reasonably large windows. Any thread.
WindowCounts visibleCounts(const WindowList& windowList);
/// Brings one window to the front, un-minimizing it first, and activates its app.
void raise(Platform& platform, const WindowInfo& window, const RunningApp& app);

}  // namespace WindowSource
}  // namespace tandri
