// SPDX-License-Identifier: MIT
#include "platform/sim/simloginitems.h"

namespace tandri::sim {

LoginItems::Status SimLoginItems::status() const {
    std::lock_guard lock(state_.mutex);
    if (!state_.loginItem)
        return Status::Off;
    return state_.loginItemNeedsApproval ? Status::RequiresApproval : Status::Enabled;
}

std::optional<QString> SimLoginItems::enable() {
    std::lock_guard lock(state_.mutex);
    state_.loginItem = true;
    state_.log(QStringLiteral("login-item on"));
    return std::nullopt;
}

std::optional<QString> SimLoginItems::disable() {
    std::lock_guard lock(state_.mutex);
    state_.loginItem = false;
    state_.log(QStringLiteral("login-item off"));
    return std::nullopt;
}

}  // namespace tandri::sim
