// SPDX-License-Identifier: MIT
#include "platform/x11/x11desktop.h"

#include "platform/common/linuxsystem.h"
#include "platform/common/runningprocesses.h"
#include "platform/common/xdgdirs.h"
#include "platform/x11/desktopentries.h"
#include "platform/x11/gnomebindings.h"
#include "platform/x11/kdebindings.h"
#include "platform/x11/keyfocus.h"
#include "platform/x11/linuxlaunchers.h"
#include "platform/x11/openboxbindings.h"
#include "platform/x11/x11accessibility.h"
#include "platform/x11/x11connection.h"
#include "platform/x11/x11contextmenus.h"
#include "platform/x11/x11keyboard.h"
#include "platform/x11/x11overlays.h"
#include "platform/x11/x11pointerbuttons.h"
#include "platform/x11/x11screencapture.h"
#include "platform/x11/x11screens.h"
#include "platform/x11/x11windowlist.h"
#include "platform/x11/x11workspace.h"
#include "platform/x11/xfcebindings.h"

namespace tandri::x11 {

std::unique_ptr<X11Desktop> X11Desktop::open(Clock& clock) {
    auto connection = X11Connection::open();
    if (!connection)
        return nullptr;
    return std::unique_ptr<X11Desktop>(new X11Desktop(std::move(connection), clock));
}

X11Desktop::X11Desktop(std::unique_ptr<X11Connection> connection, Clock& clock)
    : connection_(std::move(connection)),
      keyFocus_(std::make_unique<KeyFocus>()),
      entries_(std::make_unique<DesktopEntries>()),
      workspace_(std::make_unique<X11Workspace>(*connection_, *entries_)),
      accessibility_(std::make_unique<X11Accessibility>(*connection_)),
      windowList_(std::make_unique<X11WindowList>(*connection_)),
      screens_(std::make_unique<X11Screens>(*connection_)),
      screenCapture_(std::make_unique<X11ScreenCapture>(*connection_)),
      overlays_(std::make_unique<X11Overlays>(*connection_, *keyFocus_, clock)),
      system_(std::make_unique<LinuxSystem>()),
      keyboard_(std::make_unique<X11Keyboard>(*connection_, *keyFocus_)),
      pointerButtons_(std::make_unique<X11PointerButtons>(*connection_)),
      contextMenus_(std::make_unique<X11ContextMenus>(*keyboard_)) {
    X11Connection* display = connection_.get();
    system_->systemShortcuts = [display] {
        std::vector<SystemShortcut> bound;
        // Plasma's global shortcuts hold keys whichever window manager runs under it.
        const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':');
        if (desktops.contains(QStringLiteral("KDE")))
            bound = KdeBindings::read(KdeBindings::sessionFile());
        else if (desktops.contains(QStringLiteral("XFCE")))
            bound = XfceBindings::read(XfceBindings::sessionFiles());
        else if (desktops.contains(QStringLiteral("GNOME")) ||
                 desktops.contains(QStringLiteral("Unity")) ||
                 desktops.contains(QStringLiteral("Budgie")))
            bound = GnomeBindings::read();
        // Only the window manager that runs holds keys; openbox says which file it read.
        const auto manager = display->windowManager();
        if (manager && display->text(*manager, "_NET_WM_NAME") == QStringLiteral("Openbox")) {
            for (SystemShortcut& shortcut : OpenboxBindings::read(OpenboxBindings::sessionFile(
                     display->text(display->root(), "_OB_CONFIG_FILE").value_or(QString())))) {
                shortcut.number = int(bound.size()) + 1;
                bound.push_back(std::move(shortcut));
            }
        }
        return bound;
    };
    system_->launchers = [] {
        return LinuxLaunchers::read(LinuxLaunchers::known(), RunningProcesses::ofThisUser(),
                                    XdgDirs::configHome());
    };
}

X11Desktop::~X11Desktop() = default;

Workspace& X11Desktop::workspace() {
    return *workspace_;
}
Accessibility& X11Desktop::accessibility() {
    return *accessibility_;
}
WindowList& X11Desktop::windowList() {
    return *windowList_;
}
Screens& X11Desktop::screens() {
    return *screens_;
}
Overlays& X11Desktop::overlays() {
    return *overlays_;
}
System& X11Desktop::system() {
    return *system_;
}
ScreenCapture& X11Desktop::screenCapture() {
    return *screenCapture_;
}
Keyboard& X11Desktop::keyboard() {
    return *keyboard_;
}
PointerButtons& X11Desktop::pointerButtons() {
    return *pointerButtons_;
}
ContextMenus& X11Desktop::contextMenus() {
    return *contextMenus_;
}

}  // namespace tandri::x11
