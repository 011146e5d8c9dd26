// SPDX-License-Identifier: MIT
#include "platform/sim/simstatusitems.h"

#include <algorithm>

namespace tandri::sim {

struct SimStatusItems::Item {
    QImage image;
    QString toolTip;
    std::shared_ptr<Menu> menu;
};

class SimStatusItems::Token : public StatusItem {
public:
    Token(std::weak_ptr<std::vector<std::shared_ptr<Item>>> items, std::shared_ptr<Item> item)
        : items_(std::move(items)), item_(std::move(item)) {}
    ~Token() override {
        if (auto items = items_.lock())
            std::erase(*items, item_);
    }

private:
    std::weak_ptr<std::vector<std::shared_ptr<Item>>> items_;
    std::shared_ptr<Item> item_;
};

SimStatusItems::SimStatusItems(SimState& state)
    : state_(state), items_(std::make_shared<std::vector<std::shared_ptr<Item>>>()) {}

SimStatusItems::~SimStatusItems() = default;

std::unique_ptr<StatusItem> SimStatusItems::create(const QImage& image, const QString& toolTip,
                                                   std::shared_ptr<Menu> menu) {
    auto item = std::make_shared<Item>(Item{image, toolTip, std::move(menu)});
    items_->push_back(item);
    std::lock_guard lock(state_.mutex);
    state_.log(QStringLiteral("status-item ") + toolTip);
    return std::make_unique<Token>(items_, item);
}

std::optional<std::vector<QString>> SimStatusItems::openMenu() {
    if (items_->empty() || !items_->back()->menu)
        return std::nullopt;
    const std::shared_ptr<Menu> menu = items_->back()->menu;
    if (menu->willOpen)
        menu->willOpen();
    std::vector<QString> titles;
    for (const auto& item : menu->items) {
        if (item->separator)
            titles.push_back(QStringLiteral("—"));
        else
            titles.push_back(item->enabled ? item->title
                                           : item->title + QStringLiteral(" (disabled)"));
    }
    return titles;
}

bool SimStatusItems::choose(const QString& title) {
    if (!openMenu())
        return false;
    const std::shared_ptr<Menu> menu = items_->back()->menu;
    for (const auto& item : menu->items) {
        if (!item->separator && item->enabled && item->title == title) {
            auto action = item->action;
            if (action)
                action();
            return true;
        }
    }
    return false;
}

QImage SimStatusItems::image() const {
    return items_->empty() ? QImage() : items_->back()->image;
}

QString SimStatusItems::toolTip() const {
    return items_->empty() ? QString() : items_->back()->toolTip;
}

}  // namespace tandri::sim
