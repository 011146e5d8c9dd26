// SPDX-License-Identifier: MIT
#pragma once

#include <QJsonObject>
#include <QString>

#include "platform/sim/simstate.h"

namespace tandri::sim {

/// Reads a desktop description (the JSON of a desktop file) into the simulated desktop's state.
class SimDesktopReader {
public:
    /// Fills `state` from `root`. Returns an empty text on success, else the first problem as
    /// "<key path>: <what is wrong>", e.g. "apps[2].windows[0].title: expected a string".
    /// Relative icon paths are taken from `baseFolder`.
    static QString read(const QJsonObject& root, SimState& state, const QString& baseFolder);
};

}  // namespace tandri::sim
