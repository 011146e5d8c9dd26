// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <memory>

#include "platform/menu.h"

namespace tandri {

/// A menu item that runs a stored action when chosen.
class ClosureMenuItem : public MenuItem {
public:
    ClosureMenuItem(QString title, std::function<void()> handler);

    static std::shared_ptr<ClosureMenuItem> make(QString title, std::function<void()> handler) {
        return std::make_shared<ClosureMenuItem>(std::move(title), std::move(handler));
    }

    /// Runs the handler, as choosing the item does.
    void run() const;
};

}  // namespace tandri
