// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <optional>

namespace tandri {

/// The words of the desktop the program runs on, wherever a text names the system's keys or
/// places. Stored values keep the system's own spelling ("⌥Space"); only what is shown changes.
class Vocabulary {
public:
    virtual ~Vocabulary() = default;
    /// A stored shortcut label as this desktop writes shortcuts ("⌃⌥K" → "Ctrl+Alt+K").
    virtual QString shortcut(const QString& storedLabel) const = 0;
    /// Where the program's status icon lives ("menu bar").
    virtual QString statusArea() const = 0;
    /// Where the user turns on reduced transparency or more contrast.
    virtual QString displayAccessibilitySettings() const = 0;
    /// Where the user approves programs that start at login.
    virtual QString loginItemSettings() const = 0;
    /// The system's name, where a text names it ("macOS may ask…"); empty where no text should.
    virtual QString systemName() const = 0;
    /// Where the user's programs are, for choosing one to pin.
    virtual QString applicationsFolder() const = 0;
    /// Where the desktop keeps its pinned apps, as a sentence writes it: "Dock", "Dash",
    /// "panel".
    virtual QString dock() const = 0;
    /// A file manager, where the user's own cannot be named.
    virtual QString fileManager() const = 0;
    /// The ring's own shortcut to Settings, as this desktop writes it ("⌘,").
    virtual QString settingsShortcut() const = 0;
    /// Why window listing is not allowed where the user has nothing to grant; absent where the
    /// system asks the user and an "Allow…" button makes sense.
    virtual std::optional<QString> accessibilityHelp() const = 0;
    /// The same for window pictures.
    virtual std::optional<QString> screenRecordingHelp() const = 0;
};

}  // namespace tandri
