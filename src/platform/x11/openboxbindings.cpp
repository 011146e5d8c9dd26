// SPDX-License-Identifier: MIT
#include "platform/x11/openboxbindings.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <QXmlStreamReader>
#include <optional>

#include "platform/common/regularfile.h"
#include "platform/common/xdgdirs.h"
#include "platform/keycodes.h"
#include "platform/x11/keymap.h"

namespace tandri::x11::OpenboxBindings {

namespace {

struct Keys {
    qint64 keyCode = 0;
    qint64 modifiers = 0;
};

// "A-space", "C-A-Delete", "W-S-f": modifiers, then one keysym name.
std::optional<Keys> parse(const QString& text) {
    if (text.contains(u' '))
        return std::nullopt;  // a chain of several presses
    const QStringList parts = text.split(u'-');
    if (parts.isEmpty() || parts.back().isEmpty())
        return std::nullopt;
    Keys keys;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const QString& m = parts[i];
        if (m == u"A" || m == u"Mod1")
            keys.modifiers |= ModifierMasks::option;
        else if (m == u"C")
            keys.modifiers |= ModifierMasks::control;
        else if (m == u"S")
            keys.modifiers |= ModifierMasks::shift;
        else if (m == u"W" || m == u"Mod4")
            keys.modifiers |= ModifierMasks::command;
        else
            return std::nullopt;
    }
    const auto code = KeyMap::keyCode(parts.back());
    if (!code)
        return std::nullopt;
    keys.keyCode = *code;
    return keys;
}

QString describe(const QString& action, const QString& menu, const QString& execute) {
    if (action.compare(QStringLiteral("ShowMenu"), Qt::CaseInsensitive) == 0)
        return menu == u"client-menu" ? QStringLiteral("openbox's window menu")
                                      : QStringLiteral("openbox's menu");
    if (action.compare(QStringLiteral("Execute"), Qt::CaseInsensitive) == 0 && !execute.isEmpty())
        return QStringLiteral("“%1” (an openbox key binding)").arg(execute.section(u' ', 0, 0));
    return action.isEmpty() ? QStringLiteral("an openbox key binding")
                            : QStringLiteral("openbox's “%1”").arg(action);
}

}  // namespace

std::vector<SystemShortcut> read(const QString& rcXml) {
    std::vector<SystemShortcut> result;
    const RegularFile file = RegularFile::read(rcXml, RegularFile::textLimit);
    if (!file.ok())
        return result;
    QXmlStreamReader xml(file.bytes);
    std::optional<Keys> keys;
    QString action, menu, execute, element;
    int depth = 0, keyboardDepth = -1, bindDepth = -1;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
            case QXmlStreamReader::StartElement:
                ++depth;
                element = xml.name().toString();
                if (element == u"keyboard" && keyboardDepth < 0) {
                    keyboardDepth = depth;
                } else if (element == u"keybind" && keyboardDepth >= 0 && bindDepth < 0) {
                    bindDepth = depth;
                    keys = parse(xml.attributes().value(QStringLiteral("key")).toString());
                    action.clear();
                    menu.clear();
                    execute.clear();
                } else if (element == u"action" && bindDepth >= 0 && action.isEmpty()) {
                    action = xml.attributes().value(QStringLiteral("name")).toString();
                }
                break;
            case QXmlStreamReader::Characters:
                if (bindDepth >= 0 && element == u"menu" && menu.isEmpty())
                    menu = xml.text().toString().trimmed();
                else if (bindDepth >= 0 && (element == u"command" || element == u"execute") &&
                         execute.isEmpty())
                    execute = xml.text().toString().trimmed();
                break;
            case QXmlStreamReader::EndElement:
                element.clear();
                if (depth == bindDepth) {
                    bindDepth = -1;
                    if (keys) {
                        result.push_back({int(result.size()) + 1, describe(action, menu, execute),
                                          keys->keyCode, keys->modifiers, true});
                    }
                } else if (depth == keyboardDepth) {
                    keyboardDepth = -1;
                }
                --depth;
                break;
            default:
                break;
        }
    }
    if (xml.hasError()) {
        QTextStream(stderr) << "Tandri: skipped " << rcXml << ": " << xml.errorString() << '\n';
        return {};
    }
    return result;
}

QString sessionFile(const QString& announced) {
    if (QFileInfo(announced).isFile())
        return announced;
    for (const QString& path : XdgDirs::configFiles(QStringLiteral("openbox/rc.xml"))) {
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

}  // namespace tandri::x11::OpenboxBindings
