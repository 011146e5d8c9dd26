// SPDX-License-Identifier: MIT
// Drawing one frame of the ring at scale 2 with 24 entries, in every look, without chips and with
// nine arc chips carrying thumbnails.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPainter>

#include "paint/caches.h"
#include "paint/steppedarc.h"
#include "renderbench.h"

using namespace tandri;

namespace {

using bench::RenderBench;
using bench::scale;

// Every cache of the drawing primitives empty (shadows, layers, scaled pictures); the view keeps
// what it composed itself (cards, badges) and its frame bitmaps.
void firstFrame(benchmark::State& state, RingStyle style, bool chips) {
    RenderBench b(style, chips);
    b.frame();  // fonts load once per process, not once per ring
    for (auto _ : state) {
        b.view().caches().clear();
        b.view().invalidateAll();
        benchmark::DoNotOptimize(b.frame());
    }
}

// As a first frame, but with the pictures the view keeps between frames (composed cards, badges,
// its frame bitmaps) forgotten too: the very first frame of the process.
void coldFrame(benchmark::State& state, RingStyle style, bool chips) {
    RenderBench b(style, chips);
    b.frame();
    for (auto _ : state) {
        b.view().caches().clear();
        b.view().forgetPictures();
        b.view().invalidateAll();
        benchmark::DoNotOptimize(b.frame());
    }
}

// The frame in which the aimed entry's cards first appear, in the process's first opening: the
// ring was drawn without them just before (its own shadows and shapes are cached), but the cards,
// their shadows, the arc along them and a frame bitmap of the new size are all new. A ring never
// opens with cards: they come with the first aim.
void cardsFrame(benchmark::State& state, RingStyle style) {
    RenderBench b(style, true);
    b.frame();
    for (auto _ : state) {
        state.PauseTiming();
        b.view().caches().clear();
        b.view().forgetPictures();
        b.view().hideChips();
        b.view().invalidateAll();
        b.frame();
        b.showChips();
        b.view().invalidateAll();
        state.ResumeTiming();
        benchmark::DoNotOptimize(b.frame());
    }
}

void steadyFrame(benchmark::State& state, RingStyle style, bool chips) {
    RenderBench b(style, chips);
    for (int i = 0; i < 30; ++i) {  // every entry and chip drawn once: caches are warm
        b.moveOn();
        b.frame();
    }
    for (auto _ : state) {
        b.moveOn();
        benchmark::DoNotOptimize(b.frame());
    }
}

// The arc a look draws along its window cards, computed afresh (nothing kept from before) into a
// cleared frame at scale 2: the costliest single shape of a first frame with cards.
void steppedArcShape(benchmark::State& state) {
    QImage frame(1520, 1444, QImage::Format_ARGB32_Premultiplied);
    frame.setDevicePixelRatio(scale);
    const std::vector<double> alphas(40, 0.45);
    const std::vector<double> glows(40, 0.1);
    paint::Caches caches;
    for (auto _ : state) {
        state.PauseTiming();
        frame.fill(Qt::transparent);
        caches.clear();
        state.ResumeTiming();
        QPainter painter(&frame);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(0, 722);
        painter.scale(1, -1);
        paint::steppedArc(painter, caches, QPointF(380, 280), 320, 1.6, Qt::white, -0.4, 3.54,
                          alphas, glows, 8);
    }
}

void registerAll() {
    benchmark::RegisterBenchmark("Shape/steppedArc", steppedArcShape)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    for (RingStyle style : allRingStyles) {
        for (bool chips : {false, true}) {
            const std::string name = rawValue(style).toStdString() + (chips ? "/arc9" : "/plain");
            benchmark::RegisterBenchmark(("FirstFrame/" + name).c_str(), firstFrame, style, chips)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
            benchmark::RegisterBenchmark(("SteadyFrame/" + name).c_str(), steadyFrame, style, chips)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
            benchmark::RegisterBenchmark(("ColdFrame/" + name).c_str(), coldFrame, style, chips)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
            if (chips) {
                benchmark::RegisterBenchmark(("CardsFrame/" + name).c_str(), cardsFrame, style)
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime();
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
