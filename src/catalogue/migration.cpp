// SPDX-License-Identifier: MIT
#include "catalogue/migration.h"

#include <QJsonObject>
#include <QJsonValue>

#include "platform/preferences.h"

namespace tandri::Migration {

// The names the earlier builds stored under; they stay fixed even if the current keys change.
const QStringList keys{
    QStringLiteral("windowLayout"),
    QStringLiteral("windowThumbnails"),
    QStringLiteral("middleClickTrigger"),
    QStringLiteral("apps"),
    QStringLiteral("hideDock"),
    QStringLiteral("showPlaces"),
    QStringLiteral("outlineForAccessibility"),
    QStringLiteral("pinnedApps"),
    QStringLiteral("background.quib"),
    QStringLiteral("shortcut.keyCode"),
    QStringLiteral("shortcut.modifiers"),
    QStringLiteral("shortcut.label"),
};

namespace {

const QString ringStyleKey = QStringLiteral("ringStyle");
const QString auraBackgroundKey = QStringLiteral("background.aura");
const QString haloBackgroundKey = QStringLiteral("background.halo");
const QString previewSizeKey = QStringLiteral("previewSize");
const QString haloStyle = QStringLiteral("halo");
const QString auraStyle = QStringLiteral("aura");

bool stored(const Preferences& preferences, const QString& key) {
    return !preferences.storedValue(Preferences::appDomain, key).isUndefined();
}

// A null in an old domain is no setting; copied over, it would hide the current default.
bool holds(const QJsonObject& domain, const QString& key) {
    const QJsonValue value = domain.value(key);
    return !value.isUndefined() && !value.isNull();
}

// Copies `from` of the old domain to `to`, unless this build already stores a value there. A
// stored halo background is this build's aura background under its old name: the rename that
// runs after the imports gives it back, so an old build's value must not take its place.
void copy(Preferences& preferences, const QJsonObject& old, const QString& from,
          const QString& to) {
    if (!holds(old, from) || stored(preferences, to))
        return;
    if (to == auraBackgroundKey && stored(preferences, haloBackgroundKey))
        return;
    preferences.setValue(Preferences::appDomain, to, old.value(from));
}

void copyKeys(Preferences& preferences, const QJsonObject& old) {
    for (const QString& key : keys) {
        copy(preferences, old, key, key);
    }
}

// Sets the marker and reports whether it was set before. It is set ahead of the copying, so a
// launch that fails halfway is not repeated.
bool claimMarker(Preferences& preferences, const QString& marker) {
    if (preferences.storedValue(Preferences::appDomain, marker).toBool(false))
        return true;
    preferences.setValue(Preferences::appDomain, marker, true);
    return false;
}

}  // namespace

void importFromPrototype(Preferences& preferences, const QString& bundleID) {
    if (bundleID == prototypeDomain)
        return;
    if (claimMarker(preferences, prototypeMarker))
        return;
    const QJsonObject old = preferences.storedDomain(prototypeDomain);
    if (old.isEmpty())
        return;
    copyKeys(preferences, old);
    for (const QString& key : {ringStyleKey, auraBackgroundKey, previewSizeKey}) {
        copy(preferences, old, key, key);
    }
}

void importFromQuib(Preferences& preferences) {
    if (claimMarker(preferences, quibMarker))
        return;
    const QJsonObject old = preferences.storedDomain(quibDomain);
    if (old.isEmpty())
        return;
    copyKeys(preferences, old);
    copy(preferences, old, haloBackgroundKey, auraBackgroundKey);
}

void renameHaloLook(Preferences& preferences) {
    const QJsonValue style = preferences.storedValue(Preferences::appDomain, ringStyleKey);
    if (style.isString() && style.toString() == haloStyle)
        preferences.setValue(Preferences::appDomain, ringStyleKey, auraStyle);

    const QJsonValue halo = preferences.storedValue(Preferences::appDomain, haloBackgroundKey);
    if (halo.isUndefined())
        return;
    if (!stored(preferences, auraBackgroundKey))
        preferences.setValue(Preferences::appDomain, auraBackgroundKey, halo);
    preferences.removeValue(Preferences::appDomain, haloBackgroundKey);
}

}  // namespace tandri::Migration
