// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

#include "platform/contextmenus.h"
#include "platform/sim/simstate.h"

namespace tandri::sim {

/// Pop-up menus of the simulated desktop: each one shown is kept for a script to read, and the
/// script decides beforehand what the user will choose in it.
class SimContextMenus : public ContextMenus {
public:
    explicit SimContextMenus(SimState& state);

    void popUp(const Menu& menu) override;

    /// The user will choose the item reached through these titles (a submenu's title, then an
    /// item of it) in the next menu shown; without a choice, or when no enabled item matches,
    /// the menu is dismissed.
    void chooseNext(QStringList titles);
    /// Runs `script` while the next menu is up, before the choice: what the user does meanwhile.
    void whileNextIsOpen(std::function<void()> script);
    /// The menus shown so far, oldest first.
    const std::vector<Menu>& shown() const { return shown_; }

private:
    SimState& state_;
    std::deque<QStringList> choices_;
    std::function<void()> whileOpen_;
    std::vector<Menu> shown_;
};

}  // namespace tandri::sim
