// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <vector>

#include <QDBusConnection>
#include <cstddef>
#include <optional>

#include "platform/system.h"

namespace tandri {

/// Process-level services of a Linux system. There is no Dock to hide or restart; the desktop's
/// own shortcut table and the launchers are the backend's to add. The window overview is KWin's
/// "ExposeClass" (the windows of the front app), asked for through its global shortcuts service.
class LinuxSystem : public System {
public:
    /// With the desktop's services on the session bus. Freed memory is kept for reuse until
    /// `relieveMemory`.
    LinuxSystem();
    /// With the desktop's services on `bus`.
    explicit LinuxSystem(QDBusConnection bus);

    /// Blocks from this size up are mapped from the kernel on their own, and handed back when
    /// freed; smaller ones are kept in the heap until `relieveMemory`. The largest glibc accepts.
    static constexpr size_t largestHeapBlock = size_t(32) << 20;

    void relieveMemory() override;
    /// To the system log (syslog) and standard error.
    void log(const QString& line) override;
    bool hasDock() const override { return false; }
    void restartDock() override {}
    /// The desktop's own bindings, as the window manager in use keeps them.
    std::function<std::vector<SystemShortcut>()> systemShortcuts;
    /// The launchers that may hold keys of their own, each found and read afresh.
    std::function<std::vector<Launcher>()> launchers;
    /// The system part from `systemShortcuts` and the launchers from `launchers`, each read now.
    ShortcutTable shortcutTable() const override {
        return {{},
                {},
                systemShortcuts ? systemShortcuts() : std::vector<SystemShortcut>{},
                launchers ? launchers() : std::vector<Launcher>{}};
    }
    /// The display's bell.
    void beep() override;
    /// Whether KWin's global shortcuts service answers and offers "ExposeClass".
    bool hasWindowOverview() const override;
    void showWindowOverview() override;
    /// Through a detached shell that waits a second and then starts this program's file again.
    bool relaunchAfterQuit() override;
    /// Private dirty plus swapped memory, from `/proc/self/smaps_rollup`.
    std::optional<qint64> memoryFootprint() const override;
    /// From `/proc/self/smaps`.
    std::vector<MemoryRegions> memoryRegions() const override;

private:
    QDBusConnection bus() const;

    std::optional<QDBusConnection> bus_;
};

}  // namespace tandri
