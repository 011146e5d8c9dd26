// SPDX-License-Identifier: MIT
#pragma once

#include "platform/menu.h"

namespace tandri {

/// Pop-up menus of the program's own. Main thread.
class ContextMenus {
public:
    virtual ~ContextMenus() = default;
    /// Shows `menu` at the pointer and returns once it has closed, after running the chosen
    /// item's action, if one was chosen.
    virtual void popUp(const Menu& menu) = 0;
};

}  // namespace tandri
