// SPDX-License-Identifier: MIT
#include "platform/sim/simsystem.h"

#include <QTextStream>
#include <cstdio>

#include "platform/common/procmemory.h"

namespace tandri::sim {

SimSystem::SimSystem(SimState& state) : state_(state) {}

void SimSystem::relieveMemory() {
    ++reliefs_;
    std::lock_guard lock(state_.mutex);
    state_.log(QStringLiteral("relieve-memory"));
}

void SimSystem::log(const QString& line) {
    {
        std::lock_guard lock(state_.mutex);
        state_.log(QStringLiteral("log ") + line);
    }
    QTextStream(stderr) << line << '\n';
}

void SimSystem::restartDock() {
    std::lock_guard lock(state_.mutex);
    state_.log(QStringLiteral("restart-dock"));
}

bool SimSystem::relaunchAfterQuit() {
    std::lock_guard lock(state_.mutex);
    state_.log(QStringLiteral("relaunch"));
    return true;
}

std::optional<qint64> SimSystem::memoryFootprint() const {
    return ProcMemory::footprint();
}

std::vector<MemoryRegions> SimSystem::memoryRegions() const {
    return ProcMemory::regions();
}

void SimSystem::beep() {
    std::lock_guard lock(state_.mutex);
    state_.log(QStringLiteral("beep"));
}

void SimSystem::showWindowOverview() {
    std::lock_guard lock(state_.mutex);
    state_.log(QStringLiteral("window-overview ") +
               (state_.frontmost ? QString::number(*state_.frontmost) : QStringLiteral("none")));
}

ShortcutTable SimSystem::shortcutTable() const {
    using Format = Launcher::Format;
    ShortcutTable table;
    table.domain = QStringLiteral("com.apple.symbolichotkeys");
    table.key = QStringLiteral("AppleSymbolicHotKeys");
    table.system = {
        {60, QStringLiteral("the previous input source"), 49, 4096, false},
        {61, QStringLiteral("the next input source"), 49, 6144, false},
        {64, QStringLiteral("Spotlight"), 49, 256, true},
        {65, QStringLiteral("Spotlight's Finder search"), 49, 2304, true},
    };
    table.launchers = {
        {QStringLiteral("Raycast"), QStringLiteral("com.raycast.macos"),
         QStringLiteral("raycastGlobalHotkey"), Format::Dashes},
        {QStringLiteral("ChatGPT"), QStringLiteral("com.openai.chat"),
         QStringLiteral("KeyboardShortcuts_toggleLauncher"), Format::KeyCodeJson},
        {QStringLiteral("Alfred"), QStringLiteral("com.runningwithcrayons.Alfred"), QString(),
         Format::None},
    };
    return table;
}

}  // namespace tandri::sim
