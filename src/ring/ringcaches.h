// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QUrl>
#include <map>
#include <vector>

#include "windows/windowtable.h"

namespace tandri {

/// What the ring remembers across openings. Main thread.
struct RingCaches {
    /// Window counts of the last applied window load; a new ring starts its badges from them.
    WindowCounts lastCounts;
    /// The last read contents of each folder pointed at, by the folder's path.
    std::map<QString, std::vector<QUrl>> folderItems;

    /// The caches of the running program.
    static RingCaches& shared() {
        static RingCaches caches;
        return caches;
    }
};

}  // namespace tandri
