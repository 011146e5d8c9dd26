// SPDX-License-Identifier: MIT
#pragma once

#include "platform/vocabulary.h"

namespace tandri {

/// How a Linux desktop writes keys and names its places: "Ctrl+Alt+K", the system tray.
class LinuxVocabulary : public Vocabulary {
public:
    /// What shows the windows: the help texts name what it lacks.
    enum class Display { X11, Wayland };

    explicit LinuxVocabulary(Display display = Display::X11) : display_(display) {}

    QString shortcut(const QString& storedLabel) const override;
    QString statusArea() const override { return QStringLiteral("system tray"); }
    QString displayAccessibilitySettings() const override {
        return QStringLiteral("your desktop's accessibility settings");
    }
    QString loginItemSettings() const override {
        return QStringLiteral("your desktop's startup settings");
    }
    QString systemName() const override { return {}; }
    /// The first data folder whose applications folder holds desktop entries.
    QString applicationsFolder() const override;
    /// The current desktop's name for it, else "panel".
    QString dock() const override;
    QString fileManager() const override { return QStringLiteral("File Manager"); }
    QString settingsShortcut() const override { return QStringLiteral("Ctrl+,"); }
    std::optional<QString> accessibilityHelp() const override {
        if (display_ == Display::Wayland) {
            return QStringLiteral(
                "Comes with a compositor that lists its windows to other programs; the one "
                "running does not.");
        }
        return QStringLiteral(
            "Comes with any window manager that lists its windows; the one running does not.");
    }
    std::optional<QString> screenRecordingHelp() const override {
        if (display_ == Display::Wayland) {
            return QStringLiteral(
                "Not on Wayland yet: no compositor tells another program where a window lies.");
        }
        return QStringLiteral("Needs the display's Composite extension, which it lacks.");
    }

private:
    Display display_;
};

}  // namespace tandri
