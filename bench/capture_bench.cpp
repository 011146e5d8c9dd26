// SPDX-License-Identifier: MIT
// A ring frame drawn while the pictures of nine windows are being taken, against one drawn with
// nothing else going on, on a real X server with a window manager. Run it inside an X session:
//   tests/x11/with-x-session build/bench/capture_bench
// Each iteration is one frame as the program makes it: the results that came back are taken in
// (a picture stored, the next capture started), the pointer moves on to the next window's card,
// and the ring is drawn at scale 2 with the nine cards, whose pictures are those of the cache.
// The counters give the median, the 99th percentile and the slowest frame in milliseconds, and
// how many frames missed the 120 Hz budget of 8.3 ms. PassStart times what the main thread asks
// the server when a pass starts. `--client TITLE` is a window's process.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/common/threadqueues.h"
#include "platform/x11/x11connection.h"
#include "platform/x11/x11screencapture.h"
#include "renderbench.h"
#include "windows/thumbnailcache.h"

#include <unistd.h>
#include "platform/x11/xlib.h"

using namespace tandri;
using namespace tandri::x11;

namespace {

constexpr int windowCount = 9;
constexpr double budgetMs = 1000.0 / 120;

// A window of 1200 × 760 in a colour of its own, as large as most windows people work in.
int client(const char* title) {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    const unsigned long colour = 0x204060ul + 0x1b2f13ul * (std::strlen(title) + getpid() % 7);
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1200, 760,
                                              0, 0, colour & 0xffffff);
    XStoreName(display, window, title);
    const long pid = getpid();
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
    XMapWindow(display, window);
    XFlush(display);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);  // ends the process when the server drops the connection
    }
}

struct Session {
    std::unique_ptr<X11Connection> connection = X11Connection::open();
    std::unique_ptr<X11ScreenCapture> capture;
    std::vector<std::unique_ptr<QProcess>> clients;
    std::vector<quint32> windows;

    // Starts the windows and waits until the capture can see them all; false after a minute.
    bool start() {
        if (!connection)
            return false;
        capture = std::make_unique<X11ScreenCapture>(*connection);
        for (int i = 0; i < windowCount; ++i) {
            auto process = std::make_unique<QProcess>();
            process->start(QCoreApplication::applicationFilePath(),
                           {QStringLiteral("--client"), QStringLiteral("Window %1").arg(i + 1)});
            clients.push_back(std::move(process));
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline) {
            windows.clear();
            for (const auto& window :
                 capture->shareableWindows().value_or(std::vector<ShareableWindow>{}))
                windows.push_back(window.id);
            if (windows.size() == std::size_t(windowCount))
                return true;
            QThread::msleep(20);
        }
        return false;
    }
    ~Session() {
        for (auto& process : clients) {
            process->kill();
            process->waitForFinished(3000);
        }
    }
};

Session* session = nullptr;

enum class Captures { Nothing, InTheBackground, OnTheMainThread };

// The ring of the simulated desktop, with the real desktop's capture and thread pools behind
// its thumbnail cache.
struct CaptureBench : bench::RenderBench {
    CaptureBench()
        : RenderBench(RingStyle::Glass, true),
          real{preferences,
               notifications,
               clock,
               threads,
               files,
               platform.workspace,
               platform.accessibility,
               platform.windowList,
               platform.screens,
               platform.overlays,
               platform.system,
               *session->capture,
               platform.keyboard,
               platform.pointerButtons,
               quitRequests,
               platform.statusItems,
               platform.contextMenus,
               platform.loginItems,
               platform.vocabulary},
          cache(real) {
        view().thumbnail = [this](quint32 id) {
            return cache.image(id);
        };
        showChips(session->windows);
    }
    ThreadQueues threads;
    Platform real;
    ThumbnailCache cache;
};

void frames(benchmark::State& state, Captures captures) {
    if (!session) {
        state.SkipWithError("no X server, or the windows did not appear in time");
        return;
    }
    CaptureBench b;
    const std::vector<quint32>& ids = session->windows;
    // Every picture taken once and every card drawn once, so that all runs draw the same.
    b.cache.captureNow(ids);
    for (int i = 0; i < windowCount; ++i) {
        b.moveOn();
        b.frame();
    }
    std::vector<double> times;
    std::size_t next = 0;
    int passes = 0;
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        if (captures == Captures::InTheBackground && !b.cache.working()) {
            // A new pass over all nine as soon as the last one ended.
            b.clock.advance(ThumbnailCache::refreshInterval + 0.1);
            b.cache.request(ids, false);
            ++passes;
        } else if (captures == Captures::OnTheMainThread) {
            // As the cache took pictures before: one window per frame, on this thread.
            const QImage picture =
                session->capture->capture(ids[next++ % ids.size()], QSize(640, 405));
            benchmark::DoNotOptimize(picture.constBits());
        }
        QCoreApplication::processEvents();
        b.moveOn();
        benchmark::DoNotOptimize(b.frame());
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
                .count());
    }
    std::sort(times.begin(), times.end());
    const auto at = [&](double share) {
        return times[std::min(times.size() - 1, std::size_t(share * double(times.size())))];
    };
    state.counters["median_ms"] = at(0.5);
    state.counters["p99_ms"] = at(0.99);
    state.counters["max_ms"] = times.back();
    state.counters["over_budget"] =
        double(std::count_if(times.begin(), times.end(), [](double t) { return t > budgetMs; }));
    if (captures == Captures::InTheBackground)
        state.counters["passes"] = passes;
}

// What the main thread asks the server when a pass starts: the windows that can be captured.
void listing(benchmark::State& state) {
    if (!session) {
        state.SkipWithError("no X server, or the windows did not appear in time");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(session->capture->shareableWindows());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--client") == 0)
        return client(argv[2]);
    // The ring is drawn into pictures: the program's own windows play no part here.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    Session running;
    if (running.start())
        session = &running;
    benchmark::RegisterBenchmark("RingFrame/alone", frames, Captures::Nothing)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(600);
    benchmark::RegisterBenchmark("RingFrame/capturingNineInTheBackground", frames,
                                 Captures::InTheBackground)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(600);
    benchmark::RegisterBenchmark("RingFrame/capturingOnTheMainThread", frames,
                                 Captures::OnTheMainThread)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(600);
    benchmark::RegisterBenchmark("PassStart/shareableWindows", listing)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    session = nullptr;
    return 0;
}
