// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/accessibility.h"
#include "platform/menu.h"

namespace tandri {

struct Platform;

/// One command read from an app's menu bar.
struct AppCommand {
    using Pick = std::function<void(std::function<void()>)>;

    QString title;
    /// The menu item, pressed to perform the command.
    MenuElement element;
    /// The items of its submenu, one level only.
    std::vector<AppCommand> children;
    /// Its shortcut is the command modifier with N.
    bool isCommandN = false;

    /// An item that hands `pick` the command's action: press the menu item, then bring the app
    /// forward. Carries a submenu of the children.
    std::shared_ptr<MenuItem> menuItem(Platform& platform, qint32 pid, const Pick& pick) const;
};

/// Reads the new-window style commands of apps.
namespace AppCommands {

/// The commands of the app's file menu that make something new, preferring those that name a
/// window, tab or private mode; empty when the menu bar cannot be read.
std::vector<AppCommand> newCommands(const Accessibility& accessibility, qint32 pid);
/// The command of one menu item: at depth 0 with its submenu, and with `onlyNew` only when it
/// makes something new. Absent for an untitled item.
std::optional<AppCommand> command(const AXMenuItem& item, int depth, bool onlyNew);

}  // namespace AppCommands
}  // namespace tandri
