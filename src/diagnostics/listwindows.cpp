// SPDX-License-Identifier: MIT
#include "diagnostics/listwindows.h"

#include "catalogue/appsource.h"
#include "platform/platform.h"
#include "platform/vocabulary.h"
#include "prefs/settings.h"
#include "triggers/shortcut.h"
#include "triggers/shortcutconflicts.h"
#include "windows/windowsource.h"

namespace tandri::ListWindows {

void run(Platform& platform, QTextStream& out) {
    Settings::registerDefaults(platform.preferences);
    const bool dock = Settings::appSet(platform.preferences) == AppSet::DockAndOpen;
    const std::vector<RingApp> entries = AppSource::ringApps(platform, dock);
    const bool trusted = WindowSource::isTrusted(platform.accessibility);
    out << "Accessibility: " << (trusted ? "allowed" : "not allowed — titles need it") << '\n';
    // Who else may answer the shortcut, as the status menu would warn.
    const Shortcut shortcut = Shortcut::current(platform.preferences);
    out << "Shortcut: "
        << ShortcutConflicts::warning(platform, shortcut)
               .value_or(platform.vocabulary.shortcut(shortcut.label))
        << '\n';
    const WindowCounts counts = WindowSource::visibleCounts(platform.windowList);
    for (size_t i = 0; i < entries.size(); ++i) {
        const RingApp& entry = entries[i];
        out << i << ". " << entry.name;
        const auto pid = entry.pid();
        if (!pid) {
            out << " — not running (pinned in the " << platform.vocabulary.dock() << ")\n";
            continue;
        }
        const auto count = counts.find(*pid);
        out << " — " << (count != counts.end() ? count->second : 0) << " visible\n";
        if (!trusted)
            continue;
        for (const auto& window : WindowSource::windows(platform.accessibility, *pid)) {
            out << "     " << (window.isMinimized ? "▾" : "•") << ' '
                << (window.title.isEmpty() ? QStringLiteral("(untitled)") : window.title) << '\n';
        }
    }
    out.flush();
}

}  // namespace tandri::ListWindows
