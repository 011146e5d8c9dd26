// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <vector>

#include "platform/menu.h"

namespace tandri::test {

/// A menu model of these items.
inline std::shared_ptr<Menu> menuOf(std::vector<std::shared_ptr<MenuItem>> items) {
    auto menu = std::make_shared<Menu>();
    menu->items = std::move(items);
    return menu;
}

/// An item that opens a submenu of these items.
inline std::shared_ptr<MenuItem> submenuItem(const QString& title,
                                             std::vector<std::shared_ptr<MenuItem>> items) {
    auto item = MenuItem::titled(title);
    item->submenu = menuOf(std::move(items));
    return item;
}

/// An item shown in place of the one above it while Alt is held.
inline std::shared_ptr<MenuItem> alternateItem(const QString& title,
                                               std::function<void()> action = {}) {
    auto item = MenuItem::titled(title, std::move(action));
    item->alternate = true;
    return item;
}

}  // namespace tandri::test
