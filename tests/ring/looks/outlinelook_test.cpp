// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <numbers>

#include "paint/paths.h"
#include "ring/looks/outlinelook.h"
#include "support/lookscene.h"

namespace tandri {
namespace {

const QColor accent(255, 45, 85);

// A ring of `count` entries in the middle of a 600 × 600 picture.
struct Ring : test::LookScene {
    explicit Ring(int count, bool dark = true)
        : LookScene(count, std::nullopt, dark, 600), look(dark, accent) {}
    double outer() const { return scene.layout.outerRadius(); }

    OutlineLook look;
};

TEST(OutlineLook, SolidDiscWithTheMarkerInTheAimedSectorOnly) {
    for (bool dark : {true, false}) {
        Ring ring(8, dark);
        ring.scene.selectedApp = 2;  // at the right (angle 0)
        ring.look.drawBody(ring.painter(), ring.scene);
        const double rim = ring.outer() - 0.5;
        EXPECT_EQ(ring.at(ring.center()), ring.look.bodyColor()) << dark;
        EXPECT_EQ(ring.at(ring.polar(2.0, ring.outer() - 8)), ring.look.bodyColor());
        EXPECT_EQ(ring.alpha(ring.polar(2.0, ring.outer() + 2)), 0);
        // The accent arc covers the aimed sector and ends at its edges.
        const double step = ring.scene.layout.step();
        EXPECT_EQ(ring.at(ring.polar(0, rim)), accent);
        EXPECT_EQ(ring.at(ring.polar(step / 2 - 0.04, rim)), accent);
        const QColor next = ring.at(ring.polar(step, rim));
        EXPECT_NE(next, accent);
        EXPECT_LT(std::abs(next.red() - next.blue()), 10);  // a grey line, not the accent
        // The icon circle is a faint line on the body.
        EXPECT_NE(ring.at(ring.polar(0.4, ring.scene.layout.radius)), ring.look.bodyColor());
    }

    // Moving the aim redraws only the marker; without an aim there is none.
    Ring first(8);
    first.scene.selectedApp = 0;
    first.look.drawBody(first.painter(), first.scene);
    const quint64 layers = first.caches.layerRenders();
    Ring second(8);
    second.scene.caches = first.scene.caches;  // one view's frames
    second.scene.selectedApp = 4;
    second.look.drawBody(second.painter(), second.scene);
    Ring none(8);
    none.scene.caches = first.scene.caches;
    none.look.drawBody(none.painter(), none.scene);
    EXPECT_EQ(first.caches.layerRenders(), layers);
    const double rim = first.outer() - 0.5;
    EXPECT_EQ(first.at(first.toward(0, rim)), accent);
    EXPECT_NE(second.at(second.toward(0, rim)), accent);
    EXPECT_EQ(second.at(second.toward(4, rim)), accent);
    for (int i = 0; i < 8; ++i) {
        const QColor grey = none.at(none.toward(i, rim));
        EXPECT_LT(std::abs(grey.red() - grey.blue()), 10) << i;
    }
}

TEST(OutlineLook, SelectedIconStandsOnAnAccentRimmedDisc) {
    Ring ring(24);
    ring.scene.selectedApp = 0;
    const double iconSize = ring.scene.layout.iconSize;
    const double side = iconSize * 1.05;
    const QPointF c = ring.scene.iconCenter(0);
    const QRectF rect(c.x() - side / 2, c.y() - side / 2, side, side);
    ring.look.drawIcon(ring.painter(), ring.apps[0], rect, true, ring.scene);
    // The disc reaches 0.64 × iconSize even though the icon grew by only 1.05.
    EXPECT_EQ(ring.at(c + QPointF(0.64 * iconSize, 0)), accent);
    EXPECT_EQ(ring.at(c + QPointF(0, -0.64 * iconSize)), accent);
    EXPECT_EQ(ring.at(c + QPointF(side / 2 + 1.5, 0)), ring.look.bodyColor());
    EXPECT_EQ(ring.at(c), QColor(40, 200, 40));
    EXPECT_EQ(ring.alpha(c + QPointF(0.64 * iconSize + 2, 0)), 0);

    Ring plain(24);
    plain.look.drawIcon(plain.painter(), plain.apps[0], rect, false, plain.scene);
    EXPECT_EQ(plain.alpha(c + QPointF(side / 2 + 1.5, 0)), 0);
}

TEST(OutlineLook, RunningDotsAndBadge) {
    for (bool dark : {true, false}) {
        Ring ring(8, dark);
        ring.look.drawRunning(ring.painter(), 0, true, ring.scene);
        ring.look.drawRunning(ring.painter(), 4, false, ring.scene);
        const double d = ring.scene.layout.radius - ring.scene.layout.iconSize / 2 - 6;
        const QColor front = ring.at(ring.center() + QPointF(0, d));
        const QColor back = ring.at(ring.center() - QPointF(0, d));
        EXPECT_EQ(front.alpha(), 255);
        EXPECT_EQ(front.red(), dark ? 255 : 0);
        EXPECT_NEAR(back.alpha(), 153, 4);
    }
    Ring badge(8);
    badge.look.drawBadge(badge.painter(), QStringLiteral("9+"), {100, 100}, badge.scene);
    EXPECT_EQ(badge.at(100, 107.5), accent);
}

TEST(OutlineLook, CentreLabelHasNoBackground) {
    Ring idle(8);
    idle.look.drawCenter(idle.painter(), idle.scene);
    EXPECT_NEAR(idle.alpha(idle.center()), 178, 3);

    Ring card(8);
    card.scene.selectedApp = 1;
    card.scene.windowTitle = QStringLiteral("Notes");
    card.look.drawCenter(card.painter(), card.scene);
    const QRectF ink = card.ink(10);
    ASSERT_FALSE(ink.isEmpty());
    // Only text: far narrower than the card of H × 1.7.
    EXPECT_LT(ink.width(), card.scene.layout.holeRadius() * 1.7 - 30);
    EXPECT_EQ(card.alpha(card.center() + QPointF(-40, 25)), 0);
}

TEST(OutlineLook, ArcTrackBandForItemsLineOtherwise) {
    Ring items(8);
    items.scene.arcRadius = 170;
    items.look.drawArcTrack(items.painter(), 0.2, 0.9, true, items.scene);
    const QPointF c = items.center();
    EXPECT_EQ(items.at(paint::at(c, 0.5, 170)), items.look.bodyColor());
    EXPECT_EQ(items.at(paint::at(c, 0.5, 170 + 20)), items.look.bodyColor());
    EXPECT_EQ(items.alpha(paint::at(c, 0.5, 170 + 30)), 0);

    Ring cards(8);
    cards.scene.arcRadius = 170;
    cards.look.drawArcTrack(cards.painter(), 0.2, 0.9, false, cards.scene);
    EXPECT_GT(cards.alpha(paint::at(c, 0.5, 170)), 60);
    EXPECT_EQ(cards.alpha(paint::at(c, 0.5, 173)), 0);
    // The line runs 0.1 beyond both ends.
    EXPECT_GT(cards.alpha(paint::at(c, 0.95, 170)), 60);
    EXPECT_GT(cards.alpha(paint::at(c, 0.15, 170)), 60);
    EXPECT_EQ(cards.alpha(paint::at(c, 1.05, 170)), 0);
}

TEST(OutlineLook, CardsAndSelectionWithoutAnyBlur) {
    Ring ring(8);
    ring.scene.selectedApp = 0;
    ring.scene.windowTitle = QStringLiteral("Window");
    ring.scene.arcRadius = 170;
    QPainter& p = ring.painter();
    ring.look.drawBody(p, ring.scene);
    ring.look.drawIcon(p, ring.apps[0], QRectF(180, 270, 40, 40), true, ring.scene);
    ring.look.drawCenter(p, ring.scene);
    ring.look.drawArcTrack(p, 0.2, 0.9, true, ring.scene);
    ring.look.drawArcSelection(p, QRectF(20, 20, 40, 40), ring.scene);
    const QRectF rect(250, 20, 96, 60);
    const QPainterPath clip = ring.look.drawCardFrame(p, rect, true, ring.scene);
    ring.look.drawCardBorder(p, clip, true, ring.scene);
    EXPECT_EQ(ring.caches.blurs(), 0u);

    EXPECT_EQ(clip.boundingRect(), rect);
    EXPECT_EQ(ring.at(298, 50), ring.look.bodyColor());
    EXPECT_EQ(ring.at(298, 20.2), accent);    // selected border
    EXPECT_EQ(ring.alpha({298, 17}), 0);      // no shadow
    EXPECT_EQ(ring.at(40, 40 + 24), accent);  // selection ring at width/2 + 4
    EXPECT_EQ(ring.alpha({40, 40}), 0);
}

}  // namespace
}  // namespace tandri
