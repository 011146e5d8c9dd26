// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "paint/paths.h"
#include "ring/looks/glasslook.h"
#include "support/lookscene.h"

namespace tandri {
namespace {

constexpr double pi = std::numbers::pi;
const QColor accent(10, 132, 255);

// A ring of `count` entries in the middle of a 600 × 600 picture.
struct Ring : test::LookScene {
    explicit Ring(int count, bool dark = true)
        : LookScene(count, std::nullopt, dark, 600), look(dark, accent) {}
    double outer() const { return scene.layout.outerRadius(); }
    double hole() const { return scene.layout.holeRadius(); }
    QRectF iconRect(int i, double scale) const {
        const double side = scale * scene.layout.iconSize;
        const QPointF c = scene.iconCenter(i);
        return {c.x() - side / 2, c.y() - side / 2, side, side};
    }

    GlassLook look;
};

TEST(GlassLook, BodyIsTranslucentBetweenHoleAndRim) {
    for (bool dark : {true, false}) {
        Ring ring(8, dark);
        ring.look.drawBody(ring.painter(), ring.scene);
        const QPointF c = ring.scene.center;
        const double band = (ring.outer() + ring.hole()) / 2;
        const QColor inBand = ring.at(ring.polar(0.3, band));
        EXPECT_NEAR(inBand.alpha(), dark ? 26 : 107, 3) << dark;
        EXPECT_EQ(inBand.red(), 255);
        EXPECT_EQ(ring.alpha(ring.polar(0.3, ring.hole() - 3)), 0);
        EXPECT_EQ(ring.alpha(c), 0);
        EXPECT_EQ(ring.alpha(ring.polar(0.3, ring.outer() + 3)), 0);
        // The rim is lit from above: brighter at the top than at the bottom.
        const double rim = ring.outer() - 0.5;
        EXPECT_GT(ring.alpha({c.x(), c.y() + rim}), ring.alpha({c.x(), c.y() - rim}) + 40);
        // ...while the hole's edge is lit below only.
        EXPECT_GT(ring.alpha({c.x(), c.y() - ring.hole() - 0.5}),
                  ring.alpha({c.x(), c.y() + ring.hole() + 0.5}) + 40);
    }
}

TEST(GlassLook, IconsAreDrawnUnderASmallShadowAndTheAimedOneInALensOfTheLayoutsSize) {
    Ring ring(24);
    ASSERT_EQ(ring.scene.layout.iconSize, 40);
    EXPECT_NEAR(GlassLook::lensRadius(40), 31.2, 1e-9);
    ring.scene.selectedApp = 0;
    RingApp blank = ring.apps[0];
    blank.icon = QImage();                      // only the lens shows
    const QRectF rect = ring.iconRect(0, 1.5);  // a rect larger than the lens's own scale
    ring.look.drawIcon(ring.painter(), blank, rect, true, ring.scene);
    const QPointF c = rect.center();
    const QColor inside = ring.at(c + QPointF(-20, -8));
    EXPECT_GT(inside.blue(), inside.red() + 40);  // accent-tinted
    EXPECT_GT(inside.alpha(), 80);
    // Inside the edge versus just past it (only the soft glow remains there).
    const int in = ring.alpha(c + QPointF(-29.7, 0));
    const int out = ring.alpha(c + QPointF(-33, 0));
    EXPECT_GT(in, out + 40);
    EXPECT_GT(out, 0);
    EXPECT_GT(ring.at(c + QPointF(-34, 0)).blue(), ring.at(c + QPointF(-34, 0)).red());
    EXPECT_EQ(ring.alpha(c + QPointF(-80, 0)), 0);
    // The glint at the upper left.
    const QColor glint = ring.at(paint::at(c, 135 * pi / 180, 31.2 - 1.5));
    EXPECT_GT(glint.alpha(), 200);
    EXPECT_GT(glint.red(), 200);
    // An icon not aimed at lies under a small shadow, offset 1 downward.
    Ring plain(8);
    const QRectF small = plain.iconRect(2, 0.9);
    plain.look.drawIcon(plain.painter(), plain.apps[2], small, false, plain.scene);
    EXPECT_EQ(plain.at(small.center()), QColor(40, 200, 40));
    const QPointF below(small.center().x(), small.y() - 1.5);
    const QPointF above(small.center().x(), small.y() + small.height() + 1.5);
    EXPECT_GT(plain.alpha(below), plain.alpha(above));
    EXPECT_EQ(plain.at(below).red(), 0);
}

TEST(GlassLook, RunningDotSitsJustInsideTheIconBand) {
    for (bool dark : {true, false}) {
        Ring ring(8, dark);
        ring.look.drawRunning(ring.painter(), 2, true, ring.scene);
        ring.look.drawRunning(ring.painter(), 6, false, ring.scene);
        const double d = ring.scene.layout.radius - ring.scene.layout.iconSize / 2 - 6;
        const QColor front = ring.at(ring.toward(2, d));
        const QColor back = ring.at(ring.toward(6, d));
        EXPECT_EQ(front.alpha(), 255);
        EXPECT_NEAR(back.alpha(), 153, 4);
        EXPECT_EQ(front.red(), dark ? 255 : 38);
        // Radius 2.4 when front, 1.7 otherwise.
        const QPointF edge = ring.toward(2, d + 2.1);
        const QPointF backEdge = ring.toward(6, d + 2.1);
        EXPECT_GT(ring.alpha(edge), 100);
        EXPECT_EQ(ring.alpha(backEdge), 0);
        EXPECT_EQ(ring.alpha(ring.toward(2, d + 8)), 0);
    }
}

TEST(GlassLook, BadgeIsAnAccentDiscWithWhiteText) {
    Ring ring(8);
    const QPointF point(100, 100);
    ring.look.drawBadge(ring.painter(), QStringLiteral("3"), point, ring.scene);
    EXPECT_EQ(ring.at(point + QPointF(0, 7.5)), accent);  // the disc above the text
    EXPECT_EQ(ring.at(point + QPointF(-7.5, 0)), accent);
    EXPECT_EQ(ring.alpha(point + QPointF(0, 9.5)), 0);  // diameter 17
    const QRectF ink = ring.ink();
    EXPECT_NEAR(ink.width(), 17, 1);
    // White digit strokes inside.
    bool white = false;
    for (double x = -4; x <= 4; x += 0.5) {
        for (double y = -5; y <= 5; y += 0.5) white |= ring.at(point + QPointF(x, y)).red() > 200;
    }
    EXPECT_TRUE(white);
}

TEST(GlassLook, MoreEntryIsAnOvalWithTheCount) {
    Ring ring(8);
    const QRectF rect(100, 100, 50, 50);
    ring.look.drawMore(ring.painter(), 7, rect, ring.scene);
    EXPECT_NEAR(ring.alpha({125, 106}), 41, 4);  // fill inside the oval (inset 4)
    EXPECT_EQ(ring.alpha({125, 102.5}), 0);
    EXPECT_EQ(ring.alpha({101, 101}), 0);
    const QRectF ink = ring.ink(150);
    EXPECT_NEAR(ink.center().x(), 125, 3);
    EXPECT_NEAR(ink.center().y(), 125, 3);
    EXPECT_LT(ink.width(), 40);
}

TEST(GlassLook, CentreShowsADotThenAPillThenACard) {
    Ring idle(8);
    idle.look.drawCenter(idle.painter(), idle.scene);
    EXPECT_NEAR(idle.alpha(idle.scene.center), 204, 3);
    EXPECT_EQ(idle.alpha(idle.scene.center + QPointF(4, 0)), 0);

    Ring aimed(8);
    aimed.scene.selectedApp = 3;
    aimed.look.drawCenter(aimed.painter(), aimed.scene);
    const QPointF c = aimed.scene.center;
    EXPECT_NEAR(aimed.alpha(c + QPointF(0, 11)), 184, 25);  // pill, above the text
    EXPECT_LT(aimed.alpha(c + QPointF(0, 18)), 60);         // 26 tall
    const QRectF name = aimed.ink(220);                     // the bright text only
    EXPECT_NEAR(name.center().x(), c.x(), 2);
    EXPECT_NEAR(name.center().y(), c.y(), 3);

    Ring card(8);
    card.scene.selectedApp = 3;
    card.scene.windowTitle = QStringLiteral("Inbox");
    card.look.drawCenter(card.painter(), card.scene);
    const double half = card.hole() * 1.85 / 2;
    EXPECT_GT(card.alpha(c + QPointF(half - 14, 25)), 150);
    EXPECT_GT(card.alpha(c + QPointF(-half + 14, -25)), 150);
    EXPECT_LT(card.alpha(c + QPointF(half + 4, 0)), 60);
    EXPECT_LT(card.alpha(c + QPointF(0, 34)), 60);
}

TEST(GlassLook, ArcTrackOnlyForSmallItems) {
    Ring cards(8);
    cards.scene.arcRadius = 170;
    cards.look.drawArcTrack(cards.painter(), 0.2, 0.9, false, cards.scene);
    EXPECT_TRUE(cards.blank());

    Ring items(8);
    items.scene.arcRadius = 170;
    items.look.drawArcTrack(items.painter(), 0.2, 0.9, true, items.scene);
    EXPECT_NEAR(items.alpha(items.polar(0.5, 170)), 153, 4);
    EXPECT_GT(items.alpha(items.polar(0.5, 170 + 25)), 100);
    EXPECT_EQ(items.alpha(items.polar(0.5, 170 + 31)), 0);
    EXPECT_EQ(items.alpha(items.polar(0.5, 170 - 31)), 0);
    // Round ends reach past the angles, but not far.
    EXPECT_GT(items.alpha(items.polar(0.9 + 20.0 / 170, 170)), 100);
    EXPECT_EQ(items.alpha(items.polar(0.9 + 32.0 / 170, 170)), 0);
}

TEST(GlassLook, ArcSelectionAndCards) {
    Ring ring(8);
    const QRectF item(80, 80, 40, 40);
    ring.look.drawArcSelection(ring.painter(), item, ring.scene);
    const QColor inside = ring.at(100, 100);
    EXPECT_GT(inside.blue(), inside.red() + 40);
    EXPECT_GT(ring.alpha({100, 100 + 26.25}), 180);  // the white rim at radius 26
    EXPECT_GT(ring.at(100, 100 + 26.25).red(), 200);

    Ring cards(8);
    const QRectF rect(100, 150, 96, 60);
    const QPainterPath clip = cards.look.drawCardFrame(cards.painter(), rect, true, cards.scene);
    EXPECT_EQ(clip.boundingRect(), rect);
    EXPECT_FALSE(clip.contains(QPointF(101, 151)));  // radius 9
    EXPECT_TRUE(clip.contains(QPointF(104, 154)));
    EXPECT_GT(cards.alpha({148, 147}), 150);  // the frame, 5 beyond the rect
    const QColor halo = cards.at(148, 138);   // the accent glow of a selected card
    EXPECT_GT(halo.alpha(), 10);
    EXPECT_GT(halo.blue(), halo.red());

    Ring bordered(8);
    bordered.look.drawCardBorder(bordered.painter(), clip, true, bordered.scene);
    EXPECT_GT(bordered.alpha({148, 150.3}), 200);
    EXPECT_EQ(bordered.alpha({148, 152}), 0);
}

}  // namespace
}  // namespace tandri
