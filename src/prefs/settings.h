// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include "prefs/appset.h"
#include "prefs/lookchoice.h"
#include "prefs/ringbackground.h"
#include "prefs/ringstyle.h"
#include "prefs/windowlayout.h"

namespace tandri {

class Preferences;
class WindowList;
class Workspace;

/// Typed, uncached access to every preference of the program's own domain.
namespace Settings {

inline const QString windowLayoutKey = QStringLiteral("windowLayout");
inline const QString thumbnailsKey = QStringLiteral("windowThumbnails");
inline const QString middleClickKey = QStringLiteral("middleClickTrigger");
inline const QString ringStyleKey = QStringLiteral("ringStyle");
inline const QString appSetKey = QStringLiteral("apps");
inline const QString hideDockKey = QStringLiteral("hideDock");
inline const QString placesKey = QStringLiteral("showPlaces");
inline const QString accessibleOutlineKey = QStringLiteral("outlineForAccessibility");
inline const QString previewSizeKey = QStringLiteral("previewSize");
inline const QString haloVeilKey = QStringLiteral("haloVeil");
QString backgroundKey(RingStyle style);

inline constexpr double minPreviewSize = 280.0;
inline constexpr double maxPreviewSize = 640.0;

/// Registers the in-memory defaults; never writes.
void registerDefaults(Preferences& preferences);

WindowLayout windowLayout(const Preferences& preferences);
AppSet appSet(const Preferences& preferences);
RingStyle ringStyle(const Preferences& preferences);
bool hideDock(const Preferences& preferences);
bool showPlaces(const Preferences& preferences);
bool middleClick(const Preferences& preferences);
bool accessibleOutline(const Preferences& preferences);
/// The thumbnails setting and the screen-capture permission together.
bool showsThumbnails(const Preferences& preferences, const WindowList& windowList);
double previewSize(const Preferences& preferences);
RingBackground background(const Preferences& preferences, RingStyle style);
/// The look for a ring opening now, with the accessibility override applied.
LookChoice currentLook(const Preferences& preferences, const Workspace& workspace, bool dark);

}  // namespace Settings
}  // namespace tandri
