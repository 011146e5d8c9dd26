// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QIcon>
#include <QMenu>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "platform/menu.h"

namespace tandri {

/// Turns menu models into Qt menus: titles, check marks, the mixed state's sign, symbols,
/// submenus, separators and items that stand in for the one above while Alt is held.
class QtMenuBuilder {
public:
    /// What happens when an item is chosen; the item may be gone by then.
    using Choose = std::function<void(const std::weak_ptr<MenuItem>&)>;

    /// Replaces what `qmenu` holds with `menu`'s items. A chosen item goes to `choose`; without
    /// one its action runs at once. The Qt menu keeps no owning reference to the model.
    static void fill(QMenu& qmenu, const Menu& menu, Choose choose = {});

    /// The icon for a symbol name of the system's vocabulary: a drawn shape, the icon theme's
    /// nearest match, or, with a colour but no match, a disc in that colour; null otherwise.
    static QIcon symbolIcon(const QString& symbol, const std::optional<QColor>& color,
                            const QPalette& palette);
    /// The sign of the mixed state: `symbol`'s icon, or a dash when there is no symbol.
    static QIcon mixedStateIcon(const std::optional<QString>& symbol, const QPalette& palette);
    /// The freedesktop icon names that stand for a symbol, best first; empty for none.
    static QStringList themeIconNames(const QString& symbol);

    /// Runs the item's action, if the item still exists and has one.
    static void run(const std::weak_ptr<MenuItem>& item);
};

}  // namespace tandri
