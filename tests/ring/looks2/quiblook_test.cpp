#include <gtest/gtest.h>

#include <numbers>

#include "ring/draw.h"
#include "ring/looks/auralook.h"
#include "ring/looks/quiblook.h"
#include "support/ringentries.h"
#include "support/viewpicture.h"

namespace tandri {
namespace {

using test::sceneOf;
using test::ViewPicture;

bool greenish(const QColor& c) {
    return c.greenF() > c.redF() + 0.1 && c.greenF() > c.blueF() + 0.3;
}

TEST(QuibLook, GreenRimAndAMarkerOnTheAimedEntry) {
    const auto apps = test::iconApps(8);
    ViewPicture canvas;
    const QPointF c = canvas.center();
    const RingScene scene = sceneOf(apps, c, 1);
    const QuibLook look(RingBackground::Disc);
    look.drawBody(canvas.painter(), scene);

    const double outer = scene.layout.outerRadius();
    const double a = scene.layout.angle(1);  // up and to the right
    const double step = scene.layout.step();

    // The rim, at outer − 0.5, faint green all round; nothing beyond it.
    const QColor rim = canvas.at(Draw::at(c, a + std::numbers::pi, outer - 0.5));
    EXPECT_TRUE(greenish(rim)) << rim.name().toStdString();
    EXPECT_GT(rim.alphaF(), 0.35);
    EXPECT_LT(rim.alphaF(), 0.75);
    EXPECT_LT(canvas.alphaF(Draw::at(c, a + 2, outer + 2)), 0.02);

    // The marker: solid green on the aimed entry, within its short span only.
    const QColor marker = canvas.at(Draw::at(c, a, outer - 3));
    EXPECT_TRUE(greenish(marker)) << marker.name().toStdString();
    EXPECT_GT(marker.alphaF(), 0.95);
    EXPECT_GT(canvas.alphaF(Draw::at(c, a + 0.2 * step, outer - 3)), 0.95);
    EXPECT_GT(canvas.alphaF(Draw::at(c, a - 0.2 * step, outer - 3)), 0.95);
    EXPECT_LT(canvas.alphaF(Draw::at(c, a + 0.4 * step, outer - 3)), 0.02);
    EXPECT_LT(canvas.alphaF(Draw::at(c, a + std::numbers::pi, outer - 3)), 0.02);

    // The hole is a faint white disc.
    const QColor hole = canvas.at(c + QPointF(5, 5));
    EXPECT_NEAR(hole.alphaF(), 0.1, 0.02);
    EXPECT_GT(hole.redF(), 0.9);
}

TEST(QuibLook, NoMarkerWithoutAnAimedEntry) {
    const auto apps = test::iconApps(8);
    ViewPicture canvas;
    const RingScene scene = sceneOf(apps, canvas.center());
    QuibLook(RingBackground::Disc).drawBody(canvas.painter(), scene);
    const double outer = scene.layout.outerRadius();
    for (int i = 0; i < 8; ++i) {
        EXPECT_LT(canvas.alphaF(Draw::at(canvas.center(), scene.layout.angle(i), outer - 3)), 0.02);
    }
}

TEST(QuibLook, NamePillOnlyWhenTheBackgroundIsNotTheDisc) {
    const auto apps = test::iconApps(8);
    for (const auto background :
         {RingBackground::Disc, RingBackground::Veil, RingBackground::None}) {
        ViewPicture canvas;
        const QPointF c = canvas.center();
        QuibLook(background).drawCenter(canvas.painter(), sceneOf(apps, c, 3));
        // Inside the pill, above the name.
        const QColor pill = canvas.at(c + QPointF(0, 11));
        if (background == RingBackground::Disc) {
            EXPECT_LT(pill.alphaF(), 0.02);
        } else {
            EXPECT_GT(pill.alphaF(), 0.75) << rawValue(background).toStdString();
            EXPECT_LT(pill.redF(), 0.2);
        }
        EXPECT_LT(canvas.alphaF(c + QPointF(0, 40)), 0.02) << "the pill is 26 points high";
    }
}

TEST(QuibLook, CentreDotWhenNothingIsAimed) {
    const auto apps = test::iconApps(8);
    ViewPicture canvas;
    const QPointF c = canvas.center();
    QuibLook(RingBackground::None).drawCenter(canvas.painter(), sceneOf(apps, c));
    EXPECT_NEAR(canvas.alphaF(c), 0.9, 0.02);
    EXPECT_GT(canvas.at(c).redF(), 0.95);
    EXPECT_LT(canvas.alphaF(c + QPointF(4.5, 0)), 0.02);
    EXPECT_LT(canvas.alphaF(c + QPointF(0, 11)), 0.02);
}

TEST(QuibLook, RunningDotsAndBadge) {
    const auto apps = test::iconApps(8);
    ViewPicture canvas;
    const QPointF c = canvas.center();
    const RingScene scene = sceneOf(apps, c);
    const QuibLook look(RingBackground::Disc);
    {
        QPainter& p = canvas.painter();
        look.drawRunning(p, 0, true, scene);
        look.drawRunning(p, 4, false, scene);
    }
    const double d = scene.layout.radius - scene.layout.iconSize / 2 - 4;
    const QPointF front = Draw::at(c, scene.layout.angle(0), d);
    const QPointF other = Draw::at(c, scene.layout.angle(4), d);
    EXPECT_NEAR(canvas.alphaF(front), 0.95, 0.02);
    EXPECT_NEAR(canvas.alphaF(other), 0.5, 0.02);
    // The frontmost app's dot is larger.
    EXPECT_GT(canvas.alphaF(front + QPointF(2, 0)), 0.5);
    EXPECT_LT(canvas.alphaF(other + QPointF(2, 0)), 0.1);

    ViewPicture badge;
    const QPointF b = badge.center();
    look.drawBadge(badge.painter(), QString(), b, scene);
    const QColor edge = badge.at(b + QPointF(9.1, 0));
    EXPECT_GT(edge.alphaF(), 0.95);
    EXPECT_LT(edge.redF(), 0.15);
    EXPECT_TRUE(greenish(badge.at(b + QPointF(0, -7.5))));
    EXPECT_LT(badge.alphaF(b + QPointF(10.6, 0)), 0.02);

    // The count is dark on the green disc.
    ViewPicture text;
    look.drawBadge(text.painter(), QStringLiteral("9+"), b, scene);
    int dark = 0;
    for (double x = -8; x <= 8; x += 0.5) {
        for (double y = -6; y <= 6; y += 0.5) {
            const QColor px = text.at(b + QPointF(x, y));
            if (px.alphaF() > 0.9 && px.greenF() < 0.3)
                ++dark;
        }
    }
    EXPECT_GT(dark, 10);
}

TEST(QuibLook, ArcTrackOnlyForSmallItems) {
    const auto apps = test::iconApps(8);
    const QuibLook look(RingBackground::Disc);
    ViewPicture cards;
    const RingScene scene = sceneOf(apps, cards.center());
    look.drawArcTrack(cards.painter(), 0.2, 0.8, false, scene);
    EXPECT_TRUE(cards.blank());

    ViewPicture items;
    look.drawArcTrack(items.painter(), 0.2, 0.8, true, scene);
    const QColor band = items.at(Draw::at(items.center(), 0.5, scene.arcRadius + 27));
    EXPECT_NEAR(band.alphaF(), 0.88, 0.03);
    EXPECT_LT(band.redF(), 0.15);
    EXPECT_LT(items.alphaF(Draw::at(items.center(), 0.5, scene.arcRadius + 30)), 0.02);
    EXPECT_LT(items.alphaF(Draw::at(items.center(), 1.2, scene.arcRadius)), 0.02);
}

TEST(QuibLook, SelectedCardGetsAGreenFrameOutsideTheClip) {
    const auto apps = test::iconApps(8);
    const QuibLook look(RingBackground::Disc);
    ViewPicture canvas;
    const RingScene scene = sceneOf(apps, canvas.center());
    const QRectF rect(120, 150, 96, 60);
    QPainterPath clip;
    {
        QPainter& p = canvas.painter();
        clip = look.drawCardFrame(p, rect, true, scene);
        look.drawCardBorder(p, clip, true, scene);
    }
    EXPECT_EQ(clip.boundingRect(), rect);
    EXPECT_TRUE(greenish(canvas.at(QPointF(rect.right() + 1.5, rect.center().y()))));
    const QColor inside = canvas.at(rect.center());
    EXPECT_GT(inside.alphaF(), 0.99);
    EXPECT_NEAR(inside.redF(), 0.16, 0.02);
}

TEST(QuibLook, MoreEntryAndArcSelection) {
    const auto apps = test::iconApps(8);
    const QuibLook look(RingBackground::Disc);
    ViewPicture canvas;
    const RingScene scene = sceneOf(apps, canvas.center());
    const QRectF rect(100, 100, 50, 50);
    look.drawMore(canvas.painter(), 7, rect, scene);
    // The oval is inset by 8 %: 4 points here.
    EXPECT_LT(canvas.alphaF(QPointF(rect.x() + 2.5, rect.center().y())), 0.02);
    EXPECT_GT(canvas.alphaF(QPointF(rect.x() + 4.2, rect.center().y())), 0.2);
    EXPECT_NEAR(canvas.alphaF(QPointF(rect.x() + 7, rect.center().y())), 0.16, 0.02);

    ViewPicture selection;
    const QRectF item(180, 180, 40, 40);
    look.drawArcSelection(selection.painter(), item, scene);
    const QColor inside = selection.at(item.center() + QPointF(24, 0));
    EXPECT_TRUE(greenish(inside));
    EXPECT_NEAR(inside.alphaF(), 0.9, 0.02);
    EXPECT_LT(selection.alphaF(item.center() + QPointF(25.6, 0)), 0.02);
}

}  // namespace
}  // namespace tandri
