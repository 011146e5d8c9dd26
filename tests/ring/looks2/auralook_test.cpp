// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <numbers>

#include "paint/colors.h"
#include "paint/paths.h"
#include "paint/radialfill.h"
#include "paint/shadows.h"
#include "ring/looks/auralook.h"
#include "support/lookscene.h"

namespace tandri {
namespace {

using test::LookScene;
constexpr double pi = std::numbers::pi;
const AuraLook look(RingBackground::Veil);

TEST(AuraLook, GlowWeightsFormABellAndTheTrackFadesOverItsLastThreeTenthsOfARadian) {
    constexpr int n = AuraLook::glowSegments;
    ASSERT_EQ(n, 28);
    // The two middle segments, midpoints ±0.039 rad; the outermost, midpoints ±1.061 rad.
    EXPECT_NEAR(AuraLook::glowWeight(13), 0.994, 0.0005);
    EXPECT_NEAR(AuraLook::glowWeight(0), 0.0101, 0.0005);
    for (int k = 0; k < n; ++k)
        EXPECT_NEAR(AuraLook::glowWeight(k), AuraLook::glowWeight(n - 1 - k), 1e-12) << k;
    for (int k = 0; k < n / 2 - 1; ++k)
        EXPECT_LT(AuraLook::glowWeight(k), AuraLook::glowWeight(k + 1)) << k;
    EXPECT_EQ(AuraLook::glowWeight(-1), 0);
    EXPECT_EQ(AuraLook::glowWeight(n), 0);

    constexpr int m = AuraLook::trackSegments;
    // From 0 to 1.0 the track runs over −0.3 … 1.3, 0.05 rad per segment.
    const auto fade = [](int k) {
        return AuraLook::trackFadeOf(k, 0, 1.0);
    };
    EXPECT_EQ(fade(0), 0);
    EXPECT_NEAR(fade(1), 1.0 / 6, 1e-9);
    EXPECT_NEAR(fade(5), 5.0 / 6, 1e-9);
    EXPECT_EQ(fade(6), 1);
    EXPECT_EQ(fade(m / 2), 1);
    EXPECT_EQ(fade(m), 0);
    for (int k = 0; k < m; ++k) {
        EXPECT_NEAR(fade(k), fade(m - 1 - k), 1e-9) << k;
        // A single chip: the whole track is fade, never above its middle.
        EXPECT_GE(AuraLook::trackFadeOf(k, 0.5, 0.5), 0) << k;
        EXPECT_LE(AuraLook::trackFadeOf(k, 0.5, 0.5), 1) << k;
    }
}

TEST(AuraLook, GoldGlowAndGradientLightTheAimedEntry) {
    LookScene s(8, 1);
    look.drawBody(s.painter(), s.scene);
    const double a = s.scene.layout.angle(1);
    // Just outside the strokes, where only the glows reach: symmetric about the aimed entry.
    const double halo = s.scene.layout.radius + 7;
    const double near = s.brightness(s.polar(a + 0.5, halo));
    const double far = s.brightness(s.polar(a + 1.0, halo));
    EXPECT_NEAR(near, s.brightness(s.polar(a - 0.5, halo)), 0.02);
    EXPECT_NEAR(far, s.brightness(s.polar(a - 1.0, halo)), 0.02);
    EXPECT_GT(near, far + 0.05);
    EXPECT_GT(far, s.brightness(s.polar(a + pi, halo)) - 0.01);
    // The glow is gold: warmer than the pale ring on the far side.
    const QColor glow = s.at(s.polar(a + 0.2, halo));
    const QColor pale = s.at(s.polar(a + pi, halo));
    EXPECT_GT(glow.redF() - glow.blueF(), pale.redF() - pale.blueF() + 0.1);
    // Inside the aimed icon, off the ring's line, the gold gradient; far less at the others.
    const double inner = s.scene.layout.radius - 14;
    const QColor aimed = s.at(s.toward(1, inner));
    EXPECT_GT(aimed.alphaF(), 0.45);
    EXPECT_GT(aimed.redF(), aimed.blueF() + 0.3);
    EXPECT_LT(s.alphaF(s.toward(5, inner)), aimed.alphaF() - 0.25);
}

TEST(AuraLook, PaleRingAllRoundWithoutAnAimedEntry) {
    LookScene s;
    AuraLook(RingBackground::Disc).drawBody(s.painter(), s.scene);
    const double r = s.scene.layout.radius;
    const double first = s.brightness(s.polar(0.3, r + 7));
    for (double a = 0.3; a < 6.2; a += 0.7) {
        EXPECT_NEAR(s.brightness(s.polar(a, r + 7)), first, 0.02) << a;
        const QColor line = s.at(s.polar(a, r));
        EXPECT_GT(line.alphaF(), 0.8);
        EXPECT_GT(line.blueF(), 0.6);  // pale, not gold
    }
}

// The pale ring, the gold glow and the arc's track are painted more cheaply than the recipe
// says (one gradient, one blur); seen from outside they must be the recipe's picture.
TEST(AuraLook, PaleRingLooksLikeItsStrokesAndGlow) {
    LookScene s;
    LookScene recipe;
    const QPointF c = s.center();
    const double r = s.scene.layout.radius;
    look.drawBody(s.painter(), s.scene);
    const QPainterPath ring = paint::circle(c, r);
    paint::stroke(recipe.painter(), ring, paint::white(0.0, 0.22), 7);
    paint::glow(recipe.painter(), recipe.caches, paint::withAlpha(AuraLook::light(), 0.9), 12, {},
                [&](QPainter& q) {
                    paint::stroke(q, ring, paint::withAlpha(AuraLook::light(), 0.8), 2.2);
                });
    for (double a = 0.1; a < 6.2; a += 0.5) {
        for (double d = -20; d <= 20; d += 0.5) {
            // Edge pixels depend on where antialiasing splits them.
            if (std::abs(std::abs(d) - 1.1) < 0.6 || std::abs(std::abs(d) - 3.5) < 0.6)
                continue;
            const QPointF p = s.polar(a, r + d);
            EXPECT_NEAR(s.alphaF(p), recipe.alphaF(p), 0.03) << a << " " << d;
            EXPECT_NEAR(s.brightness(p), recipe.brightness(p), 0.03) << a << " " << d;
        }
    }
}

TEST(AuraLook, GoldGlowLooksLikeEachSegmentUnderItsOwnShadow) {
    LookScene s(8, 1);
    LookScene recipe;
    const QPointF c = s.center();
    const double r = s.scene.layout.radius;
    const double a = s.scene.layout.angle(1);
    look.drawBody(s.painter(), s.scene);
    QPainter& p = recipe.painter();
    look.drawBody(p, recipe.scene);
    const QColor gold = AuraLook::gold();
    for (int k = 0; k < AuraLook::glowSegments; ++k) {
        const double t0 = -1.1 + 2.2 * k / 28;
        const double w = AuraLook::glowWeight(k);
        paint::glow(p, recipe.caches, paint::withAlpha(gold, w), 18, {}, [&](QPainter& q) {
            paint::stroke(q, paint::arc(c, r, a + t0, a + t0 + 2.2 / 28 + 0.004),
                          paint::withAlpha(gold, w), 2.2 + 3.5 * w);
        });
    }
    paint::radial(p, recipe.caches, {paint::withAlpha(gold, 0.55), paint::withAlpha(gold, 0)},
                  {0, 1}, s.polar(a, r), 0, 1.05 * s.scene.layout.iconSize);
    // Off the line, where only the glows and the icon's gradient reach. Near the middle the
    // segments' own shadows, laid one over another, add up to a little less than the one shadow
    // of the whole band.
    for (double t = -1.3; t <= 1.3; t += 0.1) {
        for (const double d : {-16.0, -10.0, -6.0, 6.0, 10.0, 16.0}) {
            const QPointF q = s.polar(a + t, r + d);
            EXPECT_NEAR(s.alphaF(q), recipe.alphaF(q), 0.04) << t << " " << d;
            EXPECT_NEAR(s.brightness(q), recipe.brightness(q), 0.04) << t << " " << d;
        }
    }
    // On the line, midway along a segment, the stroke's own alpha shows.
    for (int k = 0; k < AuraLook::glowSegments; k += 3) {
        const QPointF q = s.polar(a - 1.1 + 2.2 * (k + 0.5) / 28, r);
        EXPECT_NEAR(s.alphaF(q), recipe.alphaF(q), 0.05) << k;
    }
}

TEST(AuraLook, ArcTrackFadesAtBothEndsAsEachSegmentUnderItsOwnShadow) {
    for (const bool items : {true, false}) {
        LookScene s(8, 0);
        look.drawArcTrack(s.painter(), 0.2, 1.0, items, s.scene);
        // The strongest pixel across the thin line at an angle.
        const auto line = [&](double a) {
            double peak = 0;
            for (double d = -1; d <= 1; d += 0.25)
                peak = std::max(peak, s.alphaF(s.polar(a, s.scene.arcRadius + d)));
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

    LookScene s(8, 0);
    LookScene recipe;
    const double from = 0.3;
    const double to = 1.4;
    const double radius = s.scene.arcRadius;
    look.drawArcTrack(s.painter(), from, to, true, s.scene);
    const double start = from - 0.3;
    const double length = (to + 0.3 - start) / 32;
    for (int k = 0; k < 32; ++k) {
        const double fade = AuraLook::trackFadeOf(k, from, to);
        const double a0 = start + length * k;
        paint::glow(recipe.painter(), recipe.caches,
                    paint::withAlpha(AuraLook::light(), 0.5 * fade), 8, {}, [&](QPainter& q) {
                        paint::stroke(q, paint::arc(s.center(), radius, a0, a0 + length + 0.003),
                                      paint::withAlpha(AuraLook::light(), 0.45 * fade), 1.6);
                    });
    }
    for (double t = start - 0.1; t <= to + 0.4; t += 0.05) {
        for (const double d : {-6.0, -3.0, 3.0, 6.0}) {
            const QPointF p = s.polar(t, radius + d);
            EXPECT_NEAR(s.alphaF(p), recipe.alphaF(p), 0.03) << t << " " << d;
        }
    }
    for (int k = 0; k < 32; k += 2) {
        const QPointF p = s.polar(start + length * (k + 0.5), radius);
        EXPECT_NEAR(s.alphaF(p), recipe.alphaF(p), 0.03) << k;
    }
}

TEST(AuraLook, CentreDotAlwaysAndTheNameBelowIt) {
    LookScene idle;
    look.drawCenter(idle.painter(), idle.scene);
    const QPointF c = idle.center();
    EXPECT_GT(idle.alphaF(c), 0.95);
    EXPECT_LT(idle.alphaF(c + QPointF(0, -26)), 0.05);

    LookScene named(8, 0);
    look.drawCenter(named.painter(), named.scene);
    EXPECT_GT(named.alphaF(c), 0.95);
    const QColor pill = named.at(c + QPointF(0, -26 + 11));
    EXPECT_GT(pill.alphaF(), 0.75);
    EXPECT_LT(pill.redF(), 0.2);
    EXPECT_LT(named.alphaF(c + QPointF(0, 28)), 0.05);

    // With a window title the two-line card sits on the centre.
    LookScene titled(8, 0);
    titled.scene.windowTitle = QStringLiteral("Report");
    look.drawCenter(titled.painter(), titled.scene);
    EXPECT_GT(titled.alphaF(c + QPointF(0, 28)), 0.75);
}

TEST(AuraLook, BadgeIconShadowAndArcSelection) {
    LookScene badge;
    const QPointF b = badge.center();
    look.drawBadge(badge.painter(), QString(), b, badge.scene);
    const QColor rim = badge.at(b + QPointF(8.5, 0.2));
    EXPECT_GT(rim.alphaF(), 0.8);
    EXPECT_GT(rim.redF(), 0.8);
    const QColor inside = badge.at(b + QPointF(0, -7));
    EXPECT_NEAR(inside.alphaF(), 0.9, 0.03);
    EXPECT_LT(inside.redF(), 0.15);

    // At the size the ring settles at (its shadow kept for later frames) and at a passing size
    // while it opens.
    for (const double side : {52 * 0.9, 60.0}) {
        for (const bool selected : {false, true}) {
            LookScene icon;
            const QRectF rect(170, 170, side, side);
            look.drawIcon(icon.painter(), icon.apps[0], rect, selected, icon.scene);
            EXPECT_EQ(icon.at(rect.center()), QColor(40, 200, 40));
            const QColor shadow = icon.at(QPointF(rect.right() + 2, rect.center().y()));
            EXPECT_GT(shadow.alphaF(), 0.05);
            EXPECT_LT(shadow.redF(), 0.1);
        }
    }

    // The arc's selection is a gold halo.
    LookScene halo;
    const QRectF item(180, 180, 40, 40);
    look.drawArcSelection(halo.painter(), item, halo.scene);
    const QColor middle = halo.at(item.center());
    EXPECT_NEAR(middle.alphaF(), 0.6, 0.02);
    EXPECT_GT(middle.redF(), middle.blueF() + 0.4);
    EXPECT_NEAR(halo.alphaF(item.center() + QPointF(20, 0)), 0.3, 0.03);
    EXPECT_LT(halo.alphaF(item.center() + QPointF(40.5, 0)), 0.02);
}

}  // namespace
}  // namespace tandri
