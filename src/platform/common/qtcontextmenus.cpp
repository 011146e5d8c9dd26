// SPDX-License-Identifier: MIT
#include "platform/common/qtcontextmenus.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <memory>

#include "platform/common/qtmenubuilder.h"

namespace tandri {

bool QtContextMenus::available() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;
    const QString platform = QGuiApplication::platformName();
    // Menus there are never on screen, and a modal one would wait forever.
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

void QtContextMenus::popUp(const Menu& menu) {
    if (menu.willOpen) {
        auto willOpen = menu.willOpen;
        willOpen();
    }
    // The choice runs once the menu is gone and its event loop has returned, not from inside
    // it: the action may well open windows or menus of its own.
    std::weak_ptr<MenuItem> chosen;
    QMenu qmenu;
    QtMenuBuilder::fill(qmenu, menu,
                        [&chosen](const std::weak_ptr<MenuItem>& item) { chosen = item; });
    qmenu.exec(QCursor::pos());
    QtMenuBuilder::run(chosen);
}

}  // namespace tandri
