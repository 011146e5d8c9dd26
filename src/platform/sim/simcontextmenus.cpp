// SPDX-License-Identifier: MIT
#include "platform/sim/simcontextmenus.h"

#include <utility>

namespace tandri::sim {

namespace {

std::shared_ptr<MenuItem> find(const Menu& menu, const QStringList& titles, qsizetype step) {
    for (const auto& item : menu.items) {
        if (item->separator || !item->enabled || item->title != titles[step])
            continue;
        if (step + 1 == titles.size())
            return item;
        if (item->submenu) {
            if (auto found = find(*item->submenu, titles, step + 1))
                return found;
        }
    }
    return nullptr;
}

}  // namespace

SimContextMenus::SimContextMenus(SimState& state) : state_(state) {}

void SimContextMenus::popUp(const Menu& menu) {
    if (menu.willOpen)
        menu.willOpen();
    shown_.push_back(menu);
    if (auto script = std::exchange(whileOpen_, nullptr))
        script();
    QStringList titles;
    if (!choices_.empty()) {
        titles = std::move(choices_.front());
        choices_.pop_front();
    }
    const auto chosen = titles.isEmpty() ? nullptr : find(menu, titles, 0);
    {
        std::lock_guard lock(state_.mutex);
        state_.log(chosen ? QStringLiteral("menu-choose ") + titles.join(QStringLiteral(" › "))
                          : QStringLiteral("menu-dismiss"));
    }
    if (chosen && chosen->action) {
        auto run = chosen->action;
        run();
    }
}

void SimContextMenus::chooseNext(QStringList titles) {
    choices_.push_back(std::move(titles));
}

void SimContextMenus::whileNextIsOpen(std::function<void()> script) {
    whileOpen_ = std::move(script);
}

}  // namespace tandri::sim
