#pragma once

#include "platform/vocabulary.h"

namespace tandri {

/// How a Linux desktop writes keys and names its places: "Ctrl+Alt+K", the system tray.
class LinuxVocabulary : public Vocabulary {
public:
    QString shortcut(const QString& storedLabel) const override;
    QString statusArea() const override { return QStringLiteral("system tray"); }
    QString displayAccessibilitySettings() const override {
        return QStringLiteral("your desktop's accessibility settings");
    }
    QString loginItemSettings() const override {
        return QStringLiteral("your desktop's startup settings");
    }
    QString systemName() const override { return {}; }
};

}  // namespace tandri
