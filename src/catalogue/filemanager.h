// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace tandri {

struct Platform;

namespace FileManager {

/// The user's file manager as menus and chips name it ("Files", "Dolphin"): its entry's name,
/// else the desktop's word for one.
QString name(Platform& platform);

}  // namespace FileManager
}  // namespace tandri
