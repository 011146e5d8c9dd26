// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <vector>

#include "paint/colors.h"
#include "paint/text.h"
#include "ring/looks/lookparts.h"
#include "support/ringentries.h"
#include "support/viewpicture.h"

namespace tandri {
namespace {

using Canvas = test::ViewPicture;

// One aimed entry, its label drawn about (150, 100) into a picture of its own.
struct LabelScene : Canvas {
    LabelScene() : Canvas(300, 200) { apps[0].name = QStringLiteral("Safari"); }
    /// The card the label asks for at most `maxWidth` wide; null when it asks for none.
    QRectF label(double maxWidth) {
        QRectF card;
        LookParts::label(painter(), scene, {150, 100}, maxWidth, Qt::white, Qt::gray, std::nullopt,
                         [&card](QPainter&, const QRectF& r) { card = r; });
        return card;
    }
    std::vector<RingApp> apps = test::iconApps(1);
    RingScene scene = test::sceneOf(apps, {150, 100}, 0);
};

TEST(LookParts, OneLinePillFitsTheNameAndNothingWithoutAnAim) {
    LabelScene s;
    const QRectF card = s.label(200);
    const QFontMetricsF metrics(paint::font(12, QFont::DemiBold, s.painter().device()),
                                s.painter().device());
    EXPECT_NEAR(card.width(), metrics.horizontalAdvance(QStringLiteral("Safari")) + 28, 0.01);
    EXPECT_EQ(card.height(), 26);
    EXPECT_NEAR(card.center().x(), 150, 1e-9);
    EXPECT_NEAR(card.y(), 87, 1e-9);
    const QRectF ink = s.ink();
    EXPECT_TRUE(card.contains(ink)) << ink.x() << " " << ink.width();

    // Capped at maxWidth.
    LabelScene narrow;
    narrow.apps[0].name = QStringLiteral("A very long application name that does not fit");
    EXPECT_EQ(narrow.label(120).width(), 120);
    EXPECT_GE(narrow.ink().left(), 150 - 60 + 11);
    EXPECT_LE(narrow.ink().right(), 150 + 60 - 11);

    // Nothing without an aimed entry.
    LabelScene none;
    none.scene.selectedApp.reset();
    EXPECT_TRUE(none.label(100).isNull());
    EXPECT_TRUE(none.blank());
}

TEST(LookParts, WindowTitleMakesATwoLineCardAndTruncatesTheName) {
    LabelScene s;
    s.apps[0].name = QStringLiteral("An application whose name is far too long for the card");
    s.scene.windowTitle = QStringLiteral("Report.txt");
    EXPECT_EQ(s.label(100), QRectF(100, 70, 100, 60));
    // The name is cut with an ellipsis into the card's inner width, on one line.
    const QStringList name =
        paint::fitText(s.apps[0].name, 80, paint::font(10, QFont::Medium, s.painter().device()), 1,
                       s.painter().device());
    ASSERT_EQ(name.size(), 1);
    EXPECT_TRUE(name[0].endsWith(QChar(0x2026)));
    const QRectF ink = s.ink();
    EXPECT_GE(ink.left(), 109);
    EXPECT_LE(ink.right(), 191);
    // The name sits in the upper band (y from 108 to 122), the title below it.
    EXPECT_GT(ink.bottom(), 112);
}

TEST(LookParts, PlainCardIsARoundedRectOverItsShadow) {
    paint::Caches caches;
    Canvas canvas(200, 200);
    const QRectF rect(50, 60, 100, 80);
    const QPainterPath path = LookParts::plainCard(
        canvas.painter(), caches, rect, paint::white(0.16), paint::white(0, 0.6), 20, -6);
    EXPECT_EQ(path.boundingRect(), rect);
    EXPECT_FALSE(path.contains(QPointF(51, 61)));  // corner radius 8
    EXPECT_TRUE(path.contains(QPointF(53, 63)));
    EXPECT_EQ(canvas.alpha({100, 100}), 255);
    EXPECT_GT(canvas.alpha({100, 55}), canvas.alpha({100, 145}));  // the shadow falls downward
}

}  // namespace
}  // namespace tandri
