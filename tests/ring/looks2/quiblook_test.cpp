// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <numbers>

#include "ring/looks/quiblook.h"
#include "support/lookscene.h"

namespace tandri {
namespace {

using test::LookScene;
constexpr double pi = std::numbers::pi;
const QuibLook look(RingBackground::Disc);

bool greenish(const QColor& c) {
    return c.greenF() > c.redF() + 0.1 && c.greenF() > c.blueF() + 0.3;
}

TEST(QuibLook, GreenRimAndAMarkerOnTheAimedEntryOnly) {
    LookScene s(8, 1);
    look.drawBody(s.painter(), s.scene);
    const double outer = s.scene.layout.outerRadius();
    const double a = s.scene.layout.angle(1);  // up and to the right
    const double step = s.scene.layout.step();
    // The rim, at outer − 0.5, faint green all round; nothing beyond it.
    const QColor rim = s.at(s.polar(a + pi, outer - 0.5));
    EXPECT_TRUE(greenish(rim)) << rim.name().toStdString();
    EXPECT_GT(rim.alphaF(), 0.35);
    EXPECT_LT(rim.alphaF(), 0.75);
    EXPECT_LT(s.alphaF(s.polar(a + 2, outer + 2)), 0.02);
    // The marker: solid green on the aimed entry, within its short span only.
    EXPECT_TRUE(greenish(s.at(s.polar(a, outer - 3))));
    for (const double t : {0.0, 0.2, -0.2})
        EXPECT_GT(s.alphaF(s.polar(a + t * step, outer - 3)), 0.95) << t;
    EXPECT_LT(s.alphaF(s.polar(a + 0.4 * step, outer - 3)), 0.02);
    EXPECT_LT(s.alphaF(s.polar(a + pi, outer - 3)), 0.02);
    // The hole is a faint white disc.
    const QColor hole = s.at(s.center() + QPointF(5, 5));
    EXPECT_NEAR(hole.alphaF(), 0.1, 0.02);
    EXPECT_GT(hole.redF(), 0.9);

    LookScene none;
    look.drawBody(none.painter(), none.scene);
    for (int i = 0; i < 8; ++i) EXPECT_LT(none.alphaF(none.toward(i, outer - 3)), 0.02) << i;
}

TEST(QuibLook, NamePillOnlyWhenTheBackgroundIsNotTheDiscAndADotWithoutAName) {
    for (const auto background :
         {RingBackground::Disc, RingBackground::Veil, RingBackground::None}) {
        SCOPED_TRACE(rawValue(background).toStdString());
        LookScene s(8, 3);
        QuibLook(background).drawCenter(s.painter(), s.scene);
        // Inside the pill, above the name.
        const QColor pill = s.at(s.center() + QPointF(0, 11));
        if (background == RingBackground::Disc) {
            EXPECT_LT(pill.alphaF(), 0.02);
        } else {
            EXPECT_GT(pill.alphaF(), 0.75);
            EXPECT_LT(pill.redF(), 0.2);
        }
        EXPECT_LT(s.alphaF(s.center() + QPointF(0, 40)), 0.02) << "the pill is 26 points high";
    }
    LookScene idle;
    QuibLook(RingBackground::None).drawCenter(idle.painter(), idle.scene);
    const QPointF c = idle.center();
    EXPECT_NEAR(idle.alphaF(c), 0.9, 0.02);
    EXPECT_GT(idle.at(c).redF(), 0.95);
    EXPECT_LT(idle.alphaF(c + QPointF(4.5, 0)), 0.02);
    EXPECT_LT(idle.alphaF(c + QPointF(0, 11)), 0.02);
}

TEST(QuibLook, RunningDotsAndBadge) {
    LookScene s;
    look.drawRunning(s.painter(), 0, true, s.scene);
    look.drawRunning(s.painter(), 4, false, s.scene);
    const double d = s.scene.layout.radius - s.scene.layout.iconSize / 2 - 4;
    EXPECT_NEAR(s.alphaF(s.toward(0, d)), 0.95, 0.02);
    EXPECT_NEAR(s.alphaF(s.toward(4, d)), 0.5, 0.02);
    // The frontmost app's dot is larger.
    EXPECT_GT(s.alphaF(s.toward(0, d) + QPointF(2, 0)), 0.5);
    EXPECT_LT(s.alphaF(s.toward(4, d) + QPointF(2, 0)), 0.1);

    LookScene badge;
    const QPointF b = badge.center();
    look.drawBadge(badge.painter(), QString(), b, badge.scene);
    const QColor edge = badge.at(b + QPointF(9.1, 0));
    EXPECT_GT(edge.alphaF(), 0.95);
    EXPECT_LT(edge.redF(), 0.15);
    EXPECT_TRUE(greenish(badge.at(b + QPointF(0, -7.5))));
    EXPECT_LT(badge.alphaF(b + QPointF(10.6, 0)), 0.02);
    // The count is dark on the green disc.
    LookScene text;
    look.drawBadge(text.painter(), QStringLiteral("9+"), b, text.scene);
    int dark = 0;
    for (double x = -8; x <= 8; x += 0.5) {
        for (double y = -6; y <= 6; y += 0.5) {
            const QColor px = text.at(b + QPointF(x, y));
            dark += px.alphaF() > 0.9 && px.greenF() < 0.3;
        }
    }
    EXPECT_GT(dark, 10);
}

TEST(QuibLook, ArcTrackOnlyForSmallItemsAndItsSelection) {
    LookScene cards;
    look.drawArcTrack(cards.painter(), 0.2, 0.8, false, cards.scene);
    EXPECT_TRUE(cards.blank());

    LookScene items;
    look.drawArcTrack(items.painter(), 0.2, 0.8, true, items.scene);
    const double r = items.scene.arcRadius;
    const QColor band = items.at(items.polar(0.5, r + 27));
    EXPECT_NEAR(band.alphaF(), 0.88, 0.03);
    EXPECT_LT(band.redF(), 0.15);
    EXPECT_LT(items.alphaF(items.polar(0.5, r + 30)), 0.02);
    EXPECT_LT(items.alphaF(items.polar(1.2, r)), 0.02);

    LookScene selection;
    const QRectF item(180, 180, 40, 40);
    look.drawArcSelection(selection.painter(), item, selection.scene);
    const QColor inside = selection.at(item.center() + QPointF(24, 0));
    EXPECT_TRUE(greenish(inside));
    EXPECT_NEAR(inside.alphaF(), 0.9, 0.02);
    EXPECT_LT(selection.alphaF(item.center() + QPointF(25.6, 0)), 0.02);
}

TEST(QuibLook, SelectedCardGetsAGreenFrameOutsideTheClipAndMoreAnInsetOval) {
    LookScene s;
    const QRectF rect(120, 150, 96, 60);
    const QPainterPath clip = look.drawCardFrame(s.painter(), rect, true, s.scene);
    look.drawCardBorder(s.painter(), clip, true, s.scene);
    EXPECT_EQ(clip.boundingRect(), rect);
    EXPECT_TRUE(greenish(s.at(QPointF(rect.right() + 1.5, rect.center().y()))));
    const QColor inside = s.at(rect.center());
    EXPECT_GT(inside.alphaF(), 0.99);
    EXPECT_NEAR(inside.redF(), 0.16, 0.02);

    LookScene more;
    look.drawMore(more.painter(), 7, QRectF(100, 100, 50, 50), more.scene);
    // The oval is inset by 8 %: 4 points here.
    EXPECT_LT(more.alphaF(QPointF(102.5, 125)), 0.02);
    EXPECT_GT(more.alphaF(QPointF(104.2, 125)), 0.2);
    EXPECT_NEAR(more.alphaF(QPointF(107, 125)), 0.16, 0.02);
}

}  // namespace
}  // namespace tandri
