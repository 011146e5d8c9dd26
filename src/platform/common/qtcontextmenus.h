// SPDX-License-Identifier: MIT
#pragma once

#include "platform/contextmenus.h"

namespace tandri {

/// Pop-up menus drawn by Qt at the pointer, shown modally.
class QtContextMenus : public ContextMenus {
public:
    /// Whether someone can see and close a menu: a widget application on a platform that shows
    /// windows.
    static bool available();

    void popUp(const Menu& menu) override;
};

}  // namespace tandri
