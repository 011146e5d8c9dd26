// SPDX-License-Identifier: MIT
// A plain X client whose every step is known, unlike a real program's start-up: usage
// `x11_test_client [--no-pid] CLASS TITLE`. Its window names its process (_NET_WM_PID) unless
// --no-pid is given, as some old or remote programs do not; asked to close it (WM_DELETE_WINDOW),
// it ends with status 0. It also ends when the server drops its connection.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstring>

int main(int argc, char** argv) {
    const bool withPid = argc > 1 && std::strcmp(argv[1], "--no-pid") != 0;
    const int first = withPid ? 1 : 2;
    if (argc < first + 2)
        return 2;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    const Window window =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 240, 160, 0, 0, 0xffffff);
    char instance[] = "testclient";
    XClassHint hint{instance, argv[first]};
    XSetClassHint(display, window, &hint);
    XStoreName(display, window, argv[first + 1]);
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &deleteWindow, 1);
    if (withPid) {
        const long pid = getpid();
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL,
                        32, PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
    }
    XMapWindow(display, window);
    XFlush(display);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);  // ends the process when the server drops the connection
        if (event.type == ClientMessage && Atom(event.xclient.data.l[0]) == deleteWindow) {
            XCloseDisplay(display);
            return 0;
        }
    }
}
