// SPDX-License-Identifier: MIT
#include "platform/wayland/waylandaccessibility.h"

#include "platform/wayland/foreigntoplevels.h"

namespace tandri::wayland {

WaylandAccessibility::WaylandAccessibility(ForeignToplevels& toplevels) : toplevels_(toplevels) {}

bool WaylandAccessibility::isTrusted() const {
    return toplevels_.available();
}

void WaylandAccessibility::requestAccess() {}

std::vector<AXWindow> WaylandAccessibility::windows(qint32 pid) const {
    std::vector<AXWindow> result;
    for (const ForeignToplevels::Toplevel& toplevel : toplevels_.list()) {
        if (toplevel.pid != pid)
            continue;
        AXWindow window;
        window.element = WindowElement{pid, toplevel.id};
        // Foreign toplevels are the compositor's ordinary windows; it lists no others.
        window.subrole = QStringLiteral("AXStandardWindow");
        window.title = toplevel.title;
        window.minimized = toplevel.minimized;
        window.windowID = toplevel.id;
        window.main = toplevel.activated;
        result.push_back(std::move(window));
    }
    return result;
}

void WaylandAccessibility::setMinimized(const WindowElement& window, bool minimized) {
    toplevels_.setMinimized(quint32(window.handle), minimized);
}

void WaylandAccessibility::setMain(const WindowElement& window) {
    toplevels_.activate(quint32(window.handle));
}

void WaylandAccessibility::raise(const WindowElement& window) {
    toplevels_.activate(quint32(window.handle));
}

std::optional<std::vector<AXMenu>> WaylandAccessibility::menuBar(qint32) const {
    return std::nullopt;
}

int WaylandAccessibility::fileMenuIndex() const {
    return 0;
}

void WaylandAccessibility::press(const MenuElement&) {}

}  // namespace tandri::wayland
