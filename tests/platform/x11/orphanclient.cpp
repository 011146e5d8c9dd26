// An X client that names no process on its window (no _NET_WM_PID), as some old or remote
// programs do: usage `x11_orphan_client CLASS TITLE`. It runs until its connection ends.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstring>

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    const Window window =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 240, 160, 0, 0, 0xffffff);
    char instance[] = "orphan";
    XClassHint hint{instance, argv[1]};
    XSetClassHint(display, window, &hint);
    XStoreName(display, window, argv[2]);
    XMapWindow(display, window);
    XFlush(display);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);  // ends the process when the server drops the connection
    }
}
