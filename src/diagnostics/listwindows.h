// SPDX-License-Identifier: MIT
#pragma once

#include <QTextStream>

namespace tandri {

struct Platform;

/// "--list-windows": the ring's apps with their window counts and, when permitted, their windows.
namespace ListWindows {

void run(Platform& platform, QTextStream& out);

}  // namespace ListWindows
}  // namespace tandri
