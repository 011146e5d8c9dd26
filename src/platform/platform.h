// SPDX-License-Identifier: MIT
#pragma once

namespace tandri {

class Accessibility;
class Clock;
class ContextMenus;
class Files;
class Keyboard;
class LoginItems;
class Notifications;
class Overlays;
class PointerButtons;
class Preferences;
class Queues;
class QuitRequests;
class ScreenCapture;
class Screens;
class StatusItems;
class System;
class Vocabulary;
class WindowList;
class Workspace;

/// Every operating-system service the program uses, as handed to the core by a backend.
/// The services outlive every user of this struct.
struct Platform {
    Preferences& preferences;
    Notifications& notifications;
    Clock& clock;
    Queues& queues;
    Files& files;
    Workspace& workspace;
    Accessibility& accessibility;
    WindowList& windowList;
    Screens& screens;
    Overlays& overlays;
    System& system;
    ScreenCapture& screenCapture;
    Keyboard& keyboard;
    PointerButtons& pointerButtons;
    QuitRequests& quitRequests;
    StatusItems& statusItems;
    ContextMenus& contextMenus;
    LoginItems& loginItems;
    Vocabulary& vocabulary;
};

}  // namespace tandri
