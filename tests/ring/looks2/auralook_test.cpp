#include <gtest/gtest.h>

#include <numbers>

#include "ring/draw.h"
#include "ring/looks/auralook.h"
#include "support/ringentries.h"
#include "support/viewpicture.h"

namespace tandri {
namespace {

using test::sceneOf;
using test::ViewPicture;

TEST(AuraLook, GlowWeightsFormABellAroundTheAimedEntry) {
    constexpr int n = AuraLook::glowSegments;
    ASSERT_EQ(n, 28);
    // The two middle segments, midpoints ±0.039 rad.
    EXPECT_NEAR(AuraLook::glowWeight(13), 0.994, 0.0005);
    EXPECT_NEAR(AuraLook::glowWeight(14), 0.994, 0.0005);
    // The outermost, midpoints ±1.061 rad.
    EXPECT_NEAR(AuraLook::glowWeight(0), 0.0101, 0.0005);
    EXPECT_NEAR(AuraLook::glowWeight(27), 0.0101, 0.0005);
    for (int k = 0; k < n; ++k)
        EXPECT_NEAR(AuraLook::glowWeight(k), AuraLook::glowWeight(n - 1 - k), 1e-12);
    for (int k = 0; k < n / 2 - 1; ++k)
        EXPECT_LT(AuraLook::glowWeight(k), AuraLook::glowWeight(k + 1));
    EXPECT_EQ(AuraLook::glowWeight(-1), 0);
    EXPECT_EQ(AuraLook::glowWeight(n), 0);
}

TEST(AuraLook, TrackFadesOverItsLastThreeTenthsOfARadian) {
    constexpr int n = AuraLook::trackSegments;
    // From 0 to 1.0 the track runs over −0.3 … 1.3, 0.05 rad per segment.
    EXPECT_EQ(AuraLook::trackFadeOf(0, 0, 1.0), 0);
    EXPECT_EQ(AuraLook::trackFadeOf(n - 1, 0, 1.0), 0);
    EXPECT_NEAR(AuraLook::trackFadeOf(1, 0, 1.0), 1.0 / 6, 1e-9);
    EXPECT_NEAR(AuraLook::trackFadeOf(5, 0, 1.0), 5.0 / 6, 1e-9);
    EXPECT_EQ(AuraLook::trackFadeOf(6, 0, 1.0), 1);
    EXPECT_EQ(AuraLook::trackFadeOf(n / 2, 0, 1.0), 1);
    for (int k = 0; k < n; ++k) {
        EXPECT_NEAR(AuraLook::trackFadeOf(k, 0, 1.0), AuraLook::trackFadeOf(n - 1 - k, 0, 1.0),
                    1e-9);
    }
    // A single chip: the whole track is fade, never above its middle.
    for (int k = 0; k < n; ++k) {
        EXPECT_GE(AuraLook::trackFadeOf(k, 0.5, 0.5), 0);
        EXPECT_LE(AuraLook::trackFadeOf(k, 0.5, 0.5), 1);
    }
    EXPECT_EQ(AuraLook::trackFadeOf(n, 0, 1.0), 0);
}

TEST(AuraLook, GoldGlowIsSymmetricAroundTheAimedEntry) {
    const auto apps = test::iconApps(8);
    ViewPicture canvas;
    const QPointF c = canvas.center();
    const RingScene scene = sceneOf(apps, c, 1);
    AuraLook(RingBackground::Veil).drawBody(canvas.painter(), scene);
    const double a = scene.layout.angle(1);
    // Just outside the strokes, where only the glows reach.
    const double halo = scene.layout.radius + 7;
    const double near1 = canvas.brightness(Draw::at(c, a + 0.5, halo));
    const double near2 = canvas.brightness(Draw::at(c, a - 0.5, halo));
    const double far1 = canvas.brightness(Draw::at(c, a + 1.0, halo));
    const double far2 = canvas.brightness(Draw::at(c, a - 1.0, halo));
    EXPECT_NEAR(near1, near2, 0.02);
    EXPECT_NEAR(far1, far2, 0.02);
    EXPECT_GT(near1, far1 + 0.05);
    const double opposite = canvas.brightness(Draw::at(c, a + std::numbers::pi, halo));
    EXPECT_GT(far1, opposite - 0.01);
    // The glow is gold: warmer than the pale ring on the far side.
    const QColor glow = canvas.at(Draw::at(c, a + 0.2, halo));
    EXPECT_GT(glow.redF() - glow.blueF(),
              canvas.at(Draw::at(c, a + std::numbers::pi, halo)).redF() -
                  canvas.at(Draw::at(c, a + std::numbers::pi, halo)).blueF() + 0.1);
}

TEST(AuraLook, GoldGradientLightsTheAimedIcon) {
    const auto apps = test::iconApps(8);
    ViewPicture canvas;
    const QPointF c = canvas.center();
    const RingScene scene = sceneOf(apps, c, 2);
    AuraLook(RingBackground::Veil).drawBody(canvas.painter(), scene);
    const double inner = scene.layout.radius - 14;  // inside the icon, off the ring's line
    const QColor aimed = canvas.at(Draw::at(c, scene.layout.angle(2), inner));
    EXPECT_GT(aimed.alphaF(), 0.45);
    EXPECT_GT(aimed.redF(), aimed.blueF() + 0.3);
    const double other = canvas.alphaF(Draw::at(c, scene.layout.angle(6), inner));
    EXPECT_LT(other, aimed.alphaF() - 0.25);
}

TEST(AuraLook, PaleRingAllRoundWithoutAnAimedEntry) {
    const auto apps = test::iconApps(8);
    ViewPicture canvas;
    const QPointF c = canvas.center();
    const RingScene scene = sceneOf(apps, c);
    AuraLook(RingBackground::Disc).drawBody(canvas.painter(), scene);
    const double r = scene.layout.radius;
    const double first = canvas.brightness(Draw::at(c, 0.3, r + 7));
    for (double a = 0.3; a < 6.2; a += 0.7) {
        EXPECT_NEAR(canvas.brightness(Draw::at(c, a, r + 7)), first, 0.02) << a;
        const QColor line = canvas.at(Draw::at(c, a, r));
        EXPECT_GT(line.alphaF(), 0.8);
        EXPECT_GT(line.blueF(), 0.6);  // pale, not gold
    }
}

// The pale ring and the gold glow are painted more cheaply than the recipe says (one gradient,
// one blur); seen from outside they must be the recipe's picture.
TEST(AuraLook, PaleRingLooksLikeItsStrokesAndGlow) {
    const auto apps = test::iconApps(8);
    ViewPicture canvas;
    ViewPicture recipe;
    const QPointF c = canvas.center();
    const RingScene scene = sceneOf(apps, c);
    const double r = scene.layout.radius;
    AuraLook(RingBackground::Veil).drawBody(canvas.painter(), scene);
    {
        QPainter& p = recipe.painter();
        const QPainterPath ring = Draw::circle(c, r);
        Draw::stroke(p, ring, Draw::white(0.0, 0.22), 7);
        Draw::glow(p, Draw::withAlpha(AuraLook::light(), 0.9), 12, {}, [&](QPainter& q) {
            Draw::stroke(q, ring, Draw::withAlpha(AuraLook::light(), 0.8), 2.2);
        });
    }
    for (double a = 0.1; a < 6.2; a += 0.5) {
        for (double d = -20; d <= 20; d += 0.5) {
            // Edge pixels depend on where antialiasing splits them.
            if (std::abs(std::abs(d) - 1.1) < 0.6 || std::abs(std::abs(d) - 3.5) < 0.6)
                continue;
            const QPointF p = Draw::at(c, a, r + d);
            EXPECT_NEAR(canvas.alphaF(p), recipe.alphaF(p), 0.03) << a << " " << d;
            EXPECT_NEAR(canvas.brightness(p), recipe.brightness(p), 0.03) << a << " " << d;
        }
    }
}

TEST(AuraLook, GoldGlowLooksLikeEachSegmentUnderItsOwnShadow) {
    const auto apps = test::iconApps(8);
    const AuraLook look(RingBackground::Veil);
    ViewPicture canvas;
    ViewPicture recipe;
    const QPointF c = canvas.center();
    const RingScene aimed = sceneOf(apps, c, 1);
    const double r = aimed.layout.radius;
    const double a = aimed.layout.angle(1);
    look.drawBody(canvas.painter(), aimed);
    {
        QPainter& p = recipe.painter();
        look.drawBody(p, sceneOf(apps, c));
        const QColor gold = AuraLook::gold();
        for (int k = 0; k < AuraLook::glowSegments; ++k) {
            const double t0 = -1.1 + 2.2 * k / 28;
            const double w = AuraLook::glowWeight(k);
            Draw::glow(p, Draw::withAlpha(gold, w), 18, {}, [&](QPainter& q) {
                Draw::stroke(q, Draw::arc(c, r, a + t0, a + t0 + 2.2 / 28 + 0.004),
                             Draw::withAlpha(gold, w), 2.2 + 3.5 * w);
            });
        }
        Draw::radial(p, {Draw::withAlpha(gold, 0.55), Draw::withAlpha(gold, 0)}, {0, 1},
                     Draw::at(c, a, r), 0, 1.05 * aimed.layout.iconSize);
    }
    // Off the line, where only the glows and the icon's gradient reach. Near the middle the
    // segments' own shadows, laid one over another, add up to a little less than the one shadow
    // of the whole band.
    for (double t = -1.3; t <= 1.3; t += 0.1) {
        for (const double d : {-16.0, -10.0, -6.0, 6.0, 10.0, 16.0}) {
            const QPointF p = Draw::at(c, a + t, r + d);
            EXPECT_NEAR(canvas.alphaF(p), recipe.alphaF(p), 0.04) << t << " " << d;
            EXPECT_NEAR(canvas.brightness(p), recipe.brightness(p), 0.04) << t << " " << d;
        }
    }
    // On the line, midway along a segment, the stroke's own alpha shows.
    for (int k = 0; k < AuraLook::glowSegments; k += 3) {
        const QPointF p = Draw::at(c, a - 1.1 + 2.2 * (k + 0.5) / 28, r);
        EXPECT_NEAR(canvas.alphaF(p), recipe.alphaF(p), 0.05) << k;
    }
}

TEST(AuraLook, CentreDotAlwaysAndTheNameBelowIt) {
    const auto apps = test::iconApps(8);
    const AuraLook look(RingBackground::Veil);
    ViewPicture idle;
    const QPointF c = idle.center();
    look.drawCenter(idle.painter(), sceneOf(apps, c));
    EXPECT_GT(idle.alphaF(c), 0.95);
    EXPECT_LT(idle.alphaF(c + QPointF(0, -26)), 0.05);

    ViewPicture named;
    look.drawCenter(named.painter(), sceneOf(apps, c, 0));
    EXPECT_GT(named.alphaF(c), 0.95);
    const QColor pill = named.at(c + QPointF(0, -26 + 11));
    EXPECT_GT(pill.alphaF(), 0.75);
    EXPECT_LT(pill.redF(), 0.2);

    // With a window title the two-line card sits on the centre.
    RingScene titled = sceneOf(apps, c, 0);
    titled.windowTitle = QStringLiteral("Report");
    ViewPicture card;
    look.drawCenter(card.painter(), titled);
    EXPECT_GT(card.alphaF(c + QPointF(0, 28)), 0.75);
    EXPECT_LT(named.alphaF(c + QPointF(0, 28)), 0.05);
}

TEST(AuraLook, ArcTrackFadesAtBothEnds) {
    const auto apps = test::iconApps(8);
    const AuraLook look(RingBackground::Veil);
    for (const bool items : {true, false}) {
        ViewPicture canvas;
        const QPointF c = canvas.center();
        const RingScene scene = sceneOf(apps, c, 0);
        look.drawArcTrack(canvas.painter(), 0.2, 1.0, items, scene);
        // The strongest pixel across the thin line at an angle.
        const auto line = [&](double a) {
            double peak = 0;
            for (double d = -1; d <= 1; d += 0.25)
                peak = std::max(peak, canvas.alphaF(Draw::at(c, a, scene.arcRadius + d)));
            return peak;
        };
        const double middle = line(0.6);
        EXPECT_GT(middle, 0.45);
        // Within the chips' own span the track is at full strength.
        EXPECT_NEAR(line(0.45), middle, 0.03);
        EXPECT_NEAR(line(0.75), middle, 0.03);
        EXPECT_LT(line(-0.07), middle / 2);
        EXPECT_LT(line(1.27), middle / 2);
        EXPECT_LT(line(-0.2), 0.02);
    }
}

TEST(AuraLook, ArcTrackLooksLikeEachSegmentUnderItsOwnShadow) {
    const auto apps = test::iconApps(8);
    const AuraLook look(RingBackground::Veil);
    ViewPicture canvas;
    ViewPicture recipe;
    const QPointF c = canvas.center();
    const RingScene scene = sceneOf(apps, c, 0);
    const double from = 0.3;
    const double to = 1.4;
    look.drawArcTrack(canvas.painter(), from, to, true, scene);
    const double start = from - 0.3;
    const double length = (to + 0.3 - start) / 32;
    {
        QPainter& p = recipe.painter();
        for (int k = 0; k < 32; ++k) {
            const double fade = AuraLook::trackFadeOf(k, from, to);
            const double a0 = start + length * k;
            Draw::glow(p, Draw::withAlpha(AuraLook::light(), 0.5 * fade), 8, {}, [&](QPainter& q) {
                Draw::stroke(q, Draw::arc(c, scene.arcRadius, a0, a0 + length + 0.003),
                             Draw::withAlpha(AuraLook::light(), 0.45 * fade), 1.6);
            });
        }
    }
    for (double t = start - 0.1; t <= to + 0.4; t += 0.05) {
        for (const double d : {-6.0, -3.0, 3.0, 6.0}) {
            const QPointF p = Draw::at(c, t, scene.arcRadius + d);
            EXPECT_NEAR(canvas.alphaF(p), recipe.alphaF(p), 0.03) << t << " " << d;
        }
    }
    for (int k = 0; k < 32; k += 2) {
        const QPointF p = Draw::at(c, start + length * (k + 0.5), scene.arcRadius);
        EXPECT_NEAR(canvas.alphaF(p), recipe.alphaF(p), 0.03) << k;
    }
}

TEST(AuraLook, BadgeAndIconShadow) {
    const auto apps = test::iconApps(8);
    const AuraLook look(RingBackground::Veil);
    ViewPicture canvas;
    const QPointF b = canvas.center();
    const RingScene scene = sceneOf(apps, b);
    look.drawBadge(canvas.painter(), QString(), b, scene);
    const QColor rim = canvas.at(b + QPointF(8.5, 0.2));
    EXPECT_GT(rim.alphaF(), 0.8);
    EXPECT_GT(rim.redF(), 0.8);
    const QColor inside = canvas.at(b + QPointF(0, -7));
    EXPECT_NEAR(inside.alphaF(), 0.9, 0.03);
    EXPECT_LT(inside.redF(), 0.15);

    // At the size the ring settles at (its shadow kept for later frames) and at a passing size
    // while it opens.
    for (const double side : {52 * 0.9, 60.0}) {
        for (const bool selected : {false, true}) {
            ViewPicture icon;
            const QRectF rect(170, 170, side, side);
            look.drawIcon(icon.painter(), apps[0], rect, selected, scene);
            EXPECT_EQ(icon.at(rect.center()), QColor(128, 128, 128));
            const QColor shadow = icon.at(QPointF(rect.right() + 2, rect.center().y()));
            EXPECT_GT(shadow.alphaF(), 0.05);
            EXPECT_LT(shadow.redF(), 0.1);
        }
    }
}

TEST(AuraLook, ArcSelectionIsAGoldHalo) {
    const auto apps = test::iconApps(8);
    ViewPicture canvas;
    const RingScene scene = sceneOf(apps, canvas.center());
    const QRectF item(180, 180, 40, 40);
    AuraLook(RingBackground::Veil).drawArcSelection(canvas.painter(), item, scene);
    const QColor middle = canvas.at(item.center());
    EXPECT_NEAR(middle.alphaF(), 0.6, 0.02);
    EXPECT_GT(middle.redF(), middle.blueF() + 0.4);
    EXPECT_NEAR(canvas.alphaF(item.center() + QPointF(20, 0)), 0.3, 0.03);
    EXPECT_LT(canvas.alphaF(item.center() + QPointF(40.5, 0)), 0.02);
}

}  // namespace
}  // namespace tandri
