// SPDX-License-Identifier: MIT
#include "platform/x11/kdebindings.h"

#include "platform/common/kdeconfig.h"
#include "platform/common/regularfile.h"
#include "platform/common/xdgdirs.h"
#include "platform/x11/keymap.h"

namespace tandri::x11::KdeBindings {

std::vector<SystemShortcut> read(const QString& file) {
    std::vector<SystemShortcut> result;
    const RegularFile contents = RegularFile::read(file, RegularFile::textLimit);
    if (!contents.ok())
        return result;
    for (const KdeConfig::Group& group : KdeConfig::parse(contents.bytes).groups) {
        if (group.name.isEmpty())
            continue;
        QString friendly;
        for (const KdeConfig::Entry& entry : group.entries) {
            if (entry.key == u"_k_friendly_name")
                friendly = entry.value;
        }
        for (const auto& [action, value] : group.entries) {
            if (action == u"_k_friendly_name")
                continue;
            // A value is "current,default,description"; the current keys are separated by tabs.
            const QStringList parts = value.split(u',');
            QString name = parts.size() >= 3 ? parts.mid(2).join(u',').trimmed() : QString();
            // A component's launch action goes by the component's name.
            if ((action == u"_launch" || name.isEmpty()) && !friendly.isEmpty())
                name = friendly;
            if (name.isEmpty())
                name = action;
            for (const QString& keys : parts.front().split(u'\t')) {
                if (keys.trimmed().isEmpty() || keys.trimmed() == u"none")
                    continue;
                if (const auto parsed = KeyMap::portableText(keys.trimmed())) {
                    result.push_back(
                        {int(result.size()) + 1, name, parsed->first, parsed->second, true});
                }
            }
        }
    }
    return result;
}

QString sessionFile() {
    return XdgDirs::configHome() + QStringLiteral("/kglobalshortcutsrc");
}

}  // namespace tandri::x11::KdeBindings
