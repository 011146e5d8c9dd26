// SPDX-License-Identifier: MIT
#include "windows/windowsource.h"

#include "catalogue/appsource.h"
#include "platform/accessibility.h"
#include "platform/platform.h"
#include "platform/queues.h"
#include "platform/runningapp.h"
#include "platform/windowlist.h"

namespace tandri::WindowSource {
namespace {

const QString standardWindowSubrole = QStringLiteral("AXStandardWindow");
constexpr double minCountedWidth = 80;
constexpr double minCountedHeight = 60;

}  // namespace

bool isTrusted(const Accessibility& accessibility) {
    return accessibility.isTrusted();
}

void requestAccess(Accessibility& accessibility) {
    accessibility.requestAccess();
}

std::vector<WindowInfo> windows(const Accessibility& accessibility, qint32 pid) {
    std::vector<WindowInfo> open;
    std::vector<WindowInfo> minimized;
    for (const AXWindow& window : accessibility.windows(pid)) {
        // Dialogs, sheets, palettes and windows without a subrole are not the app's windows.
        if (window.subrole != standardWindowSubrole)
            continue;
        WindowInfo info{window.title.value_or(QString()), window.minimized.value_or(false),
                        window.element, window.windowID, window.main};
        (info.isMinimized ? minimized : open).push_back(std::move(info));
    }
    open.insert(open.end(), std::make_move_iterator(minimized.begin()),
                std::make_move_iterator(minimized.end()));
    return open;
}

WindowTable windows(const Accessibility& accessibility, const std::vector<qint32>& pids) {
    WindowTable table;
    for (qint32 pid : pids) table[pid] = windows(accessibility, pid);
    return table;
}

WindowCounts visibleCounts(const WindowList& windowList) {
    WindowCounts counts;
    const auto list = windowList.onScreenWindows();
    if (!list)
        return counts;
    for (const ServerWindow& window : *list) {
        // Menus, the Dock, overlays and status items live on other layers.
        if (!window.layer || *window.layer != 0)
            continue;
        if (!window.ownerPID)
            continue;
        if (!window.bounds || window.bounds->width() < minCountedWidth ||
            window.bounds->height() < minCountedHeight) {
            continue;
        }
        if (window.alpha && *window.alpha == 0)
            continue;
        ++counts[static_cast<qint32>(*window.ownerPID)];
    }
    return counts;
}

void raise(Platform& platform, const WindowInfo& window, const RunningApp& app) {
    Accessibility& accessibility = platform.accessibility;
    if (window.isMinimized)
        accessibility.setMinimized(window.element, false);
    accessibility.setMain(window.element);
    accessibility.raise(window.element);
    // Activating may bring another of the app's windows forward, so raise this one once more.
    // The activation completes on any thread; window actions belong on the main thread.
    Queues* queues = &platform.queues;
    Accessibility* target = &accessibility;
    const WindowElement element = window.element;
    AppSource::activate(platform, app, [queues, target, element] {
        queues->main([target, element] { target->raise(element); });
    });
}

}  // namespace tandri::WindowSource
