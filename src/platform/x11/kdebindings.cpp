#include "platform/x11/kdebindings.h"

#include <QDir>
#include <map>
#include <optional>

#include "platform/common/regularfile.h"
#include "platform/x11/keymap.h"

namespace tandri::x11::KdeBindings {

namespace {

// A value is "current,default,description"; the current keys are separated by an escaped tab.
QStringList fields(const QString& value) {
    return value.split(u',');
}

}  // namespace

std::vector<SystemShortcut> read(const QString& file) {
    std::vector<SystemShortcut> result;
    const RegularFile contents = RegularFile::read(file, RegularFile::textLimit);
    if (!contents.ok())
        return result;
    QString group;
    QString friendly;
    std::vector<std::pair<QString, QString>> actions;  // of the current group, in file order
    const auto flush = [&] {
        for (const auto& [action, value] : actions) {
            const QStringList parts = fields(value);
            if (parts.isEmpty())
                continue;
            QString name = parts.size() >= 3 ? parts.mid(2).join(u',').trimmed() : QString();
            // A component's launch action goes by the component's name.
            if ((action == u"_launch" || name.isEmpty()) && !friendly.isEmpty())
                name = friendly;
            if (name.isEmpty())
                name = action;
            for (const QString& keys : parts.front().split(QStringLiteral("\\t"))) {
                if (keys.trimmed().isEmpty() || keys.trimmed() == u"none")
                    continue;
                if (const auto parsed = KeyMap::portableText(keys.trimmed())) {
                    result.push_back(
                        {int(result.size()) + 1, name, parsed->first, parsed->second, true});
                }
            }
        }
        actions.clear();
        friendly.clear();
    };
    for (const QByteArray& raw : contents.bytes.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            flush();
            group = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0 || group.isEmpty())
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1);
        if (key == u"_k_friendly_name")
            friendly = value.trimmed();
        else
            actions.emplace_back(key, value);
    }
    flush();
    return result;
}

QString sessionFile() {
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    return (QDir::isAbsolutePath(configHome) ? configHome
                                             : QDir::homePath() + QStringLiteral("/.config")) +
           QStringLiteral("/kglobalshortcutsrc");
}

}  // namespace tandri::x11::KdeBindings
