// SPDX-License-Identifier: MIT
#pragma once

#include "platform/common/qtcontextmenus.h"

namespace tandri::x11 {

class X11Keyboard;

/// Qt's pop-up menus on X. A menu opened while a hot key is held could take neither the keyboard
/// nor the pointer, which the hot key's grab keeps: its keys and the clicks around it would
/// reach the window under it. The keyboard is given up first.
class X11ContextMenus : public ContextMenus {
public:
    explicit X11ContextMenus(X11Keyboard& keyboard);

    void popUp(const Menu& menu) override;

private:
    X11Keyboard& keyboard_;
    QtContextMenus menus_;
};

}  // namespace tandri::x11
