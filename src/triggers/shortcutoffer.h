// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "triggers/shortcut.h"

namespace tandri {

struct Platform;

/// What a newcomer is told when another program holds the standard shortcut: who holds it, and
/// the first of a few well-known combinations that is free on this desktop. Nothing is stored
/// here: the user takes the offer, or not. Main thread.
namespace ShortcutOffer {

struct Offer {
    /// "Alt+Space is held by openbox's window menu.", in the desktop's words.
    QString heldBy;
    /// The first free candidate; none when every one is taken.
    std::optional<Shortcut> alternative;
};

/// The combinations offered in place of the standard one, in the order they are tried.
const std::vector<Shortcut>& candidates();
/// The offer when the standard shortcut is the stored one and is `refused` (the hot key could
/// not register it in this run); none otherwise.
std::optional<Offer> forStandard(Platform& platform, const std::optional<Shortcut>& refused);
/// The first candidate that no binding of the desktop names and that this program can grab;
/// each trial grab is given back at once.
std::optional<Shortcut> firstFree(Platform& platform);
/// The sentence that names who holds `shortcut`, or says that another program does.
QString heldBy(Platform& platform, const Shortcut& shortcut);

}  // namespace ShortcutOffer

}  // namespace tandri
