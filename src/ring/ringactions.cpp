// SPDX-License-Identifier: MIT
// The ring controller's actions on entries: the context menu and file drops.
#include <type_traits>

#include "actions/closuremenuitem.h"
#include "actions/dockmenu.h"
#include "actions/droptarget.h"
#include "platform/contextmenus.h"
#include "platform/platform.h"
#include "platform/workspace.h"
#include "ring/ringcontroller.h"

namespace tandri {

void RingController::rightClicked() {
    if (menuOpen_)
        return;
    catchUp();
    const bool onEntry = mode_ != Mode::Hidden && selection_ && !selection_->chip &&
                         selection_->app >= 0 && selection_->app < static_cast<int>(apps_.size());
    if (!onEntry) {
        close();
        return;
    }
    const int index = selection_->app;
    // The action of the chosen item, kept apart from the menu so that a menu that outlives this
    // call can never reach into it.
    auto chosen = std::make_shared<std::function<void()>>();
    auto menu =
        entryMenu(index, [chosen](std::function<void()> action) { *chosen = std::move(action); });
    if (!menu)
        return;  // the overflow entry has no menu
    if (mode_ == Mode::Holding)
        becomeSticky();
    collapse();
    panel_.ringView().displayNow();
    menuOpen_ = true;
    const Liveness::Watch alive = alive_.watch();
    platform_.contextMenus.popUp(*menu);
    if (!alive)
        return;
    menuOpen_ = false;
    // Items never act while the ring is up: the ring closes first.
    if (*chosen) {
        close();
        (*chosen)();
    }
}

std::shared_ptr<Menu> RingController::entryMenu(int index, const DockMenu::Pick& pick) {
    const RingApp& entry = apps_[static_cast<size_t>(index)];
    Platform* p = &platform_;
    switch (entry.kind) {
        case RingApp::Kind::App: {
            std::optional<std::vector<WindowInfo>> windows;
            const auto pid = entry.pid();
            if (windowsLoaded_ && pid) {
                const auto found = windows_.find(*pid);
                windows = found != windows_.end() ? found->second : std::vector<WindowInfo>();
            }
            return DockMenu::build(platform_, entry, windows, pick);
        }
        case RingApp::Kind::Folder: {
            if (!entry.url)
                return nullptr;
            auto menu = std::make_shared<Menu>();
            const QUrl url = *entry.url;
            menu->items.push_back(ClosureMenuItem::make(QStringLiteral("Open"), [p, url, pick] {
                pick([p, url] { p->workspace.openURL(url); });
            }));
            menu->items.push_back(DockMenu::revealItem(platform_, url, pick));
            if (auto pin = DockMenu::pinItem(platform_, url, pick)) {
                menu->items.push_back(MenuItem::separatorItem());
                menu->items.push_back(std::move(pin));
            }
            return menu;
        }
        case RingApp::Kind::Trash: {
            if (!entry.url)
                return nullptr;
            auto menu = std::make_shared<Menu>();
            const QUrl url = *entry.url;
            menu->items.push_back(ClosureMenuItem::make(QStringLiteral("Open"), [p, url, pick] {
                pick([p, url] { p->workspace.openURL(url); });
            }));
            return menu;
        }
        case RingApp::Kind::More:
            return nullptr;
    }
    return nullptr;
}

std::optional<DropTarget> RingController::dropTarget() const {
    if (mode_ == Mode::Hidden || !selection_ || selection_->app < 0 ||
        selection_->app >= static_cast<int>(apps_.size())) {
        return std::nullopt;
    }
    const RingApp& entry = apps_[static_cast<size_t>(selection_->app)];
    const auto& chips = panel_.ringView().chips();
    if (selection_->chip && *selection_->chip >= 0 &&
        *selection_->chip < static_cast<int>(chips.size())) {
        return std::visit(
            [&entry](const auto& chip) -> std::optional<DropTarget> {
                using Chip = std::decay_t<decltype(chip)>;
                if constexpr (std::is_same_v<Chip, WindowChip::Window>) {
                    if (entry.url)
                        return DropTarget::openWith(*entry.url);
                } else if constexpr (std::is_same_v<Chip, WindowChip::App>) {
                    if (chip.app.url)
                        return DropTarget::openWith(*chip.app.url);
                } else if constexpr (std::is_same_v<Chip, WindowChip::Reveal>) {
                    return DropTarget::moveInto(chip.url);
                }
                return std::nullopt;
            },
            chips[static_cast<size_t>(*selection_->chip)].kind);
    }
    switch (entry.kind) {
        case RingApp::Kind::App:
            if (entry.url)
                return DropTarget::openWith(*entry.url);
            break;
        case RingApp::Kind::Folder:
            if (entry.url)
                return DropTarget::moveInto(*entry.url);
            break;
        case RingApp::Kind::Trash:
            return DropTarget::trash();
        case RingApp::Kind::More:
            break;
    }
    return std::nullopt;
}

bool RingController::drop(const std::vector<QUrl>& urls) {
    const auto target = dropTarget();
    if (!target)
        return false;
    close();
    target->perform(platform_, urls);
    return true;
}

}  // namespace tandri
