// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <memory>

#include "ring/looks/auralook.h"
#include "ring/looks/glasslook.h"
#include "ring/looks/orbitlook.h"
#include "ring/looks/outlinelook.h"
#include "ring/looks/quiblook.h"
#include "support/lookscene.h"

namespace tandri {
namespace {

using test::LookScene;

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
// visited every entry, moving it again must be drawn from the caches alone, and look the same.
TEST(LookCaches, SteadyFramesNeitherBlurNorRebuild) {
    const std::vector<std::shared_ptr<const RingLook>> looks{
        std::make_shared<GlassLook>(true),
        std::make_shared<OutlineLook>(false),
        std::make_shared<QuibLook>(RingBackground::None),
        std::make_shared<AuraLook>(RingBackground::Veil),
        std::make_shared<OrbitLook>(true),
        std::make_shared<OrbitLook>(false)};
    for (const auto& look : looks) {
        LookScene s(24, std::nullopt, true, 700);
        for (auto& app : s.apps) app.stagedPID = 7;
        for (int i = 0; i < 24; ++i) {
            s.scene.selectedApp = i;
            drawFrame(s.painter(), *look, s.scene);
        }
        LookScene first(24, 5, true, 700);
        first.scene.caches = s.scene.caches;  // frames of one view
        drawFrame(first.painter(), *look, first.scene);
        const quint64 blurs = s.caches.blurs();
        const quint64 layers = s.caches.layerRenders();
        for (int i = 0; i < 24; ++i) {
            s.scene.selectedApp = (i * 5) % 24;
            drawFrame(s.painter(), *look, s.scene);
        }
        LookScene again(24, 5, true, 700);
        again.scene.caches = s.scene.caches;
        drawFrame(again.painter(), *look, again.scene);
        EXPECT_EQ(s.caches.blurs(), blurs);
        EXPECT_EQ(s.caches.layerRenders(), layers);
        EXPECT_EQ(first.image(), again.image());
    }
}

// The still parts are drawn where the ring is; the sun's glows, blurred once, move with it.
TEST(LookCaches, StillPartsFollowTheRingWhenItMoves) {
    const OrbitLook look(true);
    LookScene first;
    LookScene moved;
    moved.scene.center += QPointF(30, -20);
    moved.scene.caches = first.scene.caches;
    look.drawBody(first.painter(), first.scene);
    const quint64 blurs = first.caches.blurs();
    look.drawBody(moved.painter(), moved.scene);
    EXPECT_EQ(first.caches.blurs(), blurs);
    // The sun sits in the middle of the moved ring, not of the old one.
    EXPECT_GT(moved.alphaF(moved.scene.center), 0.99);
    EXPECT_EQ(moved.at(moved.scene.center), first.at(first.center()));
}

}  // namespace
}  // namespace tandri
