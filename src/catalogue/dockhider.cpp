// SPDX-License-Identifier: MIT
#include "catalogue/dockhider.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QStringList>
#include <array>

#include "platform/preferences.h"
#include "platform/system.h"

namespace tandri::DockHider {

namespace {

const QString ownersKey = QStringLiteral("owners");
const QString savedKey = QStringLiteral("saved");
const QString autohideKey = QStringLiteral("autohide");
const QString delayKey = QStringLiteral("autohide-delay");
// Saved and restored in this order.
const std::array<QString, 2> dockKeys{autohideKey, delayKey};

QString originalKey(const QString& key) {
    return QStringLiteral("original.") + key;
}

// Anything in the list that is not a name cannot be an owner; it is dropped on the next write.
QStringList owners(const Preferences& preferences) {
    QStringList list;
    const QJsonValue stored = preferences.storedValue(storeDomain, ownersKey);
    for (const QJsonValue element : stored.toArray()) {
        if (element.isString() && !list.contains(element.toString()))
            list.append(element.toString());
    }
    return list;
}

bool saved(const Preferences& preferences) {
    return preferences.storedValue(storeDomain, savedKey).toBool(false);
}

void saveOriginals(Preferences& preferences) {
    if (saved(preferences))
        return;
    for (const QString& key : dockKeys) {
        // An undefined value removes the entry, so a user without the key gets none back.
        preferences.setValue(storeDomain, originalKey(key), preferences.storedValue(domain, key));
    }
    // Set last: until here, a crash leaves nothing marked as saved and the next call saves again.
    preferences.setValue(storeDomain, savedKey, true);
}

void hide(Preferences& preferences, System& system) {
    if (isHidden(preferences))
        return;
    preferences.setValue(domain, autohideKey, true);
    preferences.setValue(domain, delayKey, hiddenDelay);
    system.restartDock();
}

void restore(Preferences& preferences, System& system) {
    if (!saved(preferences))
        return;
    for (const QString& key : dockKeys) {
        const QString original = originalKey(key);
        // The Dock gets its value back before the copy goes, so a crash in between loses nothing.
        preferences.setValue(domain, key, preferences.storedValue(storeDomain, original));
        preferences.removeValue(storeDomain, original);
    }
    preferences.setValue(storeDomain, savedKey, false);
    system.restartDock();
}

}  // namespace

void want(Preferences& preferences, System& system, bool hidden, const QString& owner) {
    QStringList list = owners(preferences);
    if (hidden) {
        if (!list.contains(owner))
            list.append(owner);
    } else {
        list.removeAll(owner);
    }
    list.sort(Qt::CaseSensitive);
    preferences.setValue(storeDomain, ownersKey, QJsonArray::fromStringList(list));

    if (list.isEmpty()) {
        restore(preferences, system);
        return;
    }
    saveOriginals(preferences);
    hide(preferences, system);
}

bool isHidden(const Preferences& preferences) {
    // What the Dock reads, defaults included; saving and restoring work on stored values only, so
    // a key the user never set goes back to being unset.
    const QJsonValue autohide = preferences.value(domain, autohideKey);
    const QJsonValue delay = preferences.value(domain, delayKey);
    return autohide.isBool() && autohide.toBool() && delay.isDouble() &&
           delay.toDouble() == hiddenDelay;
}

}  // namespace tandri::DockHider
