#pragma once

#include "platform/system.h"

namespace tandri {

/// Process-level services of a Linux system. There is no Dock to hide or restart; the desktop's
/// own shortcut table is the backend's to add.
class LinuxSystem : public System {
public:
    void relieveMemory() override;
    /// To the system log (syslog) and standard error.
    void log(const QString& line) override;
    bool hasDock() const override { return false; }
    void restartDock() override {}
    ShortcutTable shortcutTable() const override { return {}; }
};

}  // namespace tandri
