// SPDX-License-Identifier: MIT
#include "actions/appcommands.h"

#include "actions/closuremenuitem.h"
#include "platform/platform.h"
#include "platform/workspace.h"

namespace tandri {

std::shared_ptr<MenuItem> AppCommand::menuItem(Platform& platform, qint32 pid,
                                               const Pick& pick) const {
    Platform* p = &platform;
    const MenuElement pressed = element;
    auto item = ClosureMenuItem::make(title, [p, pid, pressed, pick] {
        pick([p, pid, pressed] {
            p->accessibility.press(pressed);
            p->workspace.activate(pid);
        });
    });
    if (!children.empty()) {
        item->submenu = std::make_shared<Menu>();
        for (const auto& child : children)
            item->submenu->items.push_back(child.menuItem(platform, pid, pick));
    }
    return item;
}

namespace AppCommands {

std::optional<AppCommand> command(const AXMenuItem& item, int depth, bool onlyNew) {
    if (!item.title || item.title->isEmpty())
        return std::nullopt;
    AppCommand result;
    result.title = *item.title;
    result.element = item.element;
    result.isCommandN =
        item.cmdChar && item.cmdChar->toUpper() == QStringLiteral("N") && item.cmdModifiers == 0;
    if (onlyNew && !result.title.startsWith(QStringLiteral("New ")) &&
        result.title != QStringLiteral("New") && !result.isCommandN) {
        return std::nullopt;
    }
    if (depth == 0) {
        for (const auto& child : item.submenu) {
            if (auto built = command(child, 1, false))
                result.children.push_back(std::move(*built));
        }
    }
    return result;
}

std::vector<AppCommand> newCommands(const Accessibility& accessibility, qint32 pid) {
    const auto menus = accessibility.menuBar(pid);
    const int fileMenu = accessibility.fileMenuIndex();
    if (!menus || fileMenu < 0 || static_cast<size_t>(fileMenu) >= menus->size())
        return {};
    std::vector<AppCommand> commands;
    for (const auto& item : (*menus)[static_cast<size_t>(fileMenu)].items) {
        if (auto built = command(item, 0, true))
            commands.push_back(std::move(*built));
    }
    static const QStringList preferredWords = {QStringLiteral("Window"), QStringLiteral("Tab"),
                                               QStringLiteral("Incognito"),
                                               QStringLiteral("Private")};
    std::vector<AppCommand> preferred;
    std::vector<AppCommand> commandN;
    for (auto& candidate : commands) {
        bool named = false;
        for (const auto& word : preferredWords)
            named = named || candidate.title.contains(word, Qt::CaseInsensitive);
        if (named)
            preferred.push_back(candidate);
        else if (candidate.isCommandN)
            commandN.push_back(candidate);
    }
    if (!preferred.empty())
        return preferred;
    // Without a preferred one, the command-N ones; those among the preferred were taken above.
    return commandN;
}

}  // namespace AppCommands
}  // namespace tandri
