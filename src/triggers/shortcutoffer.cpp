// SPDX-License-Identifier: MIT
#include "triggers/shortcutoffer.h"

#include "platform/platform.h"
#include "platform/preferences.h"
#include "platform/vocabulary.h"
#include "triggers/hotkey.h"
#include "triggers/shortcutconflicts.h"

namespace tandri::ShortcutOffer {

const std::vector<Shortcut>& candidates() {
    // Super+Space first: the same key under the thumb with one modifier, like the standard, and
    // the modifier Linux desktops leave mostly to the user (GNOME's input-source switch is the
    // common exception). Then Ctrl+Alt+Space, a chord harder to hold but one almost no desktop
    // binds. Alt+` last: two keys, but GNOME and Plasma switch an app's windows with it.
    static const std::vector<Shortcut> list = {
        {49, Shortcut::command, QStringLiteral("⌘Space")},
        {49, Shortcut::control | Shortcut::option, QStringLiteral("⌃⌥Space")},
        {50, Shortcut::option, QStringLiteral("⌥`")},
    };
    return list;
}

std::optional<Offer> forStandard(Platform& platform, const std::optional<Shortcut>& refused) {
    const Shortcut standard = Shortcut::standard();
    if (refused != standard || Shortcut::current(platform.preferences) != standard)
        return std::nullopt;
    return Offer{heldBy(platform, standard), firstFree(platform)};
}

std::optional<Shortcut> firstFree(Platform& platform) {
    for (const Shortcut& candidate : candidates()) {
        // A binding the desktop reads as its own may not refuse the grab, yet still react.
        if (!ShortcutConflicts::owners(platform, candidate).empty())
            continue;
        if (HotKey::make(platform.keyboard, candidate.keyCode, candidate.modifiers))
            return candidate;
    }
    return std::nullopt;
}

QString heldBy(Platform& platform, const Shortcut& shortcut) {
    const std::vector<QString> owners = ShortcutConflicts::owners(platform, shortcut);
    return platform.vocabulary.shortcut(shortcut.label) + QStringLiteral(" is held by ") +
           (owners.empty() ? QStringLiteral("another program")
                           : ShortcutConflicts::joinNames(owners)) +
           u'.';
}

}  // namespace tandri::ShortcutOffer
