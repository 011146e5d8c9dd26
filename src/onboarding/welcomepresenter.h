#pragma once

#include <optional>

namespace tandri {

/// Brings up the welcome guide.
class WelcomePresenter {
public:
    virtual ~WelcomePresenter() = default;
    /// Shows the guide at `step`, or at its stored page when there is none.
    virtual void show(std::optional<int> step) = 0;
    /// Whether the user has closed the guide once.
    virtual bool isDone() const = 0;
};

}  // namespace tandri
