// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <optional>

namespace tandri {

/// Starting the program when the user logs in. Main thread.
class LoginItems {
public:
    enum class Status {
        /// The program does not start at login.
        Off,
        /// It starts at every login.
        Enabled,
        /// It is registered, and starts once the user approves it where the system asks.
        RequiresApproval,
    };

    virtual ~LoginItems() = default;
    virtual Status status() const = 0;
    /// Starts the program at every login from now on; why not, when that failed.
    virtual std::optional<QString> enable() = 0;
    /// Stops starting it at login; why not, when that failed.
    virtual std::optional<QString> disable() = 0;
};

}  // namespace tandri
