// SPDX-License-Identifier: MIT
#pragma once

#include <map>
#include <vector>

#include "windows/windowinfo.h"

namespace tandri {

/// Windows per process id.
using WindowTable = std::map<qint32, std::vector<WindowInfo>>;
/// Window counts per process id.
using WindowCounts = std::map<qint32, int>;

}  // namespace tandri
