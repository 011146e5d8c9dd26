// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <cmath>
#include <numbers>

#include "paint/caches.h"
#include "paint/colors.h"
#include "paint/paths.h"
#include "paint/pictures.h"
#include "paint/text.h"
#include "support/pixeldifference.h"
#include "support/viewpicture.h"

namespace tandri {
namespace {

using Canvas = test::ViewPicture;
constexpr double pi = std::numbers::pi;

// Both coordinates to within `tolerance`.
void expectNear(QPointF actual, QPointF expected, double tolerance) {
    EXPECT_NEAR(actual.x(), expected.x(), tolerance);
    EXPECT_NEAR(actual.y(), expected.y(), tolerance);
}

TEST(PaintPaths, ArcsRunCounterClockwiseWithYUp) {
    const QPointF c(100, 100);
    const QPainterPath quarter = paint::arc(c, 50, 0, pi / 2);
    expectNear(quarter.pointAtPercent(0), {150, 100}, 1e-6);
    // Halfway lies up and to the right, not down.
    expectNear(quarter.pointAtPercent(0.5), c + 50 * QPointF(std::cos(pi / 4), std::sin(pi / 4)),
               0.5);
    expectNear(quarter.pointAtPercent(1), {100, 150}, 1e-6);
    // To an earlier angle the arc goes the long way round, through the bottom.
    expectNear(paint::arc(c, 50, pi / 2, 0).pointAtPercent(0.5),
               c - 50 * QPointF(std::cos(pi / 4), std::sin(pi / 4)), 0.5);
    expectNear(paint::at(c, pi, 10), {90, 100}, 1e-9);
    expectNear(paint::at(c, -pi / 2, 10), {100, 90}, 1e-9);
}

TEST(PaintPaths, PillCornersAreHalfTheHeightUpToFourteenAndOutlinesEndRound) {
    // Height 22: radius 11; a point 3.5 in from the corner lies inside the curve.
    const QPainterPath small = paint::pill(QRectF(0, 0, 100, 22));
    EXPECT_TRUE(small.contains(QPointF(3.5, 3.5)));
    EXPECT_FALSE(small.contains(QPointF(1.5, 1.5)));
    EXPECT_TRUE(small.contains(QPointF(50, 0.5)));

    // Height 40: radius 14, not 20: (5, 5) is inside a 14 corner but outside a 20 one.
    const QPainterPath tall = paint::pill(QRectF(0, 0, 100, 40));
    EXPECT_TRUE(tall.contains(QPointF(5, 5)));
    EXPECT_TRUE(tall.contains(QPointF(95, 35)));
    EXPECT_FALSE(tall.contains(QPointF(2, 2)));

    // An outlined arc is a band with round ends: the cap reaches 28 beyond the end at angle 0,
    // below the x axis.
    const QPainterPath band = paint::outline(paint::arc({0, 0}, 100, 0, pi / 2), 56);
    for (const double d : {73, 100, 127}) EXPECT_TRUE(band.contains(paint::at({}, pi / 4, d))) << d;
    for (const double d : {71, 129}) EXPECT_FALSE(band.contains(paint::at({}, pi / 4, d))) << d;
    EXPECT_TRUE(band.contains(QPointF(100, -26)));
    EXPECT_FALSE(band.contains(QPointF(100, -30)));
}

TEST(PaintPaths, AnnulusLeavesTheHoleEmptyAndNothingWhenClosed) {
    Canvas ring(100, 100);
    paint::fill(ring.painter(), paint::annulus({50, 50}, 20, 40), Qt::white);
    EXPECT_EQ(ring.alpha({50, 50}), 0);
    EXPECT_EQ(ring.alpha({50, 80}), 255);
    EXPECT_EQ(ring.alpha({50, 95}), 0);

    for (const Qt::FillRule rule : {Qt::OddEvenFill, Qt::WindingFill}) {
        QPainterPath closed = paint::annulus({50, 50}, 30, 30);
        closed.setFillRule(rule);
        Canvas canvas(100, 100);
        paint::fill(canvas.painter(), closed, Qt::white);
        EXPECT_TRUE(canvas.blank()) << rule;
    }
}

TEST(PaintColors, HexWhiteAndAlpha) {
    const QColor accent = paint::hex(0x0A84FF, 0.5);
    EXPECT_EQ(accent.rgb(), qRgb(10, 132, 255));
    EXPECT_NEAR(accent.alphaF(), 0.5, 0.01);
    EXPECT_EQ(paint::hex(0xFF0000).alpha(), 255);

    const QColor grey = paint::white(0.08, 0.82);
    EXPECT_EQ(grey.red(), grey.blue());
    EXPECT_NEAR(grey.redF(), 0.08, 0.005);
    EXPECT_NEAR(grey.alphaF(), 0.82, 0.005);

    const QColor replaced = paint::withAlpha(paint::white(1.0, 0.75), 0.6);
    EXPECT_NEAR(replaced.alphaF(), 0.6, 0.005);
    EXPECT_EQ(replaced.red(), 255);
}

TEST(PaintPaths, StrokesAreRoundCappedAndDashedInPoints) {
    Canvas solid(100, 40);
    paint::stroke(solid.painter(), paint::line({20, 20}, {80, 20}), Qt::white, 4);
    EXPECT_EQ(solid.alpha({50, 20}), 255);
    EXPECT_GT(solid.alpha({18.6, 20}), 100);  // round cap past the end
    EXPECT_EQ(solid.alpha({15, 20}), 0);

    // Dash (2, 6) at width 1: on from 0 to 2 (+ caps), off from 2.5 to 7.5, every 8 points.
    Canvas dashed(100, 40);
    paint::stroke(dashed.painter(), paint::line({10, 20}, {90, 20}), Qt::white, 1, {2, 6});
    for (int k = 0; k < 9; ++k) {
        EXPECT_GT(dashed.alpha({10.0 + 8 * k + 1, 20}), 100) << k;
        EXPECT_EQ(dashed.alpha({10.0 + 8 * k + 5, 20}), 0) << k;
    }
    // No width: nothing.
    Canvas none(100, 40);
    paint::stroke(none.painter(), paint::line({10, 20}, {90, 20}), Qt::white, 0);
    EXPECT_TRUE(none.blank());
}

TEST(PaintPictures, ImagesStayUprightFadeAndLookTheSameWhenDrawnAgain) {
    QImage picture(20, 20, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::blue);
    QPainter(&picture).fillRect(QRect(0, 0, 20, 10), Qt::red);  // the top half
    paint::Caches caches;
    Canvas canvas(100, 100);
    paint::image(canvas.painter(), caches, picture, QRectF(20, 20, 40, 40));
    EXPECT_EQ(canvas.at(40, 50).red(), 255);  // upper half (larger y) is the image's top
    EXPECT_EQ(canvas.at(40, 30).blue(), 255);
    EXPECT_EQ(canvas.alpha({10, 10}), 0);
    // At a size of its own, the first frames scale it, later ones copy what was scaled.
    QImage first;
    for (int frame = 0; frame < 3; ++frame) {
        Canvas faded(100, 100);
        paint::image(faded.painter(), caches, picture, QRectF(10.2, 20, 48, 29), 0.5);
        EXPECT_NEAR(faded.alpha({30, 30}), 128, 2);
        if (frame == 0)
            first = faded.image();
        else
            EXPECT_LE(test::pixelDifference(first, faded.image(), 2).largest, 2) << frame;
    }
    Canvas missing(100, 100);
    paint::image(missing.painter(), caches, QImage(), QRectF(20, 20, 40, 40));
    EXPECT_TRUE(missing.blank());
}

TEST(PaintText, LettersAreUprightAndSizesAreViewPoints) {
    Canvas canvas(120, 120);
    paint::text(canvas.painter(), QStringLiteral("L"), QRectF(10, 10, 100, 100), 60, QFont::Bold,
                Qt::white, Qt::AlignHCenter);
    const QRectF ink = canvas.ink();
    ASSERT_FALSE(ink.isEmpty());
    const auto inkedAcross = [&](double y) {
        int count = 0;
        for (double x = ink.left(); x < ink.right(); x += 0.5) count += canvas.alpha({x, y}) > 128;
        return count / ((ink.right() - ink.left()) / 0.5);
    };
    // The stem is on the left, the foot at the bottom (small y).
    EXPECT_GT(inkedAcross(ink.top() + 2), 0.8);
    EXPECT_LT(inkedAcross(ink.bottom() - 2), 0.5);
    EXPECT_GT(canvas.alpha({ink.left() + 2, ink.bottom() - 2}), 128);
    EXPECT_EQ(canvas.alpha({ink.right() - 2, ink.bottom() - 2}), 0);
    // A view point is one unit whatever the device's dots per inch.
    QImage dense(10, 10, QImage::Format_ARGB32_Premultiplied);
    dense.setDotsPerMeterY(qRound(144 / 0.0254));
    QImage plain(10, 10, QImage::Format_ARGB32_Premultiplied);
    plain.setDotsPerMeterY(qRound(72 / 0.0254));
    const QFontMetricsF a(paint::font(20, QFont::Normal, &dense), &dense);
    const QFontMetricsF b(paint::font(20, QFont::Normal, &plain), &plain);
    EXPECT_NEAR(a.ascent() + a.descent(), b.ascent() + b.descent(), 1.0);
    EXPECT_GT(a.ascent() + a.descent(), 18);
    EXPECT_LT(a.ascent() + a.descent(), 28);
}

TEST(PaintText, OneWordOnTwoLinesIsOneCentredLineAndLongTextIsCutOnItsLast) {
    EXPECT_EQ(
        paint::fitText(QStringLiteral("Terminal"), 120, paint::font(12, QFont::DemiBold), 2).size(),
        1);

    Canvas canvas(200, 100);
    const QRectF rect(20, 30, 160, 40);
    paint::text(canvas.painter(), QStringLiteral("Terminal"), rect, 12, QFont::DemiBold, Qt::white,
                Qt::AlignHCenter, 2);
    const QRectF ink = canvas.ink();
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_LT(ink.height(), 16);  // one line
    EXPECT_NEAR(ink.center().y(), rect.center().y(), 3);
    EXPECT_NEAR(ink.center().x(), rect.center().x(), 2);

    // Long text wraps, and the last line is cut with an ellipsis.
    const QFont font = paint::font(12, QFont::Normal);
    const QFontMetricsF metrics(font);
    const QString title = QStringLiteral(
        "A very long window title that cannot possibly fit into two short lines of text");
    const QStringList two = paint::fitText(title, 120, font, 2);
    ASSERT_EQ(two.size(), 2);
    EXPECT_TRUE(title.startsWith(two[0]));
    EXPECT_FALSE(two[0].endsWith(QChar(0x2026)));
    EXPECT_TRUE(two[1].endsWith(QChar(0x2026)));
    for (const QString& line : two) EXPECT_LE(metrics.horizontalAdvance(line), 120.5);

    const QStringList one = paint::fitText(title, 120, font, 1);
    ASSERT_EQ(one.size(), 1);
    EXPECT_TRUE(one[0].endsWith(QChar(0x2026)));
    EXPECT_LE(metrics.horizontalAdvance(one[0]), 120.5);

    // Text that fits is left alone.
    EXPECT_EQ(paint::fitText(QStringLiteral("Mail"), 120, font, 1),
              QStringList{QStringLiteral("Mail")});
    EXPECT_TRUE(paint::fitText(QString(), 120, font, 1).isEmpty());
}

TEST(PaintText, AlignmentAndTruncationOnOneLine) {
    for (const Qt::Alignment alignment : {Qt::AlignLeft, Qt::AlignRight}) {
        Canvas canvas(200, 40);
        paint::text(canvas.painter(), QStringLiteral("Mail"), QRectF(10, 10, 180, 20), 12,
                    QFont::Normal, Qt::white, alignment);
        const QRectF ink = canvas.ink();
        EXPECT_NEAR(alignment == Qt::AlignLeft ? ink.left() : ink.right() - 180, 10, 2);
    }

    Canvas cut(200, 40);
    paint::text(cut.painter(), QStringLiteral("An extremely long application name indeed"),
                QRectF(50, 10, 60, 20), 12, QFont::Normal, Qt::white, Qt::AlignLeft);
    EXPECT_GE(cut.ink().left(), 49);
    EXPECT_LE(cut.ink().right(), 111);
}

}  // namespace
}  // namespace tandri
