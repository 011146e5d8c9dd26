// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "platform/shortcuttable.h"

namespace tandri {

/// The mappings of one kind in the process's address space.
struct MemoryRegions {
    /// What they hold, in the user's words: "heap", "Qt libraries", "X shared memory".
    QString kind;
    int count = 0;
    /// Pages written to, whether only this process sees them or not.
    qint64 dirtyBytes = 0;
    qint64 swappedBytes = 0;
    bool operator==(const MemoryRegions&) const = default;
};

/// Process-level services.
class System {
public:
    virtual ~System() = default;
    /// Gives freed heap memory back to the operating system.
    virtual void relieveMemory() = 0;
    /// Writes one line to the system log.
    virtual void log(const QString& line) = 0;
    /// Whether a Dock exists whose settings live in the "com.apple.dock" preference domain.
    virtual bool hasDock() const = 0;
    /// Makes the Dock reread its settings; a failure is ignored and the settings take effect the
    /// next time it starts.
    virtual void restartDock() = 0;
    /// The system's own shortcuts and the launchers of this platform.
    virtual ShortcutTable shortcutTable() const = 0;
    /// Plays the alert sound.
    virtual void beep() = 0;
    /// Whether the desktop can show an overview of the front application's windows.
    virtual bool hasWindowOverview() const = 0;
    /// Shows the overview of the front application's windows; does nothing without one.
    virtual void showWindowOverview() = 0;
    /// Arranges for a fresh copy of the program to start about a second after this one ends;
    /// false when that could not be arranged. The caller then quits.
    virtual bool relaunchAfterQuit() = 0;
    /// The process's physical footprint in bytes: the memory that is its own and written to,
    /// in memory or swapped out. None where it cannot be read, which these defaults report.
    virtual std::optional<qint64> memoryFootprint() const { return std::nullopt; }
    /// The process's mappings grouped by kind, in a fixed order of kinds; empty where they
    /// cannot be read.
    virtual std::vector<MemoryRegions> memoryRegions() const { return {}; }
};

}  // namespace tandri
