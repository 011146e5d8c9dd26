// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>

namespace tandri {

class Preferences;
struct Platform;

/// A made-up desktop to show the program on: apps with windows of made-up titles, a few of them
/// pinned on the ring with a folder of sample files, for the documentation and sharing
/// pictures. Everything on it is simulated; only the sample files are real, in a folder of the
/// caller's.
namespace StagedDesktop {

/// The app whose windows the pictures show, and the folder's name on the ring.
inline const QString windowsApp = QStringLiteral("Browser");
inline const QString folderName = QStringLiteral("Downloads");

/// Makes the desktop's real part under `root`: the folder of sample files and the apps that are
/// installed but do not run. An error text, empty on success.
QString make(const QString& root);
/// The sample files' folder under `root`.
QString folder(const QString& root);
/// The description of the simulated desktop whose real part is under `root`, dark or light,
/// with `accent`.
QByteArray description(const QString& root, bool dark, const QColor& accent);
/// Stores the ring's own pinned list in the staged desktop's `preferences`: some of its apps,
/// then the folder of sample files.
void pin(Preferences& preferences, const QString& root);
/// The main screen as it shows without the ring, at `scale` pixels a point: a wallpaper and
/// the windows that can be captured, the front app's on top.
QImage screenPicture(Platform& platform, double scale, bool dark);

}  // namespace StagedDesktop
}  // namespace tandri
