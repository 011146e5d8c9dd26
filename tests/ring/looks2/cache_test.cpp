#include <gtest/gtest.h>

#include <memory>

#include "ring/draw.h"
#include "ring/looks/auralook.h"
#include "ring/looks/orbitlook.h"
#include "ring/looks/quiblook.h"
#include "support/ringentries.h"
#include "support/viewpicture.h"

namespace tandri {
namespace {

using test::sceneOf;
using test::ViewPicture;

// A whole frame of the ring, as the view draws it once it has opened.
void drawFrame(QPainter& painter, const RingLook& look, const RingScene& scene) {
    look.drawBody(painter, scene);
    const auto scale = look.iconScale();
    for (int i = 0; i < static_cast<int>(scene.apps.size()); ++i) {
        const bool selected = scene.selectedApp == i;
        const double side = (selected ? scale.selected : scale.normal) * scene.layout.iconSize;
        const QPointF at = scene.iconCenter(i);
        look.drawIcon(painter, scene.apps[i],
                      QRectF(at.x() - side / 2, at.y() - side / 2, side, side), selected, scene);
        look.drawRunning(painter, i, i == 0, scene);
    }
    look.drawCenter(painter, scene);
}

// Frames at 120 Hz cannot afford to blur or rebuild what has not changed: once the aim has
// visited every entry, moving it again must be drawn from the caches alone.
TEST(LookCaches, SteadyFramesNeitherBlurNorRebuild) {
    std::vector<std::shared_ptr<const RingLook>> looks{
        std::make_shared<QuibLook>(RingBackground::None),
        std::make_shared<AuraLook>(RingBackground::Veil), std::make_shared<OrbitLook>(true),
        std::make_shared<OrbitLook>(false)};
    auto apps = test::iconApps(24);
    for (auto& app : apps) app.stagedPID = 7;
    for (const auto& look : looks) {
        ViewPicture canvas(700, 700);
        RingScene scene = sceneOf(apps, canvas.center());
        for (int i = 0; i < 24; ++i) {
            scene.selectedApp = i;
            drawFrame(canvas.painter(), *look, scene);
        }
        const quint64 blurs = Draw::glowBlurCount();
        const quint64 layers = Draw::layerRenderCount();
        for (int i = 0; i < 24; ++i) {
            scene.selectedApp = (i * 5) % 24;
            drawFrame(canvas.painter(), *look, scene);
        }
        EXPECT_EQ(Draw::glowBlurCount(), blurs);
        EXPECT_EQ(Draw::layerRenderCount(), layers);
    }
}

// The still parts are drawn where the ring is; the sun's glows, blurred once, move with it.
TEST(LookCaches, StillPartsFollowTheRingWhenItMoves) {
    const auto apps = test::iconApps(8);
    const OrbitLook look(true);
    ViewPicture first;
    ViewPicture moved;
    const QPointF c = first.center();
    look.drawBody(first.painter(), sceneOf(apps, c));
    const quint64 blurs = Draw::glowBlurCount();
    look.drawBody(moved.painter(), sceneOf(apps, c + QPointF(30, -20)));
    EXPECT_EQ(Draw::glowBlurCount(), blurs);
    // The sun sits in the middle of the moved ring, not of the old one.
    EXPECT_GT(moved.alphaF(c + QPointF(30, -20)), 0.99);
    EXPECT_EQ(moved.at(c + QPointF(30, -20)), first.at(c));
}

}  // namespace
}  // namespace tandri
