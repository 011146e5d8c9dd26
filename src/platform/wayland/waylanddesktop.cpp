// SPDX-License-Identifier: MIT
#include "platform/wayland/waylanddesktop.h"

#include "platform/common/desktopentries.h"
#include "platform/common/linuxsystem.h"
#include "platform/wayland/foreigntoplevels.h"
#include "platform/wayland/swayipc.h"
#include "platform/wayland/swaytree.h"
#include "platform/wayland/waylandaccessibility.h"
#include "platform/wayland/waylandconnection.h"
#include "platform/wayland/waylandkeyboard.h"
#include "platform/wayland/waylandoverlays.h"
#include "platform/wayland/waylandpointerbuttons.h"
#include "platform/wayland/waylandscreencapture.h"
#include "platform/wayland/waylandscreens.h"
#include "platform/wayland/waylandseat.h"
#include "platform/wayland/waylandwindowlist.h"
#include "platform/wayland/waylandworkspace.h"

namespace tandri::wayland {

std::unique_ptr<WaylandConnection> WaylandDesktop::connect(QString* problem) {
    auto connection = WaylandConnection::open(problem);
    if (!connection)
        return nullptr;
    if (const QStringList missing = connection->missing(); !missing.isEmpty()) {
        if (problem) {
            *problem = QStringLiteral("the Wayland compositor does not offer %1")
                           .arg(missing.join(QStringLiteral(", ")));
        }
        return nullptr;
    }
    return connection;
}

std::unique_ptr<WaylandDesktop> WaylandDesktop::open(QString* problem) {
    auto connection = connect(problem);
    if (!connection)
        return nullptr;
    return std::unique_ptr<WaylandDesktop>(new WaylandDesktop(std::move(connection)));
}

QString WaylandDesktop::problem() {
    QString why;
    connect(&why);
    return why;
}

WaylandDesktop::WaylandDesktop(std::unique_ptr<WaylandConnection> connection)
    : connection_(std::move(connection)),
      seat_(std::make_unique<WaylandSeat>(*connection_)),
      screens_(std::make_unique<WaylandScreens>(*connection_, *seat_)),
      toplevels_(std::make_unique<ForeignToplevels>(*connection_)),
      entries_(std::make_unique<DesktopEntries>()),
      workspace_(std::make_unique<WaylandWorkspace>(*toplevels_, *entries_)),
      accessibility_(std::make_unique<WaylandAccessibility>(*toplevels_)),
      swayTree_(SwayIPC::socketPath().isEmpty()
                    ? nullptr
                    : std::make_unique<SwayTree>(SwayIPC::socketPath())),
      screenCapture_(
          std::make_unique<WaylandScreenCapture>(*toplevels_, *screens_, swayTree_.get())),
      windowList_(std::make_unique<WaylandWindowList>(*screenCapture_)),
      overlays_(std::make_unique<WaylandOverlays>(*connection_, *screens_, *seat_)),
      system_(std::make_unique<LinuxSystem>()),
      keyboard_(std::make_unique<WaylandKeyboard>()),
      pointerButtons_(std::make_unique<WaylandPointerButtons>()) {}

WaylandDesktop::~WaylandDesktop() = default;

Workspace& WaylandDesktop::workspace() {
    return *workspace_;
}
Accessibility& WaylandDesktop::accessibility() {
    return *accessibility_;
}
WindowList& WaylandDesktop::windowList() {
    return *windowList_;
}
Screens& WaylandDesktop::screens() {
    return *screens_;
}
Overlays& WaylandDesktop::overlays() {
    return *overlays_;
}
System& WaylandDesktop::system() {
    return *system_;
}
ScreenCapture& WaylandDesktop::screenCapture() {
    return *screenCapture_;
}
Keyboard& WaylandDesktop::keyboard() {
    return *keyboard_;
}
PointerButtons& WaylandDesktop::pointerButtons() {
    return *pointerButtons_;
}
WaylandKeyboard& WaylandDesktop::trigger() {
    return *keyboard_;
}

void WaylandDesktop::readCompositorBindings(SwayBindings::KeyCodeOf keyCodeOf) {
    const bool sway = !SwayIPC::socketPath().isEmpty() ||
                      qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':').contains(u"sway");
    if (!sway)
        return;
    system_->systemShortcuts = [keyCodeOf = std::move(keyCodeOf)] {
        return SwayBindings::readSession(keyCodeOf);
    };
}

}  // namespace tandri::wayland
