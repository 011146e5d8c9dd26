// SPDX-License-Identifier: MIT
#pragma once

#include <optional>

#include "triggers/shortcut.h"

namespace tandri {

/// Brings up the welcome guide.
class WelcomePresenter {
public:
    virtual ~WelcomePresenter() = default;
    /// Shows the guide at `step`, or at its stored page when there is none.
    virtual void show(std::optional<int> step) = 0;
    /// Whether the user has closed the guide once.
    virtual bool isDone() const = 0;
    /// The stored shortcut that the hot key could not register in this run, or none; the guide
    /// tells a newcomer who holds it and offers another.
    virtual void setRefusedShortcut(const std::optional<Shortcut>& refused) = 0;
};

}  // namespace tandri
