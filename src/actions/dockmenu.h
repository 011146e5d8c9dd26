// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/menu.h"
#include "windows/windowinfo.h"

namespace tandri {

struct Platform;
struct RingApp;

/// The context menu of an app entry: its windows, its own new-window commands, its options and
/// the commands that hide or quit it.
namespace DockMenu {

/// Receives the action of the chosen item; the caller runs it once the menu and the ring have
/// closed.
using Pick = std::function<void(std::function<void()>)>;

/// Titles longer than this are shortened in the middle.
inline constexpr int maxTitleLength = 64;

/// The app's menu. `windows` is the list the ring has already loaded for the app; without it
/// the windows are read now.
std::shared_ptr<Menu> build(Platform& platform, const RingApp& entry,
                            const std::optional<std::vector<WindowInfo>>& windows,
                            const Pick& pick);
/// A window's title as its menu item shows it.
QString windowTitle(const QString& title);
/// "Keep on Ring", or "Remove from Ring" when the user's own list holds `url`; absent unless
/// the ring shows the user's own list.
std::shared_ptr<MenuItem> pinItem(Platform& platform, const QUrl& url, const Pick& pick);
/// "Show in Finder" for `url`.
std::shared_ptr<MenuItem> revealItem(Platform& platform, const QUrl& url, const Pick& pick);

}  // namespace DockMenu
}  // namespace tandri
