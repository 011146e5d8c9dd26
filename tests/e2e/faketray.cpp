// SPDX-License-Identifier: MIT
// A system tray as small as the XEmbed tray protocol allows: it claims the tray selection of
// screen 0, announces itself, and prints the window and process of every icon that asks to be
// docked.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>

int main() {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    const Window root = DefaultRootWindow(display);
    const Window tray = XCreateSimpleWindow(display, root, 0, 0, 200, 24, 0, 0, 0);
    const Atom selection = XInternAtom(display, "_NET_SYSTEM_TRAY_S0", False);
    const Atom opcode = XInternAtom(display, "_NET_SYSTEM_TRAY_OPCODE", False);
    const Atom manager = XInternAtom(display, "MANAGER", False);
    XSetSelectionOwner(display, selection, tray, CurrentTime);
    if (XGetSelectionOwner(display, selection) != tray)
        return 1;

    XEvent announce{};
    announce.xclient.type = ClientMessage;
    announce.xclient.window = root;
    announce.xclient.message_type = manager;
    announce.xclient.format = 32;
    announce.xclient.data.l[0] = CurrentTime;
    announce.xclient.data.l[1] = long(selection);
    announce.xclient.data.l[2] = long(tray);
    XSendEvent(display, root, False, StructureNotifyMask, &announce);
    XFlush(display);
    std::printf("ready\n");
    std::fflush(stdout);

    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        constexpr long requestDock = 0;
        if (event.type == ClientMessage && event.xclient.message_type == opcode &&
            event.xclient.data.l[1] == requestDock) {
            // The icon's owner, read at once: an icon left undocked may soon be made again.
            const Window icon = Window(event.xclient.data.l[2]);
            Atom type = None;
            int format = 0;
            unsigned long count = 0, after = 0;
            unsigned char* data = nullptr;
            unsigned long pid = 0;
            if (XGetWindowProperty(display, icon, XInternAtom(display, "_NET_WM_PID", False), 0, 1,
                                   False, XA_CARDINAL, &type, &format, &count, &after,
                                   &data) == Success &&
                data) {
                if (format == 32 && count == 1)
                    pid = *reinterpret_cast<unsigned long*>(data);
                XFree(data);
            }
            std::printf("dock %lu pid %lu\n", static_cast<unsigned long>(icon), pid);
            std::fflush(stdout);
        }
    }
}
