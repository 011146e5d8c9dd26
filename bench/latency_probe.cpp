// Measures, on a real X server, how long the running program takes from a synthetic Alt-Space
// press to its ring window appearing, and from the release to the flicked window becoming active.
// Usage: latency_probe TRIES X Y DX1 DY1 WINDOW1 DX2 DY2 WINDOW2 [PAUSE]
// The ring opens around (X, Y); each try flicks by (DX, DY) toward the entry of WINDOW (an X
// window id), alternating between the two, so that every release switches windows. PAUSE is the
// rest between tries in seconds (0.15 by default); a rest longer than the program's memory trim
// after closing measures openings that find none of the last one's memory at hand.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

using Clock = std::chrono::steady_clock;

double millis(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

Window activeWindow(Display* display, Atom active) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    Window result = 0;
    if (XGetWindowProperty(display, DefaultRootWindow(display), active, 0, 1, False, XA_WINDOW,
                           &type, &format, &count, &after, &data) == Success &&
        data && count == 1) {
        result = *reinterpret_cast<Window*>(data);
    }
    if (data)
        XFree(data);
    return result;
}

// Waits for an event that `match` accepts, up to `seconds`; whether one came.
template <typename Match>
bool waitFor(Display* display, double seconds, Match match) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < deadline) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (match(event))
                return true;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
}

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 10 && argc != 11) {
        std::fprintf(stderr, "usage: %s TRIES X Y DX1 DY1 WINDOW1 DX2 DY2 WINDOW2 [PAUSE]\n",
                     argv[0]);
        return 2;
    }
    const int tries = std::atoi(argv[1]);
    const int x = std::atoi(argv[2]), y = std::atoi(argv[3]);
    const int dx[2] = {std::atoi(argv[4]), std::atoi(argv[7])};
    const int dy[2] = {std::atoi(argv[5]), std::atoi(argv[8])};
    const Window targets[2] = {std::strtoul(argv[6], nullptr, 0),
                               std::strtoul(argv[9], nullptr, 0)};
    const auto pause = std::chrono::duration<double>(argc == 11 ? std::atof(argv[10]) : 0.15);

    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "latency_probe: no X display\n");
        return 2;
    }
    const Window root = DefaultRootWindow(display);
    const Atom active = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    XSelectInput(display, root, SubstructureNotifyMask | PropertyChangeMask);
    const KeyCode alt = XKeysymToKeycode(display, XK_Alt_L);
    const KeyCode space = XKeysymToKeycode(display, XK_space);

    std::vector<double> opening, switching;
    int failures = 0;
    for (int i = 0; i < tries; ++i) {
        const int which = i % 2;
        XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
        XSync(display, False);
        while (XPending(display) > 0) {
            XEvent discard;
            XNextEvent(display, &discard);
        }

        const auto pressed = Clock::now();
        XTestFakeKeyEvent(display, alt, True, CurrentTime);
        XTestFakeKeyEvent(display, space, True, CurrentTime);
        XFlush(display);
        // The panel is an override-redirect window: its mapping is the ring reaching the screen.
        const bool shown = waitFor(display, 2.0, [](const XEvent& event) {
            return event.type == MapNotify && event.xmap.override_redirect;
        });
        const auto appeared = Clock::now();

        XTestFakeMotionEvent(display, -1, x + dx[which], y + dy[which], CurrentTime);
        XFlush(display);
        std::this_thread::sleep_for(std::chrono::milliseconds(400));  // past the tap interval
        const auto released = Clock::now();
        XTestFakeKeyEvent(display, space, False, CurrentTime);
        XTestFakeKeyEvent(display, alt, False, CurrentTime);
        XFlush(display);
        const bool switched = waitFor(display, 2.0,
                                      [&](const XEvent& event) {
                                          return event.type == PropertyNotify &&
                                                 event.xproperty.atom == active &&
                                                 activeWindow(display, active) == targets[which];
                                      }) ||
                              activeWindow(display, active) == targets[which];
        const auto done = Clock::now();

        if (shown && switched) {
            opening.push_back(millis(pressed, appeared));
            switching.push_back(millis(released, done));
        } else {
            ++failures;
        }
        std::this_thread::sleep_for(pause);
    }
    std::printf("tries %d, failed %d\n", tries, failures);
    std::printf("press to ring on screen: median %.1f ms\n", median(opening));
    std::printf("release to window active: median %.1f ms\n", median(switching));
    XCloseDisplay(display);
    return failures == tries ? 1 : 0;
}
