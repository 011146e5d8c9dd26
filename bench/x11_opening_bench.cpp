// SPDX-License-Identifier: MIT
// What an opening asks the X server, with few and with many windows open: the running apps (the
// catalogue) and the window lists of the ring's apps, on a real X server with a window manager.
// Run it inside an X session of its own:
//   tests/x11/with-x-session build/bench/x11_opening_bench
// Each window is a process of its own, as terminals are. `--client TITLE` is the window's process;
// `--openings WINDOWS COUNT` opens WINDOWS windows, makes COUNT openings and ends, for counting
// requests from outside (under xtrace, the difference between two counts).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QProcess>
#include <QThread>
#include <memory>
#include <vector>

#include "catalogue/appsource.h"
#include "platform/x11/desktopentries.h"
#include "platform/x11/x11accessibility.h"
#include "platform/x11/x11connection.h"
#include "platform/x11/x11workspace.h"
#include "windows/windowsource.h"

#include <unistd.h>
#include "platform/x11/xlib.h"

#include <chrono>
#include <cstring>

using namespace tandri;
using namespace tandri::x11;

namespace {

// A terminal-like window: class XTerm, so that it is matched to an entry as a terminal is.
int client(const char* title) {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    const Window window =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 300, 200, 0, 0, 0xffffff);
    char instance[] = "xterm", wmClass[] = "XTerm";
    XClassHint hint{instance, wmClass};
    XSetClassHint(display, window, &hint);
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
    DesktopEntries entries;
    std::unique_ptr<X11Workspace> workspace;
    std::unique_ptr<X11Accessibility> accessibility;
    std::vector<std::unique_ptr<QProcess>> clients;

    Session() {
        if (!connection)
            return;
        workspace = std::make_unique<X11Workspace>(*connection, entries);
        accessibility = std::make_unique<X11Accessibility>(*connection);
    }
    ~Session() {
        for (auto& process : clients) {
            process->kill();
            process->waitForFinished(3000);
        }
    }

    std::size_t managed() {
        return connection->windows(connection->root(), "_NET_CLIENT_LIST").size();
    }

    // Starts or ends window processes until `count` are open and managed.
    bool windows(std::size_t count) {
        while (clients.size() > count) {
            clients.back()->kill();
            clients.back()->waitForFinished(3000);
            clients.pop_back();
        }
        while (clients.size() < count) {
            auto process = std::make_unique<QProcess>();
            process->start(
                QCoreApplication::applicationFilePath(),
                {QStringLiteral("--client"), QStringLiteral("Window %1").arg(clients.size() + 1)});
            clients.push_back(std::move(process));
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (managed() != count) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            QThread::msleep(20);
        }
        return true;
    }
};

Session* session = nullptr;

// One opening's questions: the running apps, then the window lists of the apps the ring shows.
std::size_t opening() {
    const auto apps = session->workspace->runningApps();
    std::vector<qint32> pids;
    for (const RunningApp& app : apps) {
        if (int(pids.size()) < AppSource::maxApps)
            pids.push_back(app.pid);
    }
    return apps.size() + WindowSource::windows(*session->accessibility, pids).size();
}

void BM_Opening(benchmark::State& state) {
    if (!session->connection) {
        state.SkipWithError("no X server");
        return;
    }
    if (!session->windows(std::size_t(state.range(0)))) {
        state.SkipWithError("the windows were not all managed in time");
        return;
    }
    std::size_t listed = 0;
    for (auto _ : state) {
        listed = opening();
        benchmark::DoNotOptimize(listed);
    }
    state.counters["apps"] = double(session->workspace->runningApps().size());
}
BENCHMARK(BM_Opening)->Arg(5)->Arg(100)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--client") == 0)
        return client(argv[2]);
    // No window of its own: the program's own widgets play no part here.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    Session running;
    session = &running;
    if (argc == 4 && std::strcmp(argv[1], "--openings") == 0) {
        if (!running.connection || !running.windows(std::size_t(std::atoi(argv[2]))))
            return 1;
        for (int i = std::atoi(argv[3]); i > 0; --i) opening();
        session = nullptr;
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    session = nullptr;
    benchmark::Shutdown();
    return 0;
}
