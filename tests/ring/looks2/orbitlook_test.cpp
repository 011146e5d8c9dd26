// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <numbers>

#include "ring/looks/orbitlook.h"
#include "support/lookscene.h"

namespace tandri {
namespace {

using test::LookScene;
constexpr double pi = std::numbers::pi;

bool cyanish(const QColor& c) {
    return c.blueF() > c.redF() + 0.4 && c.greenF() > c.redF() + 0.3;
}

TEST(OrbitLook, BodyHasAWarmSunDashedOrbitsAndStarsOnlyInTheDark) {
    for (const bool dark : {true, false}) {
        SCOPED_TRACE(dark);
        LookScene s(8, std::nullopt, dark);
        OrbitLook(dark).drawBody(s.painter(), s.scene);
        const QPointF c = s.center();
        const double outer = s.scene.layout.outerRadius();
        const QPointF star = c + OrbitLook::star(7, outer).offset;
        const QPointF beside = star + QPointF(3, 0);
        const QPointF sky = s.polar(0.05, outer + 5);  // beyond the orbits, away from any star
        if (dark) {
            EXPECT_GT(s.brightness(star), s.brightness(beside) + 0.2);
            const QColor blue = s.at(sky);
            EXPECT_GT(blue.alphaF(), 0.2);
            EXPECT_GT(blue.blueF(), blue.redF());
            EXPECT_LT(s.alphaF(s.polar(0.05, outer + 31)), 0.02);
        } else {
            for (const QPointF p : {star, beside, sky}) EXPECT_LT(s.alphaF(p), 0.02);
        }

        const QColor core = s.at(c + QPointF(0.3, 0.3));
        EXPECT_GT(core.alphaF(), 0.99);
        EXPECT_GT(core.redF(), 0.95);
        EXPECT_GT(core.greenF(), core.blueF() + 0.1);
        const QColor disc = s.at(c + QPointF(7.5, 0));
        EXPECT_GT(disc.alphaF(), 0.99);
        EXPECT_GT(disc.redF(), disc.greenF());
        EXPECT_GT(disc.greenF(), disc.blueF() + 0.2);

        // The icon orbit is dashed: some points on it are drawn, some are not.
        int drawn = 0;
        const double r = s.scene.layout.radius;
        for (int i = 0; i < 720; ++i) {
            const double a = i * 2 * pi / 720;
            const QPointF off = s.polar(a, r + 3);
            double on = 0;
            for (const double d : {-0.3, 0.0, 0.3}) {
                const QPointF p = s.polar(a, r + d);
                on = std::max(on, std::abs(s.alphaF(p) - s.alphaF(off)) +
                                      std::abs(s.brightness(p) - s.brightness(off)));
            }
            drawn += on > 0.08;
        }
        EXPECT_GT(drawn, 50);
        EXPECT_LT(drawn, 720 - 200);
    }
}

TEST(OrbitLook, CyanArcAroundTheAimedEntry) {
    for (const bool dark : {true, false}) {
        LookScene s(8, 3, dark);
        OrbitLook(dark).drawBody(s.painter(), s.scene);
        const double a = s.scene.layout.angle(3);
        const double step = s.scene.layout.step();
        const double r = s.scene.layout.radius;
        EXPECT_TRUE(cyanish(s.at(s.polar(a + 0.5 * step, r))));
        EXPECT_TRUE(cyanish(s.at(s.polar(a - 0.8 * step, r))));
        EXPECT_GT(s.alphaF(s.polar(a + 0.8 * step, r)), 0.9);
        const QColor away = s.at(s.polar(a + 1.3 * step, r));
        EXPECT_FALSE(cyanish(away) && away.alphaF() > 0.5);
    }
}

TEST(OrbitLook, MoonUpAndRightOfTheIconLargerButNotBrighterWhenFront) {
    const OrbitLook look(true);
    LookScene front;
    LookScene back;
    look.drawRunning(front.painter(), 6, true, front.scene);
    look.drawRunning(back.painter(), 6, false, back.scene);
    const QPointF icon = front.scene.iconCenter(6);
    const double d = 0.62 * front.scene.layout.iconSize / std::numbers::sqrt2;
    const QPointF moon = icon + QPointF(d, d);
    EXPECT_EQ(front.at(moon), back.at(moon));
    EXPECT_NEAR(front.alphaF(moon), 0.9, 0.02);
    EXPECT_GT(front.alphaF(moon + QPointF(2.25, 0)), 0.5);
    EXPECT_LT(back.alphaF(moon + QPointF(2.25, 0)), 0.1);
    EXPECT_LT(front.alphaF(icon - QPointF(d, d)), 0.02);
    EXPECT_LT(front.alphaF(icon + QPointF(d, -d)), 0.02);

    LookScene light(8, std::nullopt, false);
    OrbitLook(false).drawRunning(light.painter(), 6, true, light.scene);
    EXPECT_LT(light.at(moon).redF(), 0.3);
}

TEST(OrbitLook, BadgeColoursByAppearance) {
    for (const bool dark : {true, false}) {
        SCOPED_TRACE(dark);
        LookScene s(8, std::nullopt, dark);
        const QPointF b = s.center();
        OrbitLook(dark).drawBadge(s.painter(), QString(), b, s.scene);
        EXPECT_EQ(s.at(b + QPointF(0, -7)), dark ? QColor(20, 32, 63) : QColor(Qt::white));
        EXPECT_TRUE(cyanish(s.at(b + QPointF(8.5, 0.2))));

        LookScene text(8, std::nullopt, dark);
        OrbitLook(dark).drawBadge(text.painter(), QStringLiteral("8"), b, text.scene);
        // The digit's strongest pixel carries the text colour.
        QColor ink;
        double best = dark ? 0 : 3;
        for (double x = -4; x <= 4; x += 0.5) {
            for (double y = -5; y <= 5; y += 0.5) {
                const QColor px = text.at(b + QPointF(x, y));
                const double sum = px.redF() + px.greenF() + px.blueF();
                if (dark ? sum > best : sum < best) {
                    best = sum;
                    ink = px;
                }
            }
        }
        const QColor want = dark ? QColor(79, 209, 255) : QColor(10, 92, 138);
        EXPECT_NEAR(ink.red(), want.red(), 12);
        EXPECT_NEAR(ink.green(), want.green(), 12);
        EXPECT_NEAR(ink.blue(), want.blue(), 12);
    }
}

TEST(OrbitLook, NameBelowTheSunAndCardsInNavy) {
    const OrbitLook look(true);
    LookScene named(8, 1);
    look.drawCenter(named.painter(), named.scene);
    const QPointF c = named.center();
    EXPECT_LT(named.alphaF(c), 0.02);
    const QColor pill = named.at(c + QPointF(0, -26 + 11));
    EXPECT_NEAR(pill.alphaF(), 0.85, 0.03);
    EXPECT_GT(pill.blueF(), pill.redF());

    LookScene nothing;
    look.drawCenter(nothing.painter(), nothing.scene);
    EXPECT_TRUE(nothing.blank());

    LookScene card;
    const QRectF rect(120, 150, 96, 60);
    const QPainterPath clip = look.drawCardFrame(card.painter(), rect, true, card.scene);
    look.drawCardBorder(card.painter(), clip, true, card.scene);
    EXPECT_EQ(clip.boundingRect(), rect);
    EXPECT_EQ(card.at(rect.center()), QColor(14, 20, 40));
    EXPECT_TRUE(cyanish(card.at(QPointF(rect.right() - 0.2, rect.center().y()))));
    EXPECT_TRUE(cyanish(card.at(QPointF(rect.right() + 4, rect.center().y()))))
        << "the selected card glows cyan";
}

TEST(OrbitLook, MoreEntryIsADashedNavyOval) {
    LookScene s(8, std::nullopt, false);
    const QRectF rect(100, 100, 50, 50);
    OrbitLook(false).drawMore(s.painter(), 12, rect, s.scene);
    // Inset by 12 %: 6 points here; navy inside, whatever the appearance.
    EXPECT_LT(s.alphaF(QPointF(rect.x() + 4.5, rect.center().y() + 0.3)), 0.02);
    const QColor fill = s.at(QPointF(rect.x() + 9, rect.center().y() + 0.3));
    EXPECT_NEAR(fill.alphaF(), 0.9, 0.02);
    EXPECT_EQ(fill.rgb(), QColor(14, 20, 40).rgb());
    // The rim is dashed: some points on it are cyan, some are not drawn.
    int cyanPoints = 0;
    int gaps = 0;
    for (int i = 0; i < 120; ++i) {
        const double a = i * 2 * pi / 120;
        const QColor px = s.at(rect.center() + 18.5 * QPointF(std::cos(a), std::sin(a)));
        if (cyanish(px) && px.alphaF() > 0.5)
            ++cyanPoints;
        else if (px.alphaF() > 0.85 && px.blueF() < 0.3)
            ++gaps;
    }
    EXPECT_GT(cyanPoints, 10);
    EXPECT_GT(gaps, 10);
}

TEST(OrbitLook, ArcTrackIsADashedCircleWithTheChipsSpanStronger) {
    for (const bool dark : {true, false}) {
        SCOPED_TRACE(dark);
        LookScene s(8, 0, dark);
        OrbitLook(dark).drawArcTrack(s.painter(), 0.2, 1.2, false, s.scene);
        // The strongest pixel over a stretch of the circle: dashes come and go along it.
        const auto strongest = [&](double from, double to) {
            double best = 0;
            for (double a = from; a < to; a += 0.002)
                best = std::max(best, s.alphaF(s.polar(a, s.scene.arcRadius)));
            return best;
        };
        const double span = strongest(0.3, 1.1);
        const double rest = strongest(2.0, 5.0);
        EXPECT_GT(rest, 0.15) << "the whole circle is drawn";
        EXPECT_GT(span, rest + 0.1) << "the chips' span is drawn over it";
        if (!dark) {
            EXPECT_LT(s.at(s.polar(3.0, s.scene.arcRadius)).redF(), 0.2);
        }
    }
}

}  // namespace
}  // namespace tandri
