#include <gtest/gtest.h>

#include <numbers>

#include "ring/draw.h"
#include "ring/looks/orbitlook.h"
#include "support/ringentries.h"
#include "support/viewpicture.h"

namespace tandri {
namespace {

using test::sceneOf;
using test::ViewPicture;

bool cyanish(const QColor& c) {
    return c.blueF() > c.redF() + 0.4 && c.greenF() > c.redF() + 0.3;
}

TEST(OrbitLook, StarsAndDarkGradientOnlyInTheDarkAppearance) {
    const auto apps = test::iconApps(8);
    for (const bool dark : {true, false}) {
        ViewPicture canvas;
        const QPointF c = canvas.center();
        const RingScene scene = sceneOf(apps, c, std::nullopt, dark);
        OrbitLook(dark).drawBody(canvas.painter(), scene);
        const double outer = scene.layout.outerRadius();
        const QPointF star = c + OrbitLook::star(7, outer).offset;
        const QPointF beside = star + QPointF(3, 0);
        // Beyond the icon orbit, away from any star.
        const QPointF sky = Draw::at(c, 0.05, outer + 5);
        if (dark) {
            EXPECT_GT(canvas.brightness(star), canvas.brightness(beside) + 0.2);
            const QColor blue = canvas.at(sky);
            EXPECT_GT(blue.alphaF(), 0.2);
            EXPECT_GT(blue.blueF(), blue.redF());
            EXPECT_LT(canvas.alphaF(Draw::at(c, 0.05, outer + 31)), 0.02);
        } else {
            EXPECT_LT(canvas.alphaF(star), 0.02);
            EXPECT_LT(canvas.alphaF(beside), 0.02);
            EXPECT_LT(canvas.alphaF(sky), 0.02);
        }
    }
}

TEST(OrbitLook, WarmSunAndDashedOrbitsInBothAppearances) {
    const auto apps = test::iconApps(8);
    for (const bool dark : {true, false}) {
        ViewPicture canvas;
        const QPointF c = canvas.center();
        const RingScene scene = sceneOf(apps, c, std::nullopt, dark);
        OrbitLook(dark).drawBody(canvas.painter(), scene);
        const QColor core = canvas.at(c + QPointF(0.3, 0.3));
        EXPECT_GT(core.alphaF(), 0.99);
        EXPECT_GT(core.redF(), 0.95);
        EXPECT_GT(core.greenF(), core.blueF() + 0.1);
        const QColor disc = canvas.at(c + QPointF(7.5, 0));
        EXPECT_GT(disc.alphaF(), 0.99);
        EXPECT_GT(disc.redF(), disc.greenF());
        EXPECT_GT(disc.greenF(), disc.blueF() + 0.2);

        // The icon orbit is dashed: some points on it are drawn, some are not.
        int drawn = 0;
        int clear = 0;
        const double r = scene.layout.radius;
        for (int i = 0; i < 720; ++i) {
            const double a = i * 2 * std::numbers::pi / 720;
            const QPointF off = Draw::at(c, a, r + 3);
            double on = 0;
            for (const double d : {-0.3, 0.0, 0.3}) {
                const QPointF p = Draw::at(c, a, r + d);
                on = std::max(on, std::abs(canvas.alphaF(p) - canvas.alphaF(off)) +
                                      std::abs(canvas.brightness(p) - canvas.brightness(off)));
            }
            (on > 0.08 ? drawn : clear) += 1;
        }
        EXPECT_GT(drawn, 50) << dark;
        EXPECT_GT(clear, 200) << dark;
    }
}

TEST(OrbitLook, CyanArcAroundTheAimedEntry) {
    const auto apps = test::iconApps(8);
    for (const bool dark : {true, false}) {
        ViewPicture canvas;
        const QPointF c = canvas.center();
        const RingScene scene = sceneOf(apps, c, 3, dark);
        OrbitLook(dark).drawBody(canvas.painter(), scene);
        const double a = scene.layout.angle(3);
        const double step = scene.layout.step();
        const double r = scene.layout.radius;
        EXPECT_TRUE(cyanish(canvas.at(Draw::at(c, a + 0.5 * step, r))));
        EXPECT_TRUE(cyanish(canvas.at(Draw::at(c, a - 0.8 * step, r))));
        EXPECT_GT(canvas.alphaF(Draw::at(c, a + 0.8 * step, r)), 0.9);
        const QColor away = canvas.at(Draw::at(c, a + 1.3 * step, r));
        EXPECT_FALSE(cyanish(away) && away.alphaF() > 0.5);
    }
}

TEST(OrbitLook, MoonUpAndRightOfTheIconLargerButNotBrighterWhenFront) {
    const auto apps = test::iconApps(8);
    const OrbitLook look(true);
    ViewPicture front;
    ViewPicture back;
    const QPointF c = front.center();
    const RingScene scene = sceneOf(apps, c, std::nullopt, true);
    look.drawRunning(front.painter(), 6, true, scene);
    look.drawRunning(back.painter(), 6, false, scene);
    const double d = 0.62 * scene.layout.iconSize / std::numbers::sqrt2;
    const QPointF moon = scene.iconCenter(6) + QPointF(d, d);
    EXPECT_EQ(front.at(moon), back.at(moon));
    EXPECT_NEAR(front.alphaF(moon), 0.9, 0.02);
    EXPECT_GT(front.alphaF(moon + QPointF(2.25, 0)), 0.5);
    EXPECT_LT(back.alphaF(moon + QPointF(2.25, 0)), 0.1);
    EXPECT_LT(front.alphaF(scene.iconCenter(6) - QPointF(d, d)), 0.02);
    EXPECT_LT(front.alphaF(scene.iconCenter(6) + QPointF(d, -d)), 0.02);

    ViewPicture light;
    OrbitLook(false).drawRunning(light.painter(), 6, true, scene);
    EXPECT_LT(light.at(moon).redF(), 0.3);
}

TEST(OrbitLook, BadgeColoursByAppearance) {
    const auto apps = test::iconApps(8);
    for (const bool dark : {true, false}) {
        ViewPicture canvas;
        const QPointF b = canvas.center();
        const RingScene scene = sceneOf(apps, b, std::nullopt, dark);
        OrbitLook(dark).drawBadge(canvas.painter(), QString(), b, scene);
        EXPECT_EQ(canvas.at(b + QPointF(0, -7)), dark ? QColor(20, 32, 63) : QColor(Qt::white));
        EXPECT_TRUE(cyanish(canvas.at(b + QPointF(8.5, 0.2))));

        ViewPicture text;
        OrbitLook(dark).drawBadge(text.painter(), QStringLiteral("8"), b, scene);
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
        EXPECT_NEAR(ink.red(), want.red(), 12) << dark;
        EXPECT_NEAR(ink.green(), want.green(), 12) << dark;
        EXPECT_NEAR(ink.blue(), want.blue(), 12) << dark;
    }
}

TEST(OrbitLook, NameBelowTheSunAndCardsInNavy) {
    const auto apps = test::iconApps(8);
    ViewPicture canvas;
    const QPointF c = canvas.center();
    OrbitLook(true).drawCenter(canvas.painter(), sceneOf(apps, c, 1));
    EXPECT_LT(canvas.alphaF(c), 0.02);
    const QColor pill = canvas.at(c + QPointF(0, -26 + 11));
    EXPECT_NEAR(pill.alphaF(), 0.85, 0.03);
    EXPECT_GT(pill.blueF(), pill.redF());

    ViewPicture nothing;
    OrbitLook(true).drawCenter(nothing.painter(), sceneOf(apps, c));
    EXPECT_TRUE(nothing.blank());

    ViewPicture card;
    const QRectF rect(120, 150, 96, 60);
    QPainterPath clip;
    {
        QPainter& p = card.painter();
        clip = OrbitLook(true).drawCardFrame(p, rect, true, sceneOf(apps, c));
        OrbitLook(true).drawCardBorder(p, clip, true, sceneOf(apps, c));
    }
    EXPECT_EQ(clip.boundingRect(), rect);
    EXPECT_EQ(card.at(rect.center()), QColor(14, 20, 40));
    EXPECT_TRUE(cyanish(card.at(QPointF(rect.right() - 0.2, rect.center().y()))));
    EXPECT_TRUE(cyanish(card.at(QPointF(rect.right() + 4, rect.center().y()))))
        << "the selected card glows cyan";
}

TEST(OrbitLook, MoreEntryIsADashedNavyOval) {
    const auto apps = test::iconApps(8);
    ViewPicture canvas;
    const RingScene scene = sceneOf(apps, canvas.center());
    const QRectF rect(100, 100, 50, 50);
    OrbitLook(false).drawMore(canvas.painter(), 12, rect, scene);
    // Inset by 12 %: 6 points here; navy inside, whatever the appearance.
    EXPECT_LT(canvas.alphaF(QPointF(rect.x() + 4.5, rect.center().y() + 0.3)), 0.02);
    const QColor fill = canvas.at(QPointF(rect.x() + 9, rect.center().y() + 0.3));
    EXPECT_NEAR(fill.alphaF(), 0.9, 0.02);
    EXPECT_EQ(fill.rgb(), QColor(14, 20, 40).rgb());
    // The rim is dashed: some points on it are cyan, some are not drawn.
    int cyanPoints = 0;
    int gaps = 0;
    for (int i = 0; i < 120; ++i) {
        const QColor px = canvas.at(Draw::at(rect.center(), i * 2 * std::numbers::pi / 120, 18.5));
        if (cyanish(px) && px.alphaF() > 0.5)
            ++cyanPoints;
        else if (px.alphaF() > 0.85 && px.blueF() < 0.3)
            ++gaps;
    }
    EXPECT_GT(cyanPoints, 10);
    EXPECT_GT(gaps, 10);
}

TEST(OrbitLook, ArcTrackIsADashedCircleWithTheChipsSpanStronger) {
    const auto apps = test::iconApps(8);
    for (const bool dark : {true, false}) {
        ViewPicture canvas;
        const QPointF c = canvas.center();
        const RingScene scene = sceneOf(apps, c, 0, dark);
        OrbitLook(dark).drawArcTrack(canvas.painter(), 0.2, 1.2, false, scene);
        // The strongest pixel over a stretch of the circle: dashes come and go along it.
        const auto strongest = [&](double from, double to) {
            double best = 0;
            for (double a = from; a < to; a += 0.002)
                best = std::max(best, canvas.alphaF(Draw::at(c, a, scene.arcRadius)));
            return best;
        };
        const double span = strongest(0.3, 1.1);
        const double rest = strongest(2.0, 5.0);
        EXPECT_GT(rest, 0.15) << "the whole circle is drawn";
        EXPECT_GT(span, rest + 0.1) << "the chips' span is drawn over it";
        if (!dark) {
            EXPECT_LT(canvas.at(Draw::at(c, 3.0, scene.arcRadius)).redF(), 0.2);
        }
    }
}

}  // namespace
}  // namespace tandri
