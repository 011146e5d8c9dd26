#pragma once

#include <QColor>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tandri {

/// One line of a menu as the program describes it; the platform draws it.
struct MenuItem {
    QString title;
    bool enabled = true;
    bool separator = false;
    /// Run when the item is chosen.
    std::function<void()> action;
    /// The key that chooses the item with the command modifier (",", "q"); empty for none.
    QString keyEquivalent;
    /// A symbol shown before the title, by the system's symbol name, and its colour.
    std::optional<QString> symbol;
    std::optional<QColor> symbolColor;

    static std::shared_ptr<MenuItem> separatorItem() {
        auto item = std::make_shared<MenuItem>();
        item->separator = true;
        item->enabled = false;
        return item;
    }
};

/// A menu: its items, top to bottom, and a hook run each time just before it opens, which may
/// change the items.
struct Menu {
    std::vector<std::shared_ptr<MenuItem>> items;
    std::function<void()> willOpen;
};

}  // namespace tandri
