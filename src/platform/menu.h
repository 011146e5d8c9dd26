// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tandri {

/// One line of a menu as the program describes it; the platform draws it.
struct Menu;

struct MenuItem {
    /// The mark before the title: none, a check mark, or the mixed state's sign.
    enum class State { Off, On, Mixed };

    virtual ~MenuItem() = default;

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
    State state = State::Off;
    /// The sign shown for the mixed state, by the system's symbol name, and what it says.
    std::optional<QString> mixedStateSymbol;
    QString mixedStateDescription;
    /// The menu the item opens; null for none.
    std::shared_ptr<Menu> submenu;
    /// Shown in place of the item above it while the option key is held.
    bool alternate = false;

    /// An item with a title that runs `action` when chosen.
    static std::shared_ptr<MenuItem> titled(const QString& title,
                                            std::function<void()> action = {}) {
        auto item = std::make_shared<MenuItem>();
        item->title = title;
        item->action = std::move(action);
        return item;
    }

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
