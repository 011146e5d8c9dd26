// SPDX-License-Identifier: MIT
#include "triggers/shortcutconflicts.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QStringList>
#include <algorithm>
#include <cmath>

#include "platform/platform.h"
#include "platform/preferences.h"
#include "platform/system.h"
#include "platform/vocabulary.h"
#include "platform/workspace.h"

namespace tandri::ShortcutConflicts {

namespace {

// Event flags of the stored system switches, and the hot-key bits they stand for.
struct FlagBit {
    qint64 flag;
    qint64 modifier;
};
constexpr FlagBit flagBits[] = {
    {0x20000, Shortcut::shift},
    {0x40000, Shortcut::control},
    {0x80000, Shortcut::option},
    {0x100000, Shortcut::command},
};

// A JSON number that is a whole number a qint64 holds exactly; anything else matches no key.
std::optional<qint64> wholeNumber(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    const double d = value.toDouble();
    constexpr double limit = 9007199254740992.0;  // 2^53: beyond it doubles skip integers
    if (!std::isfinite(d) || std::trunc(d) != d || std::abs(d) > limit)
        return std::nullopt;
    return static_cast<qint64>(d);
}

// The stored switches count true, false and numbers as booleans.
bool isOn(const QJsonValue& value) {
    if (value.isBool())
        return value.toBool();
    if (value.isDouble())
        return value.toDouble() != 0.0;
    return false;
}

bool isStandard(const Keys& keys) {
    const Shortcut standard = Shortcut::standard();
    return keys == Keys{standard.keyCode, standard.modifiers};
}

std::vector<QString> systemOwners(const Preferences& preferences, const ShortcutTable& table,
                                  const Keys& wanted) {
    std::vector<QString> owners;
    QJsonObject switches;
    if (!table.domain.isEmpty() && !table.key.isEmpty()) {
        const QJsonValue stored = preferences.value(table.domain, table.key);
        if (stored.isObject())
            switches = stored.toObject();
    }
    for (const SystemShortcut& entry : table.system) {
        const QString number = QString::number(entry.number);
        if (!switches.contains(number)) {
            if (entry.onByDefault && Keys{entry.keyCode, entry.modifiers} == wanted)
                owners.push_back(entry.name);
            continue;
        }
        const QJsonObject item = switches.value(number).toObject();
        const QJsonValue parameters =
            item.value(QStringLiteral("value")).toObject().value(QStringLiteral("parameters"));
        const QJsonArray array = parameters.toArray();
        if (!parameters.isArray() || array.size() != 3)
            continue;
        const auto keyCode = wholeNumber(array.at(1));
        const auto flags = wholeNumber(array.at(2));
        if (!keyCode || !flags)
            continue;
        qint64 modifiers = 0;
        for (const FlagBit& bit : flagBits) {
            if (*flags & bit.flag)
                modifiers |= bit.modifier;
        }
        if (isOn(item.value(QStringLiteral("enabled"))) && Keys{*keyCode, modifiers} == wanted)
            owners.push_back(entry.name);
    }
    return owners;
}

bool isRunning(const std::vector<RunningApp>& apps, const QString& bundleID) {
    if (bundleID.isEmpty())
        return false;
    return std::any_of(apps.begin(), apps.end(), [&](const RunningApp& app) {
        return !app.terminated && app.bundleID == bundleID;
    });
}

std::optional<Keys> storedKeys(const Preferences& preferences, const Launcher& launcher) {
    if (launcher.key.isEmpty())
        return std::nullopt;
    const QJsonValue value = preferences.value(launcher.bundleID, launcher.key);
    if (!value.isString())
        return std::nullopt;
    switch (launcher.format) {
        case Launcher::Format::Dashes:
            return raycastKeys(value.toString());
        case Launcher::Format::KeyCodeJson:
            return keyboardShortcutsKeys(value.toString());
        case Launcher::Format::None:
        case Launcher::Format::Platform:
            break;
    }
    return std::nullopt;
}

std::vector<QString> launcherOwners(Platform& platform, const ShortcutTable& table,
                                    const Keys& wanted) {
    std::vector<QString> owners;
    std::optional<std::vector<RunningApp>> apps;
    for (const Launcher& launcher : table.launchers) {
        if (launcher.format == Launcher::Format::Platform) {
            const KeyCombination keys{wanted.keyCode, wanted.modifiers};
            if (launcher.running &&
                std::find(launcher.keys.begin(), launcher.keys.end(), keys) != launcher.keys.end())
                owners.push_back(launcher.name);
            continue;
        }
        if (!apps)
            apps = platform.workspace.runningApps();
        if (!isRunning(*apps, launcher.bundleID))
            continue;
        std::optional<Keys> keys;
        if (launcher.format != Launcher::Format::None)
            keys = storedKeys(platform.preferences, launcher);
        // Without a readable value of its own, a launcher keeps its factory Option-Space.
        if (keys ? *keys == wanted : isStandard(wanted))
            owners.push_back(launcher.name);
    }
    return owners;
}

bool isDecimalInteger(const QString& text) {
    qsizetype start = 0;
    if (text.startsWith(u'+') || text.startsWith(u'-'))
        start = 1;
    if (text.size() == start)
        return false;
    for (qsizetype i = start; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            return false;
    }
    return true;
}

}  // namespace

std::vector<QString> owners(Platform& platform, const Shortcut& shortcut) {
    const ShortcutTable table = platform.system.shortcutTable();
    const Keys wanted{shortcut.keyCode, shortcut.modifiers};
    std::vector<QString> result = systemOwners(platform.preferences, table, wanted);
    for (QString& name : launcherOwners(platform, table, wanted)) result.push_back(std::move(name));
    return result;
}

std::optional<QString> warning(Platform& platform, const Shortcut& shortcut) {
    const std::vector<QString> names = owners(platform, shortcut);
    if (names.empty())
        return std::nullopt;
    return platform.vocabulary.shortcut(shortcut.label) + QStringLiteral(" may also open ") +
           joinNames(names) + u'.';
}

QString joinNames(const std::vector<QString>& names) {
    if (names.empty())
        return {};
    if (names.size() == 1)
        return names.back();
    const QStringList leading(names.begin(), names.end() - 1);
    return leading.join(QStringLiteral(", ")) + QStringLiteral(" and ") + names.back();
}

std::optional<Keys> raycastKeys(const QString& text) {
    const QStringList pieces = text.split(u'-', Qt::SkipEmptyParts);
    if (pieces.isEmpty() || !isDecimalInteger(pieces.back()))
        return std::nullopt;
    bool ok = false;
    const qint64 keyCode = pieces.back().toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    struct Word {
        const char16_t* name;
        qint64 modifier;
    };
    constexpr Word words[] = {
        {u"Command", Shortcut::command},
        {u"Option", Shortcut::option},
        {u"Control", Shortcut::control},
        {u"Shift", Shortcut::shift},
    };
    // A repeated word sets its bit once; summing would carry into another modifier's bit.
    qint64 modifiers = 0;
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
        for (const Word& word : words) {
            if (pieces[i] == QStringView(word.name))
                modifiers |= word.modifier;
        }
    }
    return Keys{keyCode, modifiers};
}

std::optional<Keys> keyboardShortcutsKeys(const QString& text) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const auto keyCode = wholeNumber(object.value(QStringLiteral("carbonKeyCode")));
    const auto modifiers = wholeNumber(object.value(QStringLiteral("carbonModifiers")));
    if (!keyCode || !modifiers)
        return std::nullopt;
    return Keys{*keyCode, *modifiers};
}

}  // namespace tandri::ShortcutConflicts
