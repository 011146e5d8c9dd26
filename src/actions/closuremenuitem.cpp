// SPDX-License-Identifier: MIT
#include "actions/closuremenuitem.h"

namespace tandri {

ClosureMenuItem::ClosureMenuItem(QString title, std::function<void()> handler) {
    this->title = std::move(title);
    action = std::move(handler);
}

void ClosureMenuItem::run() const {
    if (action)
        action();
}

}  // namespace tandri
