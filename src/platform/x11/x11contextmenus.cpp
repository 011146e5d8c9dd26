// SPDX-License-Identifier: MIT
#include "platform/x11/x11contextmenus.h"

#include "platform/x11/x11keyboard.h"

namespace tandri::x11 {

X11ContextMenus::X11ContextMenus(X11Keyboard& keyboard) : keyboard_(keyboard) {}

void X11ContextMenus::popUp(const Menu& menu) {
    keyboard_.yieldHeldGrab();
    menus_.popUp(menu);
}

}  // namespace tandri::x11
