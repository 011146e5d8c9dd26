// SPDX-License-Identifier: MIT
#include "prefs/settings.h"

#include <QJsonObject>
#include <QJsonValue>
#include <algorithm>

#include "platform/preferences.h"
#include "platform/windowlist.h"
#include "platform/workspace.h"
#include "prefs/brand.h"

namespace tandri::Settings {
namespace {

const QString& domain() {
    return Preferences::appDomain;
}

}  // namespace

QString backgroundKey(RingStyle style) {
    return QStringLiteral("background.") + rawValue(style);
}

void registerDefaults(Preferences& preferences) {
    // The earlier aura setting only seeds the default; a stored aura backdrop still wins.
    const QJsonValue haloVeil = preferences.storedValue(domain(), haloVeilKey);
    const RingBackground aura =
        haloVeil.isBool() && !haloVeil.toBool() ? RingBackground::None : RingBackground::Veil;
    QJsonObject defaults;
    defaults.insert(windowLayoutKey, rawValue(WindowLayout::Arc));
    defaults.insert(thumbnailsKey, false);
    defaults.insert(middleClickKey, true);
    defaults.insert(ringStyleKey, rawValue(Brand::defaultStyle));
    defaults.insert(appSetKey, rawValue(AppSet::DockAndOpen));
    defaults.insert(hideDockKey, false);
    defaults.insert(placesKey, true);
    defaults.insert(accessibleOutlineKey, true);
    defaults.insert(previewSizeKey, minPreviewSize);
    defaults.insert(backgroundKey(RingStyle::Quib), rawValue(RingBackground::Disc));
    defaults.insert(backgroundKey(RingStyle::Aura), rawValue(aura));
    preferences.registerDefaults(domain(), defaults);
}

WindowLayout windowLayout(const Preferences& preferences) {
    const auto raw = preferences.stringValue(domain(), windowLayoutKey);
    return raw ? windowLayoutFromRaw(*raw).value_or(WindowLayout::Arc) : WindowLayout::Arc;
}

AppSet appSet(const Preferences& preferences) {
    const auto raw = preferences.stringValue(domain(), appSetKey);
    return raw ? appSetFromRaw(*raw).value_or(AppSet::DockAndOpen) : AppSet::DockAndOpen;
}

RingStyle ringStyle(const Preferences& preferences) {
    const auto raw = preferences.stringValue(domain(), ringStyleKey);
    return raw ? ringStyleFromRaw(*raw).value_or(Brand::defaultStyle) : Brand::defaultStyle;
}

bool hideDock(const Preferences& preferences) {
    return preferences.boolValue(domain(), hideDockKey);
}

bool showPlaces(const Preferences& preferences) {
    return preferences.boolValue(domain(), placesKey);
}

bool middleClick(const Preferences& preferences) {
    return preferences.boolValue(domain(), middleClickKey);
}

bool accessibleOutline(const Preferences& preferences) {
    return preferences.boolValue(domain(), accessibleOutlineKey);
}

bool showsThumbnails(const Preferences& preferences, const WindowList& windowList) {
    // The permission is only looked at when thumbnails are wanted at all.
    return preferences.boolValue(domain(), thumbnailsKey) && windowList.screenCaptureAllowed();
}

double previewSize(const Preferences& preferences) {
    const double stored = preferences.doubleValue(domain(), previewSizeKey);
    return std::min(std::max(stored, minPreviewSize), maxPreviewSize);
}

RingBackground background(const Preferences& preferences, RingStyle style) {
    const auto raw = preferences.stringValue(domain(), backgroundKey(style));
    if (raw) {
        if (auto background = ringBackgroundFromRaw(*raw))
            return *background;
    }
    return standardBackground(style);
}

LookChoice currentLook(const Preferences& preferences, const Workspace& workspace, bool dark) {
    const DisplayOptions options = workspace.displayOptions();
    const bool accessibility = options.reduceTransparency || options.increaseContrast;
    RingStyle style = ringStyle(preferences);
    if (accessibility && accessibleOutline(preferences))
        style = RingStyle::Outline;
    // The backdrop follows the style actually drawn, so the override uses the outline's own key.
    return LookChoice{style, background(preferences, style), dark,
                      workspace.accentColor().value_or(LookChoice::fallbackAccent)};
}

}  // namespace tandri::Settings
