// SPDX-License-Identifier: MIT
#include "platform/x11/xfcebindings.h"

#include <QDir>
#include <map>
#include <optional>

#include "platform/common/xdgdirs.h"
#include "platform/common/xfconfchannel.h"
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
    const auto properties = XfconfChannel::read(path);
    if (!properties)
        return std::nullopt;
    Channel channel;
    for (const XfconfChannel::Property& property : *properties) {
        // part, set, binding
        if (property.path.size() != 3)
            continue;
        const QString& part = property.path[0];
        const QString& set = property.path[1];
        const QString& name = property.path[2];
        if (name == u"override" && set == u"custom")
            channel.overrides[part] = property.value == u"true";
        else if (property.type == u"string")
            channel.parts[part][set].push_back({name, property.value});
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
    return XdgDirs::configFiles(
        QStringLiteral("xfce4/xfconf/xfce-perchannel-xml/xfce4-keyboard-shortcuts.xml"));
}

}  // namespace tandri::x11::XfceBindings
