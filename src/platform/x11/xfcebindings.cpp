#include "platform/x11/xfcebindings.h"

#include <QDir>
#include <QTextStream>
#include <QXmlStreamReader>
#include <map>
#include <optional>

#include "platform/common/regularfile.h"
#include "platform/x11/keymap.h"

namespace tandri::x11::XfceBindings {

namespace {

struct Binding {
    QString keys;
    QString value;
};

QString describe(const QString& part, const QString& value) {
    if (part == u"commands")
        return QStringLiteral("“%1” (an Xfce shortcut)").arg(value.section(u' ', 0, 0));
    if (value == u"popup_menu_key")
        return QStringLiteral("Xfce's window menu");
    return QStringLiteral("Xfce's “%1”").arg(value);
}

// Part ("commands", "xfwm4") → set ("default", "custom") → bindings; and which custom sets
// override their defaults.
struct Channel {
    std::map<QString, std::map<QString, std::vector<Binding>>> parts;
    std::map<QString, bool> overrides;
};

std::optional<Channel> parseFile(const QString& path) {
    const RegularFile file = RegularFile::read(path, RegularFile::textLimit);
    if (!file.ok())
        return std::nullopt;
    Channel channel;
    QXmlStreamReader xml(file.bytes);
    QStringList names;  // the property path to where the reader is
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (xml.name() != u"property") {
                names << QString();
                continue;
            }
            const auto attributes = xml.attributes();
            const QString name = attributes.value(QStringLiteral("name")).toString();
            names << name;
            // channel, part, set, binding
            if (names.size() == 4) {
                const QString& part = names[1];
                const QString& set = names[2];
                if (name == u"override" && set == u"custom")
                    channel.overrides[part] = attributes.value(QStringLiteral("value")) == u"true";
                else if (attributes.value(QStringLiteral("type")) == u"string")
                    channel.parts[part][set].push_back(
                        {name, attributes.value(QStringLiteral("value")).toString()});
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (!names.isEmpty())
                names.removeLast();
        }
    }
    if (xml.hasError()) {
        QTextStream(stderr) << "Tandri: skipped " << path << ": " << xml.errorString() << '\n';
        return std::nullopt;
    }
    return channel;
}

}  // namespace

std::vector<SystemShortcut> read(const QStringList& files) {
    std::vector<SystemShortcut> result;
    for (const QString& path : files) {
        const auto channel = parseFile(path);
        if (!channel)
            continue;
        for (const auto& [part, sets] : channel->parts) {
            const auto custom = sets.find(QStringLiteral("custom"));
            const bool useCustom = custom != sets.end() && channel->overrides.count(part) &&
                                   channel->overrides.at(part);
            const auto chosen = useCustom ? custom : sets.find(QStringLiteral("default"));
            if (chosen == sets.end())
                continue;
            for (const Binding& binding : chosen->second) {
                if (const auto keys = KeyMap::accelerator(binding.keys)) {
                    result.push_back({int(result.size()) + 1, describe(part, binding.value),
                                      keys->first, keys->second, true});
                }
            }
        }
        return result;
    }
    return result;
}

QStringList sessionFiles() {
    const QString relative = QStringLiteral(
        "/xfce4/xfconf/xfce-perchannel-xml/"
        "xfce4-keyboard-shortcuts.xml");
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    QStringList files{(QDir::isAbsolutePath(configHome)
                           ? configHome
                           : QDir::homePath() + QStringLiteral("/.config")) +
                      relative};
    QStringList dirs = qEnvironmentVariable("XDG_CONFIG_DIRS").split(u':', Qt::SkipEmptyParts);
    if (dirs.isEmpty())
        dirs << QStringLiteral("/etc/xdg");
    for (const QString& dir : dirs) {
        if (QDir::isAbsolutePath(dir))
            files << dir + relative;
    }
    return files;
}

}  // namespace tandri::x11::XfceBindings
