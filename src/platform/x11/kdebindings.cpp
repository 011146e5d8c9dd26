#include "platform/x11/kdebindings.h"

#include <QDir>
#include <QKeySequence>
#include <map>
#include <optional>

#include "platform/common/kdeconfig.h"
#include "platform/common/regularfile.h"
#include "platform/common/xdgdirs.h"
#include "platform/x11/keymap.h"

namespace tandri::x11::KdeBindings {

namespace {

struct Keys {
    qint64 keyCode = 0;
    qint64 modifiers = 0;
};

// One shortcut as Qt writes it ("Alt+Space", "Meta+Shift+F"); absent for chords and keys the
// key map lacks.
std::optional<Keys> parse(const QString& text) {
    const QKeySequence sequence = QKeySequence::fromString(text, QKeySequence::PortableText);
    if (sequence.count() != 1)
        return std::nullopt;
    const QKeyCombination combination = sequence[0];
    const auto event = KeyMap::keyEvent(combination.key(), combination.keyboardModifiers());
    if (!event)
        return std::nullopt;
    Keys keys{event->keyCode, 0};
    const std::pair<quint64, qint64> bits[] = {{KeyEvent::shiftFlag, 512},
                                               {KeyEvent::controlFlag, 4096},
                                               {KeyEvent::optionFlag, 2048},
                                               {KeyEvent::commandFlag, 256}};
    for (const auto& [flag, modifier] : bits) {
        if (event->modifierFlags & flag)
            keys.modifiers |= modifier;
    }
    return keys;
}

}  // namespace

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
                if (const auto parsed = parse(keys.trimmed())) {
                    result.push_back(
                        {int(result.size()) + 1, name, parsed->keyCode, parsed->modifiers, true});
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
