// SPDX-License-Identifier: MIT
// The ring's hot paths on the simulated desktop: one frame of the selection rule, and one opening.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cmath>

#include "benchdesktop.h"

using namespace tandri;

namespace {

using bench::Bench;

// The selection rule with chips shown: the pointer moves between two of the aimed entry's chips.
void BM_SelectionStepOverChips(benchmark::State& state) {
    Bench b;
    b.ring.openSticky();
    b.queues.drain();
    const RingLayout layout = b.ring.panel().ringView().layout;
    const double a = layout.angle(0);
    b.desktop->setMouseLocation(b.center() +
                                (layout.radius + 4) * QPointF(std::cos(a), std::sin(a)));
    b.frame();
    const auto& chips = b.ring.panel().ringView().chips();
    if (chips.size() < 2)
        state.SkipWithError("no chips shown");
    const QPointF offset = b.ring.panel().frame().topLeft();
    const QPointF points[2] = {chips[0].frame.center() + offset, chips[1].frame.center() + offset};
    int i = 0;
    for (auto _ : state) {
        b.desktop->setMouseLocation(points[i ^= 1]);
        b.track();
    }
    if (!b.ring.selection() || !b.ring.selection()->chip)
        state.SkipWithError("no chip selected");
}
BENCHMARK(BM_SelectionStepOverChips);

// The selection rule on the ring itself: the pointer moves along an entry's icon, chips shown.
void BM_SelectionStepOnEntry(benchmark::State& state) {
    Bench b;
    b.ring.openSticky();
    b.queues.drain();
    const RingLayout layout = b.ring.panel().ringView().layout;
    const double a = layout.angle(5);
    const QPointF points[2] = {
        b.center() + (layout.radius) * QPointF(std::cos(a), std::sin(a)),
        b.center() + (layout.radius + 6) * QPointF(std::cos(a), std::sin(a))};
    int i = 0;
    for (auto _ : state) {
        b.desktop->setMouseLocation(points[i ^= 1]);
        b.track();
    }
    if (b.ring.expandedApp() != 5)
        state.SkipWithError("entry 5 not expanded");
}
BENCHMARK(BM_SelectionStepOnEntry);

// One opening of 24 entries: contents from the catalogue, fit, layout, panel and view set-up.
void BM_Open(benchmark::State& state) {
    Bench b;
    for (auto _ : state) {
        b.ring.triggerDown();
        state.PauseTiming();
        if (b.ring.apps().size() != 24)
            state.SkipWithError("expected 24 entries");
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
