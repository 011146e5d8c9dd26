// SPDX-License-Identifier: MIT
#pragma once

#include <QSize>
#include <QString>
#include <QTextStream>

#include "prefs/lookchoice.h"
#include "prefs/windowlayout.h"

namespace tandri {

/// "--share-image PATH": one picture to share, the ring in the user's look with an app's windows
/// beside it, over the made-up desktop of the documentation pictures, with the product's name.
namespace ShareImage {

/// The picture's size in points; it is written at twice that many pixels.
inline constexpr QSize size{1200, 630};
inline constexpr double scale = 2.0;

/// Writes the picture to `path` and its path to `out`; false, with the reason on `err`, when
/// it cannot be made or written.
bool run(const QString& path, const LookChoice& look, WindowLayout layout, QTextStream& out,
         QTextStream& err);

}  // namespace ShareImage
}  // namespace tandri
