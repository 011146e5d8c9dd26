// The ring's hot paths on the simulated desktop: one frame of the selection rule, and one opening.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cmath>
#include <memory>

#include "platform/common/jsonpreferences.h"
#include "platform/common/localfiles.h"
#include "platform/common/notificationcenter.h"
#include "platform/platform.h"
#include "platform/preferences.h"
#include "platform/sim/manualqueues.h"
#include "platform/sim/simdesktop.h"
#include "platform/sim/virtualclock.h"
#include "ring/ringcontroller.h"

using namespace tandri;

namespace {

// 24 running apps with three windows each: a full ring with chips for every entry.
QByteArray fullDesktop() {
    QJsonArray apps;
    for (int i = 0; i < 24; ++i) {
        QJsonArray windows;
        for (int w = 0; w < 3; ++w) {
            windows.append(QJsonObject{{"title", QStringLiteral("Document %1").arg(w)},
                                       {"id", 100 + i * 3 + w}});
        }
        apps.append(QJsonObject{{"pid", 1000 + i},
                                {"name", QStringLiteral("App %1").arg(i)},
                                {"bundleID", QStringLiteral("com.example.app%1").arg(i)},
                                {"launched", double(i)},
                                {"windows", windows}});
    }
    return QJsonDocument(QJsonObject{{"apps", apps}, {"frontmost", 1000}}).toJson();
}

struct Bench {
    Bench()
        : preferences(dir.path(), notifications),
          desktop(sim::SimDesktop::fromJson(fullDesktop()).desktop),
          platform{preferences,         notifications,          clock,
                   queues,              files,                  desktop->workspace(),
                   desktop->accessibility(), desktop->windowList(), desktop->screens(),
                   desktop->overlays(), desktop->system()},
          ring(platform, caches) {
        preferences.setValue(Preferences::appDomain, QStringLiteral("showPlaces"), false);
    }
    QPointF center() {
        return ring.panel().ringView().ringCenter + ring.panel().frame().topLeft();
    }
    void frame() { clock.advance(RingController::frameInterval); }

    QTemporaryDir dir;
    NotificationCenter notifications;
    JsonPreferences preferences;
    sim::VirtualClock clock;
    sim::ManualQueues queues;
    LocalFiles files;
    std::unique_ptr<sim::SimDesktop> desktop;
    Platform platform;
    RingCaches caches;
    RingController ring;
};

// A steady frame with chips shown: the pointer moves between two of the aimed entry's chips.
void BM_SelectionStepOverChips(benchmark::State& state) {
    Bench b;
    b.ring.openSticky();
    b.queues.drain();
    const RingLayout layout = b.ring.panel().ringView().layout;
    const double a = layout.angle(0);
    b.desktop->setMouseLocation(b.center() + (layout.radius + 4) * QPointF(std::cos(a), std::sin(a)));
    b.frame();
    const auto& chips = b.ring.panel().ringView().chips();
    if (chips.size() < 2) state.SkipWithError("no chips shown");
    const QPointF offset = b.ring.panel().frame().topLeft();
    const QPointF points[2] = {chips[0].frame.center() + offset, chips[1].frame.center() + offset};
    int i = 0;
    for (auto _ : state) {
        b.desktop->setMouseLocation(points[i ^= 1]);
        b.frame();
    }
    if (!b.ring.selection() || !b.ring.selection()->chip) state.SkipWithError("no chip selected");
}
BENCHMARK(BM_SelectionStepOverChips);

// A steady frame on the ring itself: the pointer moves along an entry's icon, chips shown.
void BM_SelectionStepOnEntry(benchmark::State& state) {
    Bench b;
    b.ring.openSticky();
    b.queues.drain();
    const RingLayout layout = b.ring.panel().ringView().layout;
    const double a = layout.angle(5);
    const QPointF points[2] = {b.center() + (layout.radius) * QPointF(std::cos(a), std::sin(a)),
                               b.center() + (layout.radius + 6) * QPointF(std::cos(a), std::sin(a))};
    int i = 0;
    for (auto _ : state) {
        b.desktop->setMouseLocation(points[i ^= 1]);
        b.frame();
    }
    if (b.ring.expandedApp() != 5) state.SkipWithError("entry 5 not expanded");
}
BENCHMARK(BM_SelectionStepOnEntry);

// One opening of 24 entries: contents from the catalogue, fit, layout, panel and view set-up.
void BM_Open(benchmark::State& state) {
    Bench b;
    for (auto _ : state) {
        b.ring.triggerDown();
        state.PauseTiming();
        if (b.ring.apps().size() != 24) state.SkipWithError("expected 24 entries");
        b.ring.panel().ringView().keyDown({53, 0});
        b.queues.drain();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Open)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
