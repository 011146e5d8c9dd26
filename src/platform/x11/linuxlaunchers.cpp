// SPDX-License-Identifier: MIT
#include "platform/x11/linuxlaunchers.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QTextStream>
#include <algorithm>
#include <optional>

#include "platform/common/regularfile.h"
#include "platform/x11/keymap.h"

namespace tandri::x11::LinuxLaunchers {

namespace {

// What a settings file says of one key.
struct Found {
    enum class Kind {
        /// Not there: the launcher's factory key applies.
        Absent,
        /// There, as text in the launcher's writing.
        Text,
        /// There, but not as text.
        Malformed,
    };
    Kind kind = Kind::Absent;
    QString text;
};

Found jsonValue(const QJsonObject& root, const QStringList& path) {
    QJsonValue value = root;
    for (const QString& member : path) {
        if (!value.isObject())
            return {Found::Kind::Malformed, {}};
        const QJsonObject object = value.toObject();
        if (!object.contains(member))
            return {};
        value = object.value(member);
    }
    if (!value.isString())
        return {Found::Kind::Malformed, {}};
    return {Found::Kind::Text, value.toString()};
}

// INI as Qt and Python write it: "[group]", then "key = value" or "key=value"; comments start
// with "#" or ";", and an indented line continues the value before it (ignored here: keys fit
// on one line).
Found iniValue(const QByteArray& bytes, const QStringList& path) {
    if (path.size() != 2)
        return {};
    QString group;
    for (const QByteArray& raw : bytes.split('\n')) {
        if (raw.startsWith(' ') || raw.startsWith('\t'))
            continue;
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            group = line.mid(1, line.size() - 2).trimmed();
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0 || group != path[0] ||
            line.left(equals).trimmed().compare(path[1], Qt::CaseInsensitive) != 0)
            continue;
        QString value = line.mid(equals + 1).trimmed();
        // Qt quotes a value with leading or trailing spaces or a separator.
        if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
            value = value.mid(1, value.size() - 2);
        return {Found::Kind::Text, value};
    }
    return {};
}

std::optional<KeyCombination> parse(Keys keys, const QString& text) {
    std::optional<std::pair<int, quint32>> parsed;
    switch (keys) {
        case Keys::Gtk:
            parsed = KeyMap::accelerator(text);
            break;
        case Keys::Qt:
            parsed = KeyMap::portableText(text);
            break;
        case Keys::Electron:
            return electronAccelerator(text);
    }
    if (!parsed)
        return std::nullopt;
    return KeyCombination{parsed->first, parsed->second};
}

void warn(const QString& line) {
    QTextStream(stderr) << "Tandri: " << line << '\n';
}

}  // namespace

const std::vector<Profile>& known() {
    static const std::vector<Profile> profiles{
        // Ulauncher 5 grabs the key itself; 6 leaves it to the desktop's own shortcuts, whose
        // readers name it there.
        {QStringLiteral("Ulauncher"),
         {QStringLiteral("ulauncher")},
         {QStringLiteral("ulauncher/settings.json")},
         Store::Json,
         Keys::Gtk,
         {{{QStringLiteral("hotkey-show-app")}, QStringLiteral("<Primary>space")}}},
        // Albert's settings moved from "albert.conf" to "config" in the same folder.
        {QStringLiteral("Albert"),
         {QStringLiteral("albert")},
         {QStringLiteral("albert/config"), QStringLiteral("albert/albert.conf")},
         Store::Ini,
         Keys::Qt,
         {{{QStringLiteral("General"), QStringLiteral("hotkey")}, QStringLiteral("Ctrl+Space")}}},
        {QStringLiteral("Synapse"),
         {QStringLiteral("synapse")},
         {QStringLiteral("synapse/config.json")},
         Store::Json,
         Keys::Gtk,
         {{{QStringLiteral("ui"), QStringLiteral("shortcuts"), QStringLiteral("activate")},
           QStringLiteral("<Control>space")}}},
        // Kupfer names its process after itself when it can, else Python runs "kupfer.py".
        {QStringLiteral("Kupfer"),
         {QStringLiteral("kupfer"), QStringLiteral("kupfer.py")},
         {QStringLiteral("kupfer/kupfer.cfg")},
         Store::Ini,
         Keys::Gtk,
         {{{QStringLiteral("Kupfer"), QStringLiteral("keybinding")}, QStringLiteral("<Ctrl>space")},
          {{QStringLiteral("Kupfer"), QStringLiteral("magickeybinding")}, QString()}}},
        {QStringLiteral("Cerebro"),
         {QStringLiteral("cerebro")},
         {QStringLiteral("Cerebro/config.json")},
         Store::Json,
         Keys::Electron,
         {{{QStringLiteral("hotkey")}, QStringLiteral("Control+Space")}}},
    };
    return profiles;
}

std::vector<Launcher> read(const std::vector<Profile>& profiles,
                           const std::vector<RunningProcesses::Process>& processes,
                           const QString& configHome) {
    std::vector<Launcher> result;
    for (const Profile& profile : profiles) {
        Launcher launcher{profile.name, {}, {}, Launcher::Format::Platform};
        launcher.running = std::any_of(processes.begin(), processes.end(), [&](const auto& p) {
            return std::any_of(
                profile.programs.begin(), profile.programs.end(),
                [&](const QString& name) { return RunningProcesses::runs(p, name); });
        });
        // A launcher that does not run holds no key, whatever its file says.
        if (launcher.running)
            launcher.keys = keys(profile, configHome);
        result.push_back(std::move(launcher));
    }
    return result;
}

std::vector<KeyCombination> keys(const Profile& profile, const QString& configHome) {
    QString path;
    for (const QString& file : profile.files) {
        const QString candidate = configHome + u'/' + file;
        if (QFileInfo::exists(candidate)) {
            path = candidate;
            break;
        }
    }
    std::vector<Found> found(profile.settings.size());
    // A file that exists but cannot be read (or parsed) leaves the key unknown. Each of these
    // launchers falls back to its factory settings when its own file does not read, so the one
    // that runs most likely holds its factory key: that is assumed, since a warning too many
    // costs a sentence and one too few a key that silently does two things.
    bool broken = false;
    if (!path.isEmpty()) {
        const RegularFile file = RegularFile::read(path, RegularFile::textLimit);
        if (!file.ok()) {
            warn(QStringLiteral("cannot read %1 (%2); taking %3's factory key")
                     .arg(path, file.problem(), profile.name));
            broken = true;
        } else if (profile.store == Store::Json) {
            QJsonParseError error;
            const QJsonDocument document = QJsonDocument::fromJson(file.bytes, &error);
            if (error.error != QJsonParseError::NoError || !document.isObject()) {
                const QString why = error.error != QJsonParseError::NoError
                                        ? error.errorString()
                                        : QStringLiteral("not an object");
                warn(QStringLiteral("%1 is no JSON object (%2); taking %3's factory key")
                         .arg(path, why, profile.name));
                broken = true;
            } else {
                for (size_t i = 0; i < profile.settings.size(); ++i)
                    found[i] = jsonValue(document.object(), profile.settings[i].path);
            }
        } else {
            for (size_t i = 0; i < profile.settings.size(); ++i)
                found[i] = iniValue(file.bytes, profile.settings[i].path);
        }
    }
    std::vector<KeyCombination> result;
    for (size_t i = 0; i < profile.settings.size(); ++i) {
        const Setting& setting = profile.settings[i];
        QString text = setting.factory;
        if (!broken && found[i].kind == Found::Kind::Malformed) {
            warn(QStringLiteral("%1 holds no text at %2; taking %3's factory key")
                     .arg(path, setting.path.join(u'.'), profile.name));
        } else if (found[i].kind == Found::Kind::Text) {
            text = found[i].text.trimmed();
        }
        // An empty key is one the user cleared: the launcher holds none.
        if (text.isEmpty())
            continue;
        if (const auto combination = parse(profile.keys, text)) {
            if (std::find(result.begin(), result.end(), *combination) == result.end())
                result.push_back(*combination);
        } else {
            warn(QStringLiteral("%1's key \"%2\" in %3 is not one Tandri knows; left out")
                     .arg(profile.name, text, path));
        }
    }
    return result;
}

std::optional<KeyCombination> electronAccelerator(const QString& text) {
    const QStringList pieces = text.split(u'+');
    if (pieces.isEmpty())
        return std::nullopt;
    // Accelerators ignore case; Qt's portable text says the same keys with other words.
    QStringList qt;
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
        const QString word = pieces[i].trimmed().toLower();
        if (word == u"control" || word == u"ctrl" || word == u"commandorcontrol" ||
            word == u"cmdorctrl")
            qt << QStringLiteral("Ctrl");
        else if (word == u"alt")
            qt << QStringLiteral("Alt");
        else if (word == u"shift")
            qt << QStringLiteral("Shift");
        else if (word == u"super" || word == u"meta")
            qt << QStringLiteral("Meta");
        else
            return std::nullopt;  // Command and Option mean nothing on Linux, AltGr no modifier
    }
    QString key = pieces.back().trimmed();
    const QString lower = key.toLower();
    const std::pair<const char16_t*, const char16_t*> renamed[] = {
        {u"escape", u"Esc"},      {u"delete", u"Del"},   {u"insert", u"Ins"}, {u"pageup", u"PgUp"},
        {u"pagedown", u"PgDown"}, {u"enter", u"Return"}, {u"plus", u"+"},
    };
    for (const auto& [electron, qtName] : renamed) {
        if (lower == QStringView(electron))
            key = QString::fromUtf16(qtName);
    }
    if (key.isEmpty())
        return std::nullopt;
    qt << key;
    const auto parsed = KeyMap::portableText(qt.join(u'+'));
    if (!parsed)
        return std::nullopt;
    return KeyCombination{parsed->first, parsed->second};
}

}  // namespace tandri::x11::LinuxLaunchers
