// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/sim/simstate.h"
#include "platform/statusitems.h"

namespace tandri::sim {

/// The simulated menu bar: it keeps the program's status item so that a script can open its
/// menu and choose items the way a user clicks them.
class SimStatusItems : public StatusItems {
public:
    explicit SimStatusItems(SimState& state);
    ~SimStatusItems() override;

    [[nodiscard]] std::unique_ptr<StatusItem> create(const QImage& image, const QString& toolTip,
                                                     std::shared_ptr<Menu> menu) override;

    /// Opens the menu of the newest status item that still exists: runs its `willOpen` and
    /// returns the titles as a user would read them ("—" for a separator, "(disabled)" after an
    /// inactive item). Nothing when there is no item.
    std::optional<std::vector<QString>> openMenu();
    /// Opens the menu and chooses the enabled item with this title; false when there is none.
    bool choose(const QString& title);
    /// The newest status item's image and tool tip.
    QImage image() const;
    QString toolTip() const;

private:
    struct Item;
    class Token;

    SimState& state_;
    std::shared_ptr<std::vector<std::shared_ptr<Item>>> items_;
};

}  // namespace tandri::sim
