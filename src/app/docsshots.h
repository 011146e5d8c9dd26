// SPDX-License-Identifier: MIT
#pragma once

#include <QSize>
#include <QString>
#include <QTextStream>

namespace tandri {

/// "--docs-shots [FOLDER]": the README's pictures of the program, made on a made-up simulated
/// desktop: the ring in every look, window chips with their pictures on the arc and in the
/// column, a folder's newest files, an entry's menu, the Settings window's tabs and the guide's
/// pages. It lives at the top because it shows the windows the levels above the checking modes
/// make; nothing of the user's is read or written.
namespace DocsShots {

/// A picture of the ring, in points; it is written at twice that many pixels.
inline constexpr QSize ringShot{960, 640};
inline constexpr double scale = 2.0;

/// Where the pictures go when no folder is given: docs/images when run from the top of the
/// source tree, else the current folder.
QString defaultFolder();
/// Writes every picture into `folder`, printing each file's path on `out` as it is written.
/// False, with the reason on `err`, when one cannot be made or written.
bool run(const QString& folder, QTextStream& out, QTextStream& err);

}  // namespace DocsShots
}  // namespace tandri
