// Drawing one frame of the ring at scale 2 with 24 entries, in every look, without chips and with
// nine arc chips carrying thumbnails.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPainter>

#include "benchdesktop.h"
#include "paint/caches.h"
#include "paint/steppedarc.h"
#include "ring/ringlook.h"

using namespace tandri;

namespace {

constexpr double scale = 2;
constexpr int arcChips = 9;

// Every window has a picture of its own, as every window's thumbnail differs.
QImage windowPicture(int window) {
    QImage image(640, 400, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(230, 232, 236));
    QPainter painter(&image);
    painter.fillRect(QRect(0, 0, 640, 28), QColor(200, 202, 206));
    painter.fillRect(QRect(0, 28, 150 + 10 * window, 372), QColor(90, 140, 210));
    return image;
}

struct RenderBench : bench::Bench {
    RenderBench(RingStyle style, bool chips) {
        ring.openSticky();
        queues.drain();
        RingView& v = view();
        v.setProgress(1);
        v.setLook(makeLook(LookChoice{style, standardBackground(style), true}));
        v.setSelectedApp(0);
        if (!chips)
            return;
        v.windowLayout = WindowLayout::Arc;
        v.showsThumbnails = true;
        v.reduceMotion = true;
        std::vector<QImage> pictures;
        for (int i = 0; i < arcChips; ++i) pictures.push_back(windowPicture(i));
        v.thumbnail = [pictures](quint32 id) {
            return pictures[(id - firstWindow) % pictures.size()];
        };
        showChips();
    }
    static constexpr quint32 firstWindow = 500;
    void showChips() {
        std::vector<WindowChip> list;
        for (int i = 0; i < arcChips; ++i) {
            WindowInfo info;
            info.title = QStringLiteral("Document %1").arg(i);
            info.id = firstWindow + static_cast<quint32>(i);
            list.emplace_back(WindowChip::Window{info});
        }
        view().showChips(std::move(list), 0);
        view().setSelectedChip(0);
    }
    RingView& view() { return ring.panel().ringView(); }
    /// The pointer moves on: to the next entry, or to the next chip when chips are shown.
    void moveOn() {
        RingView& v = view();
        if (v.chips().empty()) {
            v.setSelectedApp((*v.selectedApp() + 1) % static_cast<int>(v.apps.size()));
        } else {
            v.setSelectedChip((*v.selectedChip() + 1) % static_cast<int>(v.chips().size()));
        }
    }
    std::vector<RingView::Layer> frame() { return view().updateLayers(scale); }
};

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
