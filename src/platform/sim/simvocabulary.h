// SPDX-License-Identifier: MIT
#pragma once

#include "platform/vocabulary.h"

namespace tandri::sim {

/// The words of the system the simulated desktop imitates: its glyphs and its places.
class SimVocabulary : public Vocabulary {
public:
    QString shortcut(const QString& storedLabel) const override { return storedLabel; }
    QString statusArea() const override { return QStringLiteral("menu bar"); }
    QString displayAccessibilitySettings() const override {
        return QStringLiteral("System Settings → Accessibility → Display");
    }
    QString loginItemSettings() const override {
        return QStringLiteral("System Settings → General → Login Items");
    }
    QString systemName() const override { return QStringLiteral("macOS"); }
    QString applicationsFolder() const override { return QStringLiteral("/Applications"); }
    QString dock() const override { return QStringLiteral("Dock"); }
    QString fileManager() const override { return QStringLiteral("Finder"); }
    QString settingsShortcut() const override { return QStringLiteral("⌘,"); }
    std::optional<QString> accessibilityHelp() const override { return std::nullopt; }
    std::optional<QString> screenRecordingHelp() const override { return std::nullopt; }
};

}  // namespace tandri::sim
