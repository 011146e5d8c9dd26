// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

#include "platform/system.h"

namespace tandri {

/// What Linux tells of a process's memory in `/proc/self/smaps_rollup` and `/proc/self/smaps`.
namespace ProcMemory {

/// Private dirty plus swapped bytes, summed over a smaps or smaps_rollup text; none when the
/// text holds neither figure.
std::optional<qint64> footprint(const QByteArray& smaps);
/// The mappings of a smaps text grouped by kind, kinds in a fixed order, those without a
/// mapping left out. `program` is the path of the program's own file.
std::vector<MemoryRegions> regions(const QByteArray& smaps, const QString& program);

/// This process's footprint, read now: from smaps_rollup, or from smaps on kernels without it.
std::optional<qint64> footprint();
/// This process's mappings, read now.
std::vector<MemoryRegions> regions();

}  // namespace ProcMemory
}  // namespace tandri
