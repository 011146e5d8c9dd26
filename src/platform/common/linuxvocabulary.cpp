// SPDX-License-Identifier: MIT
#include "platform/common/linuxvocabulary.h"

#include <QDir>
#include <QStringList>
#include <algorithm>
#include <array>
#include <utility>

#include "platform/common/desktopfavourites.h"
#include "platform/common/xdgdirs.h"

namespace tandri {

namespace {

// The modifier glyphs in the order labels carry them, and the names Linux desktops give them.
constexpr std::array<std::pair<char16_t, const char*>, 4> modifiers{{
    {u'⌃', "Ctrl"},
    {u'⌥', "Alt"},
    {u'⇧', "Shift"},
    {u'⌘', "Super"},
}};

constexpr std::array<std::pair<char16_t, const char*>, 13> keys{{
    {u'↩', "Return"},
    {u'⇥', "Tab"},
    {u'⌫', "Backspace"},
    {u'⌦', "Delete"},
    {u'←', "Left"},
    {u'→', "Right"},
    {u'↑', "Up"},
    {u'↓', "Down"},
    {u'↖', "Home"},
    {u'↘', "End"},
    {u'⇞', "Page Up"},
    {u'⇟', "Page Down"},
    {u'⎋', "Escape"},
}};

}  // namespace

QString LinuxVocabulary::applicationsFolder() const {
    for (const QString& dir : XdgDirs::dataDirs()) {
        const QDir applications(dir + QStringLiteral("/applications"));
        if (!applications.entryList({QStringLiteral("*.desktop")}, QDir::Files).isEmpty())
            return applications.path();
    }
    return QDir::homePath();
}

QString LinuxVocabulary::dock() const {
    return DesktopFavourites::place(DesktopFavourites::session().desktops)
        .value_or(QStringLiteral("panel"));
}

QString LinuxVocabulary::shortcut(const QString& storedLabel) const {
    QStringList parts;
    qsizetype at = 0;
    for (; at < storedLabel.size(); ++at) {
        const auto modifier = std::find_if(modifiers.begin(), modifiers.end(), [&](const auto& m) {
            return m.first == storedLabel[at].unicode();
        });
        if (modifier == modifiers.end())
            break;
        parts << QString::fromLatin1(modifier->second);
    }
    QString key = storedLabel.mid(at);
    if (key.size() == 1) {
        for (const auto& [glyph, name] : keys) {
            if (key[0].unicode() == glyph)
                key = QString::fromLatin1(name);
        }
    }
    if (!key.isEmpty())
        parts << key;
    return parts.join(u'+');
}

}  // namespace tandri
