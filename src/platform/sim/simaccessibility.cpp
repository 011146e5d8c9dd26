// SPDX-License-Identifier: MIT
#include "platform/sim/simaccessibility.h"

#include <algorithm>

namespace tandri::sim {

SimAccessibility::SimAccessibility(SimState& state) : state_(state) {}

bool SimAccessibility::isTrusted() const {
    std::lock_guard lock(state_.mutex);
    return state_.trusted;
}

void SimAccessibility::requestAccess() {
    std::lock_guard lock(state_.mutex);
    state_.log(QStringLiteral("request-access"));
}

std::vector<AXWindow> SimAccessibility::windows(qint32 pid) const {
    std::lock_guard lock(state_.mutex);
    const SimState::App* app = state_.app(pid);
    if (!state_.trusted || !app || app->terminated)
        return {};
    std::vector<AXWindow> result;
    result.reserve(app->windows.size());
    for (const auto& window : app->windows) {
        result.push_back({{pid, window.handle},
                          window.subrole,
                          window.title,
                          window.minimized,
                          window.id,
                          window.main});
    }
    return result;
}

// Without the permission every attribute write fails, as it would on a real desktop; the request
// is still logged.

void SimAccessibility::setMinimized(const WindowElement& element, bool minimized) {
    std::lock_guard lock(state_.mutex);
    state_.log(QStringLiteral("set-minimized %1 %2")
                   .arg(element.handle)
                   .arg(minimized ? QStringLiteral("true") : QStringLiteral("false")));
    SimState::Window* window = state_.trusted ? state_.window(element) : nullptr;
    if (!window)
        return;
    window->minimized = minimized;
    window->onScreen = !minimized;
}

void SimAccessibility::setMain(const WindowElement& element) {
    std::lock_guard lock(state_.mutex);
    state_.log(QStringLiteral("set-main %1").arg(element.handle));
}

void SimAccessibility::raise(const WindowElement& element) {
    std::lock_guard lock(state_.mutex);
    state_.log(QStringLiteral("raise %1").arg(element.handle));
    SimState::App* app = state_.trusted ? state_.app(element.pid) : nullptr;
    if (!app)
        return;
    auto& windows = app->windows;
    auto it = std::find_if(windows.begin(), windows.end(),
                           [&](const auto& window) { return window.handle == element.handle; });
    if (it != windows.end())
        std::rotate(windows.begin(), it, it + 1);
}

std::optional<std::vector<AXMenu>> SimAccessibility::menuBar(qint32 pid) const {
    std::lock_guard lock(state_.mutex);
    const SimState::App* app = state_.app(pid);
    if (!state_.trusted || !app || app->terminated)
        return std::nullopt;
    return app->menuBar;
}

int SimAccessibility::fileMenuIndex() const {
    // Menu bars here begin with the system's menu and the app's own.
    return 2;
}

void SimAccessibility::press(const MenuElement& element) {
    std::lock_guard lock(state_.mutex);
    const AXMenuItem* item = state_.trusted ? state_.menuItem(element) : nullptr;
    state_.log(
        QStringLiteral("press %1 %2")
            .arg(element.pid)
            .arg(item ? item->title.value_or(QString()) : QStringLiteral("(gone) ") + element.id));
}

}  // namespace tandri::sim
