// SPDX-License-Identifier: MIT
// Measures from outside, on a real X server, how long a program that opens on a held chord (the
// ring, or a peer's pie) takes to show itself and to go away, as the user sees it: it presses the
// chord through XTest and reads a few rows of the screen around the pointer until they change.
//
// Usage: latency_probe [--keys CHORD] [--at X,Y] [--tries N] [--pause S] [--every MS]
//                      [--flick DX,DY,WINDOW]... [--raw]
//   --keys   the chord, keysyms joined by '+', held in that order (default Alt_L+space)
//   --at     where the pointer rests (default 720,450)
//   --tries  openings (default 20)
//   --pause  seconds from one try's end (the window active, or the pixels gone) to the next press
//            (default 0.6); longer than the program's memory trim after closing, it measures
//            openings that find none of the last one's memory at hand
//   --every  milliseconds between two readings of the screen (default 1)
//   --flick  a window to switch to: every other try moves the pointer by (DX, DY) toward that
//            window's entry and releases the chord there, timing until the window is active;
//            given twice, the flicks alternate, so that every release switches windows
//   --raw    one line per sample ("pixels 12.3") instead of the summary, for scripts/latency
//
// Every try that does not flick is a tap (the chord released as soon as the pixels show) and,
// half a second later, Escape, timed until the rows are as they were before the press.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "screenrows.h"

namespace {

using Clock = std::chrono::steady_clock;
using Pixels = std::vector<std::uint8_t>;

// Five rows of 300 pixels, 60 apart: they cross a ring or pie of any look drawn around the pointer.
constexpr int rowCount = 5;
constexpr int rowWidth = 300;
constexpr int rowSpacing = 60;

struct Flick {
    int dx = 0, dy = 0;
    Window target = 0;
};

struct Options {
    std::string keys = "Alt_L+space";
    int x = 720, y = 450;
    int tries = 20;
    double pause = 0.6;
    double every = 1.0;
    std::vector<Flick> flicks;
    bool raw = false;
};

double millis(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    for (std::string part; std::getline(stream, part, separator);) parts.push_back(part);
    return parts;
}

std::optional<Options> parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        if (flag == "--raw") {
            options.raw = true;
            continue;
        }
        if (i + 1 >= argc)
            return std::nullopt;
        const std::string value = argv[++i];
        const auto numbers = split(value, ',');
        if (flag == "--keys") {
            options.keys = value;
        } else if (flag == "--at" && numbers.size() == 2) {
            options.x = std::atoi(numbers[0].c_str());
            options.y = std::atoi(numbers[1].c_str());
        } else if (flag == "--tries") {
            options.tries = std::atoi(value.c_str());
        } else if (flag == "--pause") {
            options.pause = std::atof(value.c_str());
        } else if (flag == "--every") {
            options.every = std::atof(value.c_str());
        } else if (flag == "--flick" && numbers.size() == 3) {
            options.flicks.push_back({std::atoi(numbers[0].c_str()), std::atoi(numbers[1].c_str()),
                                      std::strtoul(numbers[2].c_str(), nullptr, 0)});
        } else {
            return std::nullopt;
        }
    }
    if (options.tries < 1 || options.every <= 0 || options.pause < 0 || options.flicks.size() > 2)
        return std::nullopt;
    return options;
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

void sendKeys(Display* display, const std::vector<KeyCode>& keys, bool down) {
    if (down) {
        for (KeyCode key : keys) XTestFakeKeyEvent(display, key, True, CurrentTime);
    } else {
        for (auto key = keys.rbegin(); key != keys.rend(); ++key)
            XTestFakeKeyEvent(display, *key, False, CurrentTime);
    }
    XFlush(display);
}

void discardEvents(Display* display) {
    while (XPending(display) > 0) {
        XEvent discard;
        XNextEvent(display, &discard);
    }
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

class Probe {
public:
    Probe(Display* display, const Options& options)
        : display_(display),
          options_(options),
          rows_(options.x, options.y, rowWidth, rowCount, rowSpacing),
          active_(XInternAtom(display, "_NET_ACTIVE_WINDOW", False)),
          escape_{XKeysymToKeycode(display, XK_Escape)} {
        for (const std::string& name : split(options.keys, '+')) {
            const KeySym sym = XStringToKeysym(name.c_str());
            const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(display, sym);
            if (!code)
                unknownKey_ = name;
            chord_.push_back(code);
        }
        XSelectInput(display, DefaultRootWindow(display),
                     SubstructureNotifyMask | PropertyChangeMask);
    }

    const std::string& unknownKey() const { return unknownKey_; }
    bool readsScreen() const { return rows_.connected(); }

    // What one reading of the rows costs, in microseconds (the mean of many back to back).
    double readingCost() {
        constexpr int readings = 200;
        const auto start = Clock::now();
        for (int i = 0; i < readings; ++i) rows_.read();
        return millis(start, Clock::now()) * 1000 / readings;
    }

    void run() {
        for (int i = 0; i < options_.tries; ++i) {
            const bool flicks = !options_.flicks.empty() && i % 2 == 0;
            if (flicks)
                tryFlick(options_.flicks[(i / 2) % options_.flicks.size()]);
            else
                tryEscape();
            moveTo(options_.x, options_.y);
            std::this_thread::sleep_for(std::chrono::duration<double>(options_.pause));
        }
    }

    void report() const {
        static const std::pair<const char*, const char*> measures[] = {
            {"pixels", "chord pressed -> first pixels changed"},
            {"map", "chord pressed -> a window mapped (MapNotify)"},
            {"gone", "Escape -> the pixels as before the press"},
            {"active", "released after a flick -> the window active"},
        };
        for (const auto& [key, label] : measures) {
            const auto found = samples_.find(key);
            const int failed = failures_.count(key) ? failures_.at(key) : 0;
            if (options_.raw) {
                if (found != samples_.end())
                    for (double value : found->second) std::printf("%s %.2f\n", key, value);
                for (int n = 0; n < failed; ++n) std::printf("%s failed\n", key);
                continue;
            }
            if (found == samples_.end() && !failed)
                continue;
            if (found == samples_.end()) {
                std::printf("%-46s never, %d tries\n", label, failed);
                continue;
            }
            const auto& values = found->second;
            std::printf("%-46s median %6.1f ms (min %.1f, max %.1f) over %zu", label,
                        median(values), *std::min_element(values.begin(), values.end()),
                        *std::max_element(values.begin(), values.end()), values.size());
            if (failed)
                std::printf(", %d more never came", failed);
            std::printf("\n");
        }
    }

    bool anyPixels() const { return samples_.count("pixels") > 0; }

private:
    void moveTo(int x, int y) {
        XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
        XSync(display_, False);
    }

    // The rows once they hold still (two readings 20 ms apart agree), so that whatever the last
    // try left settling is not taken for the next opening.
    Pixels steadyRows() {
        rows_.read();
        Pixels last = rows_.pixels();
        for (int i = 0; i < 50; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (rows_.read() && rows_.pixels() == last)
                break;
            last = rows_.pixels();
        }
        return last;
    }

    // Reads the rows every `--every` ms until they differ from `before` (or, with `differ` false,
    // match it again), for up to `seconds`: the end of the reading that saw it. Notes the first
    // window mapped meanwhile in `mapped`.
    std::optional<Clock::time_point> watch(const Pixels& before, bool differ, double seconds,
                                           std::optional<Clock::time_point>* mapped) {
        const auto interval = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double, std::milli>(options_.every));
        const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
        while (Clock::now() < deadline) {
            // Paced from each reading's start, and never in a burst to catch up after a slow one.
            const auto started = Clock::now();
            const bool read = rows_.read();
            const auto now = Clock::now();
            while (XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
                if (mapped && !*mapped && event.type == MapNotify)
                    *mapped = now;
            }
            if (read && (rows_.pixels() != before) == differ)
                return now;
            std::this_thread::sleep_until(started + interval);
        }
        return std::nullopt;
    }

    // Presses the chord and waits for the first pixels: whether they came.
    bool open(Pixels& before) {
        before = steadyRows();
        discardEvents(display_);
        const auto pressed = Clock::now();
        sendKeys(display_, chord_, true);
        std::optional<Clock::time_point> mapped;
        const auto shown = watch(before, true, 3.0, &mapped);
        if (!shown) {
            ++failures_["pixels"];
            return false;
        }
        samples_["pixels"].push_back(millis(pressed, *shown));
        if (mapped)
            samples_["map"].push_back(millis(pressed, *mapped));
        else
            ++failures_["map"];
        return true;
    }

    void tryEscape() {
        Pixels before;
        const bool shown = open(before);
        sendKeys(display_, chord_, false);  // a tap: the ring stays
        if (!shown)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(500));  // past opening animations
        const auto escaped = Clock::now();
        sendKeys(display_, escape_, true);
        sendKeys(display_, escape_, false);
        if (const auto gone = watch(before, false, 3.0, nullptr))
            samples_["gone"].push_back(millis(escaped, *gone));
        else
            ++failures_["gone"];
    }

    void tryFlick(const Flick& flick) {
        Pixels before;
        const bool shown = open(before);
        moveTo(options_.x + flick.dx, options_.y + flick.dy);
        std::this_thread::sleep_for(std::chrono::milliseconds(400));  // past the tap interval
        discardEvents(display_);
        const auto released = Clock::now();
        sendKeys(display_, chord_, false);
        if (!shown)
            return;
        bool active = false;
        const auto deadline = released + std::chrono::seconds(2);
        while (!active && Clock::now() < deadline) {
            while (!active && XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
                active = event.type == PropertyNotify && event.xproperty.atom == active_ &&
                         activeWindow(display_, active_) == flick.target;
            }
            if (!active)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        active = active || activeWindow(display_, active_) == flick.target;
        if (active)
            samples_["active"].push_back(millis(released, Clock::now()));
        else
            ++failures_["active"];
    }

    Display* display_;
    const Options& options_;
    ScreenRows rows_;
    Atom active_;
    std::vector<KeyCode> chord_;
    std::vector<KeyCode> escape_;
    std::string unknownKey_;
    std::map<std::string, std::vector<double>> samples_;
    std::map<std::string, int> failures_;
};

}  // namespace

int main(int argc, char** argv) {
    const auto options = parse(argc, argv);
    if (!options) {
        std::fprintf(stderr,
                     "usage: %s [--keys CHORD] [--at X,Y] [--tries N] [--pause S] [--every MS] "
                     "[--flick DX,DY,WINDOW]... [--raw]\n",
                     argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "latency_probe: no X display\n");
        return 2;
    }
    int result = 0;
    {
        Probe probe(display, *options);
        if (!probe.readsScreen()) {
            std::fprintf(stderr, "latency_probe: cannot read the screen\n");
            result = 2;
        } else if (!probe.unknownKey().empty()) {
            std::fprintf(stderr, "latency_probe: no key \"%s\" on this keyboard\n",
                         probe.unknownKey().c_str());
            result = 2;
        } else {
            // The resolution of the figures: a change is seen at most one interval and one
            // reading after it reached the screen.
            const double cost = probe.readingCost();
            if (options->raw)
                std::printf("reading %.0f\n", cost);
            else
                std::printf("one reading of %d rows of %d pixels: %.0f µs, every %.1f ms\n",
                            rowCount, rowWidth, cost, options->every);
            probe.run();
            probe.report();
            result = probe.anyPixels() ? 0 : 1;
        }
    }
    XCloseDisplay(display);
    return result;
}
