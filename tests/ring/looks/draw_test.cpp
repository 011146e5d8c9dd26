#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <numbers>
#include <thread>
#include <vector>

#include "ring/draw.h"
#include "ring/pixelshapes.h"
#include "ring/ringscene.h"
#include "support/pixeldifference.h"
#include "support/viewpicture.h"

namespace tandri {
namespace {

using Canvas = test::ViewPicture;
constexpr double pi = std::numbers::pi;

// ---- Geometry ------------------------------------------------------------------------------

TEST(DrawGeometry, ArcsRunCounterClockwiseWithYUp) {
    const QPointF c(100, 100);
    const QPainterPath quarter = Draw::arc(c, 50, 0, pi / 2);
    EXPECT_NEAR(quarter.pointAtPercent(0).x(), 150, 1e-6);
    EXPECT_NEAR(quarter.pointAtPercent(0).y(), 100, 1e-6);
    // Halfway lies up and to the right, not down.
    const QPointF mid = quarter.pointAtPercent(0.5);
    EXPECT_NEAR(mid.x(), 100 + 50 * std::cos(pi / 4), 0.5);
    EXPECT_NEAR(mid.y(), 100 + 50 * std::sin(pi / 4), 0.5);
    EXPECT_NEAR(quarter.pointAtPercent(1).x(), 100, 1e-6);
    EXPECT_NEAR(quarter.pointAtPercent(1).y(), 150, 1e-6);

    // To an earlier angle the arc goes the long way round, through the bottom.
    const QPainterPath longWay = Draw::arc(c, 50, pi / 2, 0);
    EXPECT_NEAR(longWay.pointAtPercent(0.5).x(), 100 - 50 * std::cos(pi / 4), 0.5);
    EXPECT_NEAR(longWay.pointAtPercent(0.5).y(), 100 - 50 * std::sin(pi / 4), 0.5);

    EXPECT_NEAR(Draw::at(c, pi, 10).x(), 90, 1e-9);
    EXPECT_NEAR(Draw::at(c, -pi / 2, 10).y(), 90, 1e-9);
}

TEST(DrawGeometry, PillCornersAreHalfTheHeightUpToFourteen) {
    // Height 22: radius 11; a point 3.5 in from the corner lies inside the curve.
    const QPainterPath small = Draw::pill(QRectF(0, 0, 100, 22));
    EXPECT_TRUE(small.contains(QPointF(3.5, 3.5)));
    EXPECT_FALSE(small.contains(QPointF(1.5, 1.5)));
    EXPECT_TRUE(small.contains(QPointF(50, 0.5)));

    // Height 40: radius 14, not 20: (5, 5) is inside a 14 corner but outside a 20 one.
    const QPainterPath tall = Draw::pill(QRectF(0, 0, 100, 40));
    EXPECT_TRUE(tall.contains(QPointF(5, 5)));
    EXPECT_TRUE(tall.contains(QPointF(95, 35)));
    EXPECT_FALSE(tall.contains(QPointF(2, 2)));
}

TEST(DrawGeometry, AnnulusLeavesTheHoleEmptyAndNothingWhenClosed) {
    Canvas ring(100, 100);
    Draw::fill(ring.painter(), Draw::annulus({50, 50}, 20, 40), Qt::white);
    EXPECT_EQ(ring.alpha({50, 50}), 0);
    EXPECT_EQ(ring.alpha({50, 80}), 255);
    EXPECT_EQ(ring.alpha({50, 95}), 0);

    Canvas closed(100, 100);
    Draw::fill(closed.painter(), Draw::annulus({50, 50}, 30, 30), Qt::white);
    EXPECT_TRUE(closed.blank());
    // Whatever the fill rule.
    QPainterPath winding = Draw::annulus({50, 50}, 30, 30);
    winding.setFillRule(Qt::WindingFill);
    Canvas closedWinding(100, 100);
    Draw::fill(closedWinding.painter(), winding, Qt::white);
    EXPECT_TRUE(closedWinding.blank());
}

TEST(DrawGeometry, OutlineTurnsAnArcIntoABandWithRoundEnds) {
    const QPointF c(0, 0);
    const QPainterPath band = Draw::outline(Draw::arc(c, 100, 0, pi / 2), 56);
    EXPECT_TRUE(band.contains(Draw::at(c, pi / 4, 100)));
    EXPECT_TRUE(band.contains(Draw::at(c, pi / 4, 127)));
    EXPECT_TRUE(band.contains(Draw::at(c, pi / 4, 73)));
    EXPECT_FALSE(band.contains(Draw::at(c, pi / 4, 129)));
    EXPECT_FALSE(band.contains(Draw::at(c, pi / 4, 71)));
    // The round cap reaches 28 beyond the end at angle 0, i.e. below the x axis.
    EXPECT_TRUE(band.contains(QPointF(100, -26)));
    EXPECT_FALSE(band.contains(QPointF(100, -30)));
}

TEST(DrawColors, HexWhiteAndAlpha) {
    const QColor accent = Draw::hex(0x0A84FF, 0.5);
    EXPECT_EQ(accent.red(), 10);
    EXPECT_EQ(accent.green(), 132);
    EXPECT_EQ(accent.blue(), 255);
    EXPECT_NEAR(accent.alphaF(), 0.5, 0.01);
    EXPECT_EQ(Draw::hex(0xFF0000).alpha(), 255);

    const QColor grey = Draw::white(0.08, 0.82);
    EXPECT_EQ(grey.red(), grey.blue());
    EXPECT_NEAR(grey.redF(), 0.08, 0.005);
    EXPECT_NEAR(grey.alphaF(), 0.82, 0.005);

    const QColor replaced = Draw::withAlpha(Draw::white(1.0, 0.75), 0.6);
    EXPECT_NEAR(replaced.alphaF(), 0.6, 0.005);
    EXPECT_EQ(replaced.red(), 255);
}

TEST(DrawPainting, StrokesAreRoundCappedAndDashedInPoints) {
    Canvas solid(100, 40);
    Draw::stroke(solid.painter(), Draw::line({20, 20}, {80, 20}), Qt::white, 4);
    EXPECT_EQ(solid.alpha({50, 20}), 255);
    EXPECT_GT(solid.alpha({18.6, 20}), 100);  // round cap past the end
    EXPECT_EQ(solid.alpha({15, 20}), 0);

    // Dash (2, 6) at width 1: on from 0 to 2 (+ caps), off from 2.5 to 7.5, every 8 points.
    Canvas dashed(100, 40);
    Draw::stroke(dashed.painter(), Draw::line({10, 20}, {90, 20}), Qt::white, 1, {2, 6});
    for (int k = 0; k < 9; ++k) {
        EXPECT_GT(dashed.alpha({10.0 + 8 * k + 1, 20}), 100) << k;
        EXPECT_EQ(dashed.alpha({10.0 + 8 * k + 5, 20}), 0) << k;
    }
    // No width: nothing.
    Canvas none(100, 40);
    Draw::stroke(none.painter(), Draw::line({10, 20}, {90, 20}), Qt::white, 0);
    EXPECT_TRUE(none.blank());
}

TEST(DrawPainting, RadialFillsOnlyBetweenItsCircles) {
    Canvas canvas(200, 200);
    Draw::radial(canvas.painter(), {QColor(255, 0, 0, 255), QColor(255, 0, 0, 0)}, {0, 1},
                 {100, 100}, 20, 60);
    EXPECT_EQ(canvas.alpha({100, 100}), 0);    // inside the inner circle
    EXPECT_GT(canvas.alpha({100, 122}), 220);  // just past the inner circle
    EXPECT_LT(canvas.alpha({100, 155}), 40);   // fading toward the outer one
    EXPECT_EQ(canvas.alpha({100, 162}), 0);    // beyond it
    EXPECT_EQ(canvas.at({100, 122}).red(), 255);

    Canvas broken(200, 200);
    Draw::radial(broken.painter(), {Qt::red, Qt::blue}, {0}, {100, 100}, 0, 60);
    Draw::radial(broken.painter(), {Qt::red}, {}, {100, 100}, 50, 40);
    EXPECT_TRUE(broken.blank());
}

TEST(DrawPainting, ImagesStayUprightAndFade) {
    QImage picture(20, 20, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::blue);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 20; ++x) picture.setPixel(x, y, qRgb(255, 0, 0));  // top half red
    }
    Canvas canvas(100, 100);
    Draw::image(canvas.painter(), picture, QRectF(20, 20, 40, 40));
    EXPECT_EQ(canvas.at(40, 50).red(), 255);  // upper half (larger y) is the image's top
    EXPECT_EQ(canvas.at(40, 30).blue(), 255);
    EXPECT_EQ(canvas.alpha({10, 10}), 0);

    Canvas faded(100, 100);
    Draw::image(faded.painter(), picture, QRectF(20, 20, 40, 40), 0.5);
    EXPECT_NEAR(faded.alpha({40, 40}), 128, 2);

    Canvas missing(100, 100);
    Draw::image(missing.painter(), QImage(), QRectF(20, 20, 40, 40));
    EXPECT_TRUE(missing.blank());
}

// ---- Round shapes computed straight into the bitmap --------------------------------------------

// The same drawing through Qt's paths: a plain ARGB32 bitmap is not drawn into directly.
QImage throughPaths(const std::function<void(QPainter&)>& draw) {
    QImage image(400, 400, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    painter.scale(2, 2);
    painter.translate(0, 200);
    painter.scale(1, -1);
    draw(painter);
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

TEST(DrawRound, RingsAndLinesLookAsTheirPathsDo) {
    const QPointF c(100, 100);
    const std::vector<std::function<void(QPainter&)>> drawings = {
        [c](QPainter& p) { Draw::ring(p, c, 40, 90, QColor(255, 255, 255, 100)); },
        [c](QPainter& p) { Draw::ring(p, c, 0, 70, QColor(28, 28, 30)); },
        [c](QPainter& p) { Draw::circleLine(p, c, 80, 1.3, QColor(255, 255, 255, 200)); },
        [c](QPainter& p) {
            Draw::radial(
                p, {QColor(255, 237, 199, 0), QColor(255, 237, 199, 230), QColor(255, 237, 199, 0)},
                {0, 0.5, 1}, c, 60, 95);
        },
    };
    for (size_t i = 0; i < drawings.size(); ++i) {
        Canvas direct(200, 200);
        drawings[i](direct.painter());
        const QImage paths = throughPaths(drawings[i]);
        ASSERT_EQ(direct.image().size(), paths.size());
        // Only antialiased edge pixels may differ, and only a little (Qt's paths follow the
        // circle in short straight pieces).
        const auto [largest, over] = test::pixelDifference(direct.image(), paths, 24);
        EXPECT_LT(largest, 80) << i;
        EXPECT_LT(over, 150) << i;
        EXPECT_FALSE(direct.blank()) << i;
    }
}

TEST(DrawRound, RadialGradientsAgreeWithQtWhereverTheirCentreFalls) {
    // One quarter is computed and mirrored, about the centre moved to the nearest half device
    // pixel: wherever the centre falls, the picture must be Qt's gradient about that point on
    // every side, for a soft disc and for a ring with a hard inner edge, and a soft one must
    // not tell the move at all.
    const std::vector<QColor> sky{QColor(11, 21, 48, 217), QColor(11, 21, 48, 140),
                                  QColor(11, 21, 48, 0)};
    const std::vector<QColor> band{QColor(255, 200, 100, 200), QColor(255, 200, 100, 0)};
    for (const double fx : {0.0, 0.13, 0.25, 0.38}) {
        for (const double fy : {0.0, 0.2, 0.31}) {
            SCOPED_TRACE(testing::Message() << fx << ", " << fy);
            const QPointF c(100 + fx, 100 - fy);
            // Half device pixels at scale 2 are quarter points.
            const QPointF snapped(std::round(c.x() * 4) / 4, std::round(c.y() * 4) / 4);
            Canvas disc(200, 200);
            Draw::radial(disc.painter(), sky, {0, 0.75, 1}, c, 0, 90);
            const auto [discLargest, discOver] =
                test::pixelDifference(disc.image(), throughPaths([&](QPainter& p) {
                                          Draw::radial(p, sky, {0, 0.75, 1}, c, 0, 90);
                                      }),
                                      2);
            EXPECT_LE(discLargest, 4);
            EXPECT_LT(discOver, 40);

            Canvas ring(200, 200);
            Draw::radial(ring.painter(), band, {0, 1}, c, 40, 90);
            const auto [ringLargest, ringOver] =
                test::pixelDifference(ring.image(), throughPaths([&](QPainter& p) {
                                          Draw::radial(p, band, {0, 1}, snapped, 40, 90);
                                      }),
                                      24);
            EXPECT_LT(ringLargest, 80);
            EXPECT_LT(ringOver, 150);
            EXPECT_EQ(ring.alpha(c), 0);
            for (const QPointF side :
                 {QPointF(0, 41), QPointF(0, -41), QPointF(41, 0), QPointF(-41, 0)}) {
                EXPECT_GT(ring.alpha(c + side), 180);
            }
        }
    }
}

TEST(DrawRound, RadialGradientPiecesMatchTheWholeAndHugeOnesStillDraw) {
    // A frame redrawn in pieces: each piece, drawn on its own with the gradient kept from the
    // whole, is that part of the whole to the bit, also where it crosses the middle row or
    // column, where the quarter's mirror images meet.
    const std::vector<QColor> colors{QColor(11, 21, 48, 217), QColor(11, 21, 48, 140),
                                     QColor(11, 21, 48, 0)};
    const QPointF c(100.3, 99.8);
    Canvas whole(200, 200);
    Draw::radial(whole.painter(), colors, {0, 0.75, 1}, c, 0, 90);
    const QImage picture = whole.image();
    for (const QRect piece : {QRect(150, 160, 90, 70), QRect(0, 0, 400, 30), QRect(30, 370, 60, 30),
                              QRect(199, 100, 3, 300), QRect(300, 150, 100, 99)}) {
        SCOPED_TRACE(testing::Message() << piece.x() << "," << piece.y());
        QImage part(piece.size(), QImage::Format_ARGB32_Premultiplied);
        part.fill(Qt::transparent);
        QPainter painter(&part);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(-piece.x(), -piece.y());
        painter.scale(2, 2);
        painter.translate(0, 200);
        painter.scale(1, -1);
        Draw::radial(painter, colors, {0, 0.75, 1}, c, 0, 90);
        painter.end();
        EXPECT_EQ(part, picture.copy(piece));
    }

    // Far larger than any screen: drawn where it shows, nothing kept for it.
    Canvas huge(200, 200);
    Draw::radial(huge.painter(), {Qt::red, Qt::blue}, {0, 1}, {100, 100}, 0, 5000);
    EXPECT_EQ(huge.at({100, 100}).red(), 255);
    EXPECT_GT(huge.alpha({0.5, 0.5}), 250);
}

TEST(DrawRound, DiscsAreSolidToTheCentreAndRingsHollow) {
    Canvas canvas(200, 200);
    Draw::ring(canvas.painter(), {50, 50}, 0, 3, Qt::white);
    Draw::ring(canvas.painter(), {150, 150}, 20, 40, Qt::white);
    EXPECT_EQ(canvas.alpha({50, 50}), 255);
    EXPECT_EQ(canvas.alpha({50.4, 50.2}), 255);
    EXPECT_EQ(canvas.alpha({50, 54}), 0);
    EXPECT_EQ(canvas.alpha({150, 150}), 0);
    EXPECT_EQ(canvas.alpha({150, 180}), 255);
    EXPECT_EQ(canvas.alpha({150, 192}), 0);

    Canvas nothing(100, 100);
    Draw::ring(nothing.painter(), {50, 50}, 30, 20, Qt::white);
    Draw::ring(nothing.painter(), {50, 50}, 0, 20, Qt::transparent);
    Draw::circleLine(nothing.painter(), {50, 50}, 20, 0, Qt::white);
    EXPECT_TRUE(nothing.blank());
}

TEST(DrawRound, ArcsEndInRoundCapsAndDashesLeaveGaps) {
    const QPointF c(100, 100);
    Canvas arc(200, 200);
    // A quarter from the right to the top, 6 wide.
    Draw::circleLine(arc.painter(), c, 60, 6, Qt::white, 0, pi / 2);
    EXPECT_EQ(arc.alpha(Draw::at(c, pi / 4, 60)), 255);
    EXPECT_EQ(arc.alpha(Draw::at(c, pi, 60)), 0);
    EXPECT_EQ(arc.alpha(Draw::at(c, 3 * pi / 4, 60)), 0);
    // The cap reaches half the width beyond the end, round: not at its corners.
    EXPECT_GT(arc.alpha({160, 98}), 200);
    EXPECT_EQ(arc.alpha({160, 95.5}), 0);
    EXPECT_EQ(arc.alpha({163, 96}), 0);

    // To an earlier angle it goes the long way round, as `arc` does.
    Canvas longWay(200, 200);
    Draw::circleLine(longWay.painter(), c, 60, 6, Qt::white, pi / 2, 0);
    EXPECT_EQ(longWay.alpha(Draw::at(c, pi, 60)), 255);
    EXPECT_EQ(longWay.alpha(Draw::at(c, pi / 4, 60)), 0);

    // Dashes of 4 every 12 points from the start, round-capped.
    Canvas dashed(200, 200);
    Draw::circleLine(dashed.painter(), c, 60, 2, Qt::white, 0, 0, 4, 8);
    EXPECT_EQ(dashed.alpha(Draw::at(c, 2.0 / 60, 60)), 255);   // in the first dash
    EXPECT_EQ(dashed.alpha(Draw::at(c, 8.0 / 60, 60)), 0);     // in the first gap
    EXPECT_EQ(dashed.alpha(Draw::at(c, 14.0 / 60, 60)), 255);  // in the second dash
    EXPECT_EQ(dashed.alpha(Draw::at(c, 2.0 / 60, 63)), 0);     // beside the line
}

TEST(DrawRound, ShapesCentredBeyondTheBitmapLeaveEveryOtherPixelAlone) {
    // A ring and a dashed circle whose centre lies left of the bitmap (a ring at the screen's
    // edge, or a piece of the picture drawn on its own): their right-hand parts show, and
    // nothing wraps onto the other end of a row.
    for (const double cx : {-40.0, -120.0}) {
        Canvas canvas(200, 200);
        Draw::ring(canvas.painter(), {cx, 100}, 100, 140, QColor(255, 255, 255, 120));
        Draw::circleLine(canvas.painter(), {cx, 100}, 150, 2, Qt::white, 0, 0, 4, 8);
        const QImage& image = canvas.image();
        int shown = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                // Device pixels are half points; y is flipped, which a circle does not mind.
                const double d = std::hypot((x + 0.5) / 2 - cx, (y + 0.5) / 2 - 100);
                const bool near = (d > 99 && d < 141) || (d > 148 && d < 152);
                if (qAlpha(image.pixel(x, y)) > 0) {
                    ++shown;
                    ASSERT_TRUE(near) << cx << ": " << x << "," << y;
                }
            }
        }
        EXPECT_GT(shown, 1000) << cx;
    }
}

// Draws `paint` into a bitmap still holding an earlier picture (an opaque pattern), as a frame
// is drawn, and returns the result.
QImage drawnOverLeftovers(const std::function<void(QPainter&)>& paint) {
    QImage image(400, 300, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = 0xff000000u | static_cast<QRgb>((x * 2654435761u) ^ (y * 40503u));
    }
    image.setDevicePixelRatio(2);
    {
        const PixelShapes::Uncleared uncleared(image);
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform |
                               QPainter::TextAntialiasing);
        painter.translate(0, 150);
        painter.scale(1, -1);
        paint(painter);
    }
    return image;
}

TEST(DrawRound, WhatIsDrawnFirstClearsAFrameLeftFromBefore) {
    // A frame keeps the picture of an earlier one until what is drawn first clears it: a round
    // shape row by row as it draws (on one thread or two), anything else whole; and if nothing
    // is drawn, it is cleared all the same. Every case must equal drawing on a cleared bitmap.
    const QColor soft(255, 255, 255, 120);
    const std::vector<std::pair<const char*, std::function<void(QPainter&)>>> cases = {
        {"small ring, then a rectangle",
         [&](QPainter& p) {
             Draw::ring(p, {100, 75}, 20, 30, soft);
             Draw::fill(p, Draw::pill(QRectF(10, 10, 60, 20)), Qt::red);
         }},
        {"large ring shared by two threads",
         [&](QPainter& p) {
             Draw::ring(p, {100, 75}, 10, 140, soft);
         }},
        {"gradient, then text",
         [&](QPainter& p) {
             Draw::radial(p, {QColor(0, 0, 255, 200), QColor(0, 0, 255, 0)}, {0, 1}, {90, 80}, 20,
                          60);
             Draw::text(p, QStringLiteral("Mail"), QRectF(60, 60, 80, 30), 14, QFont::Bold,
                        Qt::white, Qt::AlignHCenter);
         }},
        {"dashed circle beyond the bitmap, then a glow",
         [&](QPainter& p) {
             Draw::circleLine(p, {-300, 75}, 20, 2, Qt::white, 0, 0, 4, 4);
             Draw::glow(p, Qt::black, 8, {}, [](QPainter& q) {
                 Draw::fill(q, Draw::circle({100, 75}, 20), Qt::white);
             });
         }},
        {"invisible ring, then a line",
         [&](QPainter& p) {
             Draw::ring(p, {100, 75}, 20, 30, QColor(255, 255, 255, 0));
             Draw::circleLine(p, {100, 75}, 40, 3, Qt::green, 0, pi);
         }},
        {"stepped arc first",
         [&](QPainter& p) {
             Draw::steppedArc(p, {100, 75}, 50, 2, Qt::white, 0, pi, {0.5, 1, 0.5}, {0.2, 0.4, 0.2},
                              8);
         }},
        {"a picture first",
         [&](QPainter& p) {
             QImage dot(10, 10, QImage::Format_ARGB32_Premultiplied);
             dot.fill(QColor(0, 128, 0, 128));
             Draw::image(p, dot, QRectF(20, 20, 30, 30));
         }},
        {"nothing",
         [](QPainter&) {
         }},
    };
    for (const auto& [name, paint] : cases) {
        Draw::clearCaches();
        Canvas cleared(200, 150);
        paint(cleared.painter());
        Draw::clearCaches();
        const QImage over = drawnOverLeftovers(paint);
        EXPECT_EQ(over, cleared.image()) << name;
    }
}

TEST(DrawRound, PaintersThatCannotBeDrawnIntoDirectlyStillGetTheShape) {
    // Clipped: the clip holds, through Qt's own path.
    Canvas clipped(200, 200);
    clipped.painter().setClipRect(QRectF(0, 0, 100, 200));
    Draw::ring(clipped.painter(), {100, 100}, 0, 50, Qt::white);
    EXPECT_EQ(clipped.alpha({70, 100}), 255);
    EXPECT_EQ(clipped.alpha({130, 100}), 0);

    // Faded by the painter's opacity, as a path would be.
    Canvas faded(200, 200);
    faded.painter().setOpacity(0.5);
    Draw::circleLine(faded.painter(), {100, 100}, 50, 6, Qt::white);
    EXPECT_NEAR(faded.alpha({150, 100}), 128, 2);
}

// Eight steps round the upper half of a circle of 100 about (150, 150), the fourth dark.
void steps(QPainter& p, QPointF c = {150, 150}) {
    std::vector<double> alphas(8, 0.8);
    std::vector<double> glows(8, 0.3);
    alphas[3] = 0;
    glows[3] = 0;
    Draw::steppedArc(p, c, 100, 3, Qt::white, 0, pi, alphas, glows, 8);
}

TEST(DrawRound, SteppedArcsGlowAlongTheirSteps) {
    Draw::clearCaches();
    const QPointF c(150, 150);
    Canvas canvas(300, 300);
    steps(canvas.painter());
    const double step = pi / 8;
    // On the line of a bright step: the line over its glow.
    EXPECT_GT(canvas.alpha(Draw::at(c, 1.5 * step, 100)), 0.8 * 255);
    // The dark step is dark in its middle: its neighbours' glow fades within a few points.
    EXPECT_LT(canvas.alpha(Draw::at(c, 3.5 * step, 100)), 3);
    EXPECT_GT(canvas.alpha(Draw::at(c, 3 * step + 1.5 / 100, 100)), 5);
    // Beside the line the glow fades outward and inward alike.
    const int near = canvas.alpha(Draw::at(c, 1.5 * step, 104));
    const int far = canvas.alpha(Draw::at(c, 1.5 * step, 109));
    EXPECT_GT(near, far);
    EXPECT_GT(far, 0);
    EXPECT_NEAR(canvas.alpha(Draw::at(c, 1.5 * step, 96)), near, 2);
    EXPECT_EQ(canvas.alpha(Draw::at(c, 1.5 * step, 116)), 0);
    // The glow runs a little past the ends, the line does not.
    EXPECT_GT(canvas.alpha(Draw::at(c, -1.5 / 100, 100)), 0);
    EXPECT_LT(canvas.alpha(Draw::at(c, -1.5 / 100, 100)), 30);
    EXPECT_EQ(canvas.alpha(Draw::at(c, -20.0 / 100, 100)), 0);
    EXPECT_EQ(canvas.alpha(Draw::at(c, -pi / 2, 100)), 0);

    // Faded by the painter.
    Canvas faded(300, 300);
    faded.painter().setOpacity(0.5);
    steps(faded.painter());
    EXPECT_NEAR(faded.alpha(Draw::at(c, 1.5 * step, 100)),
                canvas.alpha(Draw::at(c, 1.5 * step, 100)) / 2.0, 2);

    // Clipped, through a picture: the same to within rounding, and the clip holds.
    Canvas clipped(300, 300);
    clipped.painter().setClipRect(QRectF(0, 0, 300, 200));
    steps(clipped.painter());
    Canvas upper(300, 300);
    steps(upper.painter());
    EXPECT_EQ(clipped.alpha(Draw::at(c, pi / 2, 100)), 0);  // (150, 250) is clipped off
    int compared = 0;
    for (double a = 0.1; a < pi - 0.1; a += 0.05) {
        for (const double d : {-6.0, -2.0, 0.0, 1.0, 5.0}) {
            const QPointF p = Draw::at(c, a, 100 + d);
            if (p.y() > 195)
                continue;
            ++compared;
            EXPECT_NEAR(clipped.alpha(p), upper.alpha(p), 2) << a << " " << d;
        }
    }
    EXPECT_GT(compared, 50);

    // Nothing for steps that do not add up or an arc that runs nowhere.
    Canvas nothing(300, 300);
    Draw::steppedArc(nothing.painter(), c, 100, 3, Qt::white, 0, pi, {0.5, 0.5}, {0.3}, 8);
    Draw::steppedArc(nothing.painter(), c, 100, 3, Qt::white, 0, pi, {}, {}, 8);
    Draw::steppedArc(nothing.painter(), c, 100, 3, Qt::white, 1, 1, {0.5}, {0.3}, 8);
    Draw::steppedArc(nothing.painter(), c, 0, 3, Qt::white, 0, pi, {0.5}, {0.3}, 8);
    EXPECT_TRUE(nothing.blank());
}

TEST(DrawRound, SteppedArcsKeptFromFrameToFrameLookAsIfDrawnAfresh) {
    const QPointF c(150, 150);
    // Drawn fresh at a centre a quarter pixel off, then again at the first centre: what was
    // kept for one centre must not stand in for the other.
    for (const double shift : {0.0, 0.125}) {
        Draw::clearCaches();
        Canvas fresh(300, 300);
        steps(fresh.painter(), c + QPointF(shift, shift));
        Draw::clearCaches();
        Canvas other(300, 300);
        steps(other.painter(), c + QPointF(0.125 - shift, 0.125 - shift));
        Canvas kept(300, 300);
        steps(kept.painter(), c + QPointF(shift, shift));
        EXPECT_EQ(kept.image(), fresh.image()) << shift;
        EXPECT_NE(other.image(), fresh.image()) << shift;
    }

    // A piece of the picture drawn on its own, as when the pointer moves along the chips,
    // is that part of the whole, pixel for pixel: from the kept shape and computed afresh.
    for (const bool afresh : {false, true}) {
        Draw::clearCaches();
        Canvas whole(300, 300);
        steps(whole.painter());
        if (afresh)
            Draw::clearCaches();
        // The piece shows view x 40…100, y 150…190 (y up).
        Canvas piece(60, 40);
        piece.painter().translate(-40, -150);
        steps(piece.painter());
        const QImage part = whole.image().copy(80, 220, 120, 80);
        EXPECT_EQ(piece.image().convertToFormat(QImage::Format_ARGB32_Premultiplied),
                  part.convertToFormat(QImage::Format_ARGB32_Premultiplied))
            << afresh;
        EXPECT_FALSE(piece.blank());
    }
}

TEST(DrawRound, LargeSteppedArcsComputedTwoPixelsAtATimeMatchOnePixelAtATime) {
    // Arcs large enough for the pixels far from their line to be computed in pairs (cards'
    // arcs at scale 2), of every width, blur, colour and span, wherever their centre falls:
    // the same picture to the bit as one pixel at a time.
    std::srand(11);
    const auto random = [] {
        return std::rand() / double(RAND_MAX);
    };
    int lit = 0;
    for (int i = 0; i < 24; ++i) {
        SCOPED_TRACE(i);
        const double scale = i % 3 == 0 ? 1 : 2;
        const QPointF c(100 + 500 * random(), 100 + 400 * random());
        const double radius = 250 + 350 * random();
        const double from = 6.2 * random() - 3.1;
        const double to = from + 0.3 + 5.5 * random();
        const int count = 4 + static_cast<int>(36 * random());
        std::vector<double> alphas(static_cast<size_t>(count));
        std::vector<double> glows(static_cast<size_t>(count));
        for (int k = 0; k < count; ++k) {
            alphas[static_cast<size_t>(k)] = random();
            glows[static_cast<size_t>(k)] = 0.6 * random();
        }
        const double width = 0.5 + 4 * random();
        const double blur = 1 + 20 * random();
        const QColor color(int(255 * random()), int(255 * random()), int(255 * random()),
                           40 + int(215 * random()));
        std::array<QImage, 2> pictures;
        for (const bool one : {true, false}) {
            PixelShapes::computeArcsOnePixelAtATime(one);
            Draw::clearCaches();
            Canvas canvas(700, 600, scale);
            Draw::steppedArc(canvas.painter(), c, radius, width, color, from, to, alphas, glows,
                             blur);
            pictures[one ? 0 : 1] = canvas.image();
        }
        PixelShapes::computeArcsOnePixelAtATime(false);
        ASSERT_EQ(pictures[1], pictures[0]);
        for (int y = 0; y < pictures[0].height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(pictures[0].constScanLine(y));
            lit += static_cast<int>(std::count_if(line, line + pictures[0].width(),
                                                  [](QRgb p) { return qAlpha(p) > 0; }));
        }
    }
    // Faint glow far from the line makes up most of these pictures.
    EXPECT_GT(lit, 500'000);
}

TEST(DrawShape, PicturesOfOneShapeShareAKeyAndAShadow) {
    Draw::clearCaches();
    const auto picture = [](const QColor& colour, bool round) {
        QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        if (round)
            p.drawEllipse(QRectF(4, 4, 56, 56));
        else
            p.drawRoundedRect(QRectF(4, 4, 56, 56), 12, 12);
        return image;
    };
    const QImage red = picture(Qt::red, false);
    const QImage blue = picture(Qt::blue, false);
    const QImage disc = picture(Qt::red, true);
    EXPECT_EQ(Draw::shapeKey(red), Draw::shapeKey(blue));
    EXPECT_NE(Draw::shapeKey(red), Draw::shapeKey(disc));
    EXPECT_NE(Draw::shapeKey(red), Draw::shapeKey(red.copy(0, 0, 60, 64)));
    EXPECT_EQ(Draw::shapeKey(QImage()), 0u);

    // Two icons of one shape cast one shadow between them.
    const quint64 before = Draw::glowBlurCount();
    Canvas canvas(200, 100);
    for (const auto& [image, x] : {std::pair{red, 20.0}, std::pair{blue, 120.0}}) {
        const QRectF rect(x, 30, 40, 40);
        Draw::glow(
            canvas.painter(), QColor(0, 0, 0, 128), 8, {},
            [&image, rect](QPainter& p) { Draw::image(p, image, rect); }, Draw::shapeKey(image),
            rect.topLeft());
    }
    EXPECT_EQ(Draw::glowBlurCount(), before + 1);
    EXPECT_NEAR(canvas.alpha({40, 27}), canvas.alpha({140, 27}), 3);
    EXPECT_GT(canvas.alpha({40, 27}), 10);
}

// A card as the ring composes one: a blurred shadow, a fill, a picture cut to a rounded
// rect and a border, each of which the primitives cache.
QImage composedCard(const QImage& picture, double y) {
    Canvas canvas(220, 160);
    QPainter& p = canvas.painter();
    const QRectF rect(30, y, 160, 100);
    QPainterPath path;
    path.addRoundedRect(rect, 8, 8);
    Draw::glow(
        p, QColor(0, 0, 0, 110), 14, QPointF(0, -3),
        [&path](QPainter& q) { Draw::fill(q, path, QColor(40, 40, 40)); }, 0x5eed'0001,
        rect.topLeft());
    p.save();
    p.setClipPath(path);
    Draw::image(p, picture, rect.adjusted(0, -10, 0, 10));
    p.restore();
    Draw::stroke(p, path, Qt::white, 1.5);
    return canvas.image();
}

TEST(DrawPainting, WorkAsideKeepsItsOwnCachesAndDrawsWhatTheFrameThreadDraws) {
    Draw::clearCaches();
    QImage picture(160, 120, QImage::Format_ARGB32_Premultiplied);
    picture.fill(QColor(90, 140, 210));
    const QImage expected = composedCard(picture, 30);

    // On another thread, with caches of its own, while this thread draws the same cards:
    // every picture equals the one drawn alone, again and again.
    constexpr int rounds = 40;
    std::vector<QImage> aside(rounds);
    const quint64 before = Draw::glowBlurCount();
    std::thread other([&] {
        const Draw::AsideCaches own;
        for (QImage& card : aside) card = composedCard(picture, 30);
    });
    std::vector<QImage> here(rounds);
    for (QImage& card : here) card = composedCard(picture, 30);
    other.join();
    for (int i = 0; i < rounds; ++i) {
        EXPECT_EQ(aside[static_cast<size_t>(i)], expected) << i;
        EXPECT_EQ(here[static_cast<size_t>(i)], expected) << i;
    }
    // The shadow was cached on this thread already, and blurred once more aside.
    EXPECT_EQ(Draw::glowBlurCount(), before + 1);

    // Forgetting the caches forgets the ones aside too: the shadow is blurred again there.
    Draw::clearCaches();
    const quint64 cleared = Draw::glowBlurCount();
    std::thread([&] {
        const Draw::AsideCaches own;
        composedCard(picture, 30);
        composedCard(picture, 30);
    }).join();
    EXPECT_EQ(Draw::glowBlurCount(), cleared + 1);
    composedCard(picture, 30);
    EXPECT_EQ(Draw::glowBlurCount(), cleared + 2);
}

TEST(DrawPainting, ImagesDrawnAgainAtOneSizeLookTheSame) {
    Draw::clearCaches();
    QImage picture(100, 60, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::white);
    QPainter p(&picture);
    p.fillRect(QRect(0, 0, 30, 60), QColor(90, 140, 210));
    p.end();
    QImage first;
    // The first frames scale it, later ones copy what was scaled.
    for (int frame = 0; frame < 3; ++frame) {
        Canvas canvas(100, 100);
        Draw::image(canvas.painter(), picture, QRectF(10.2, 20, 48, 29), 0.8);
        if (frame == 0)
            first = canvas.image();
        else
            EXPECT_LE(test::pixelDifference(first, canvas.image(), 2).largest, 2) << frame;
    }
}

// ---- Text ----------------------------------------------------------------------------------

TEST(DrawText, LettersAreUpright) {
    Canvas canvas(120, 120);
    Draw::text(canvas.painter(), QStringLiteral("L"), QRectF(10, 10, 100, 100), 60, QFont::Bold,
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
}

TEST(DrawText, SizesAreViewPoints) {
    // A view point is one unit whatever the device's dots per inch.
    QImage dense(10, 10, QImage::Format_ARGB32_Premultiplied);
    dense.setDotsPerMeterY(qRound(144 / 0.0254));
    QImage plain(10, 10, QImage::Format_ARGB32_Premultiplied);
    plain.setDotsPerMeterY(qRound(72 / 0.0254));
    const QFontMetricsF a(Draw::font(20, QFont::Normal, &dense), &dense);
    const QFontMetricsF b(Draw::font(20, QFont::Normal, &plain), &plain);
    EXPECT_NEAR(a.ascent() + a.descent(), b.ascent() + b.descent(), 1.0);
    EXPECT_GT(a.ascent() + a.descent(), 18);
    EXPECT_LT(a.ascent() + a.descent(), 28);
}

TEST(DrawText, OneWordOnTwoLinesIsOneCentredLine) {
    const QFont font = Draw::font(12, QFont::DemiBold);
    EXPECT_EQ(Draw::fitText(QStringLiteral("Terminal"), 120, font, 2).size(), 1);

    Canvas canvas(200, 100);
    const QRectF rect(20, 30, 160, 40);
    Draw::text(canvas.painter(), QStringLiteral("Terminal"), rect, 12, QFont::DemiBold, Qt::white,
               Qt::AlignHCenter, 2);
    const QRectF ink = canvas.ink();
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_LT(ink.height(), 16);  // one line
    EXPECT_NEAR(ink.center().y(), rect.center().y(), 3);
    EXPECT_NEAR(ink.center().x(), rect.center().x(), 2);
}

TEST(DrawText, LongTextWrapsAndTruncatesTheLastLine) {
    const QFont font = Draw::font(12, QFont::Normal);
    const QFontMetricsF metrics(font);
    const QString title = QStringLiteral(
        "A very long window title that cannot possibly fit into two short lines of text");
    const QStringList two = Draw::fitText(title, 120, font, 2);
    ASSERT_EQ(two.size(), 2);
    EXPECT_TRUE(title.startsWith(two[0]));
    EXPECT_FALSE(two[0].endsWith(QChar(0x2026)));
    EXPECT_TRUE(two[1].endsWith(QChar(0x2026)));
    for (const QString& line : two) EXPECT_LE(metrics.horizontalAdvance(line), 120.5);

    const QStringList one = Draw::fitText(title, 120, font, 1);
    ASSERT_EQ(one.size(), 1);
    EXPECT_TRUE(one[0].endsWith(QChar(0x2026)));
    EXPECT_LE(metrics.horizontalAdvance(one[0]), 120.5);

    // Text that fits is left alone.
    EXPECT_EQ(Draw::fitText(QStringLiteral("Mail"), 120, font, 1),
              QStringList{QStringLiteral("Mail")});
    EXPECT_TRUE(Draw::fitText(QString(), 120, font, 1).isEmpty());
}

TEST(DrawText, AlignmentAndTruncationOnOneLine) {
    Canvas left(200, 40);
    Draw::text(left.painter(), QStringLiteral("Mail"), QRectF(10, 10, 180, 20), 12, QFont::Normal,
               Qt::white, Qt::AlignLeft);
    EXPECT_NEAR(left.ink().left(), 10, 2);
    Canvas right(200, 40);
    Draw::text(right.painter(), QStringLiteral("Mail"), QRectF(10, 10, 180, 20), 12, QFont::Normal,
               Qt::white, Qt::AlignRight);
    EXPECT_NEAR(right.ink().right(), 190, 2);

    Canvas cut(200, 40);
    Draw::text(cut.painter(), QStringLiteral("An extremely long application name indeed"),
               QRectF(50, 10, 60, 20), 12, QFont::Normal, Qt::white, Qt::AlignLeft);
    EXPECT_GE(cut.ink().left(), 49);
    EXPECT_LE(cut.ink().right(), 111);
}

// ---- Label ---------------------------------------------------------------------------------

struct LabelScene {
    LabelScene() {
        RingApp app;
        app.name = QStringLiteral("Safari");
        apps.push_back(app);
        scene.center = {150, 100};
        scene.layout = RingLayout(8);
        scene.apps = apps;
        scene.selectedApp = 0;
    }
    std::vector<RingApp> apps;
    RingScene scene;
};

TEST(DrawLabel, OneLinePillFitsTheName) {
    LabelScene s;
    Canvas canvas(300, 200);
    QRectF card;
    Draw::label(canvas.painter(), s.scene, {150, 100}, 200, Qt::white, Qt::gray, std::nullopt,
                [&card](QPainter&, const QRectF& r) { card = r; });
    const QFontMetricsF metrics(Draw::font(12, QFont::DemiBold, canvas.painter().device()),
                                canvas.painter().device());
    EXPECT_NEAR(card.width(), metrics.horizontalAdvance(QStringLiteral("Safari")) + 28, 0.01);
    EXPECT_EQ(card.height(), 26);
    EXPECT_NEAR(card.center().x(), 150, 1e-9);
    EXPECT_NEAR(card.y(), 87, 1e-9);
    const QRectF ink = canvas.ink();
    EXPECT_TRUE(card.contains(ink)) << ink.x() << " " << ink.width();

    // Capped at maxWidth.
    s.apps[0].name = QStringLiteral("A very long application name that does not fit");
    Canvas narrow(300, 200);
    Draw::label(narrow.painter(), s.scene, {150, 100}, 120, Qt::white, Qt::gray, std::nullopt,
                [&card](QPainter&, const QRectF& r) { card = r; });
    EXPECT_EQ(card.width(), 120);
    EXPECT_GE(narrow.ink().left(), 150 - 60 + 11);
    EXPECT_LE(narrow.ink().right(), 150 + 60 - 11);
}

TEST(DrawLabel, WindowTitleMakesATwoLineCardAndTruncatesTheName) {
    LabelScene s;
    s.apps[0].name = QStringLiteral("An application whose name is far too long for the card");
    s.scene.windowTitle = QStringLiteral("Report.txt");
    Canvas canvas(300, 200);
    QRectF card;
    Draw::label(canvas.painter(), s.scene, {150, 100}, 100, Qt::white, Qt::white, std::nullopt,
                [&card](QPainter&, const QRectF& r) { card = r; });
    EXPECT_EQ(card, QRectF(100, 70, 100, 60));
    // The name is cut with an ellipsis into the card's inner width, on one line.
    const QStringList name =
        Draw::fitText(s.apps[0].name, 80, Draw::font(10, QFont::Medium, canvas.painter().device()),
                      1, canvas.painter().device());
    ASSERT_EQ(name.size(), 1);
    EXPECT_TRUE(name[0].endsWith(QChar(0x2026)));
    const QRectF ink = canvas.ink();
    EXPECT_GE(ink.left(), 109);
    EXPECT_LE(ink.right(), 191);
    // The name sits in the upper band (y from 108 to 122), the title below it.
    EXPECT_GT(canvas.ink().bottom(), 112);
}

TEST(DrawLabel, NothingWithoutAnAimedEntry) {
    LabelScene s;
    s.scene.selectedApp.reset();
    Canvas canvas(300, 200);
    bool called = false;
    Draw::label(canvas.painter(), s.scene, {150, 100}, 100, Qt::white, Qt::white, std::nullopt,
                [&called](QPainter&, const QRectF&) { called = true; });
    EXPECT_FALSE(called);
    EXPECT_TRUE(canvas.blank());
}

// ---- Glow ----------------------------------------------------------------------------------

void square(QPainter& p) {
    p.fillRect(QRectF(40, 40, 40, 40), Qt::white);
}

TEST(DrawGlow, LeavesASoftHaloBeyondTheBody) {
    Canvas canvas(120, 120);
    Draw::glow(canvas.painter(), QColor(0, 0, 255), 10, {}, square);
    EXPECT_EQ(canvas.at(60, 60), QColor(Qt::white));  // the body on top
    const int near = canvas.alpha({60, 82});
    const int mid = canvas.alpha({60, 88});
    const int far = canvas.alpha({60, 100});
    EXPECT_GT(near, 60);
    EXPECT_GT(near, mid);
    EXPECT_GT(mid, far);
    EXPECT_GT(mid, 0);
    EXPECT_EQ(canvas.alpha({60, 118}), 0);
    EXPECT_EQ(canvas.at(60, 84).blue(), 255);  // tinted with the colour
    EXPECT_EQ(canvas.at(60, 84).red(), 0);
    // Symmetric on every side without an offset.
    // (Samples 3.5 pixels outside each edge.)
    EXPECT_NEAR(canvas.alpha({60, 38.25}), canvas.alpha({60, 81.75}), 2);
    EXPECT_NEAR(canvas.alpha({38.25, 60}), canvas.alpha({81.75, 60}), 2);
    EXPECT_NEAR(canvas.alpha({38.25, 60}), canvas.alpha({60, 81.75}), 2);
}

TEST(DrawGlow, OffsetMovesTheShadowDownWithYUp) {
    Canvas canvas(120, 120);
    Draw::glow(canvas.painter(), QColor(0, 0, 0, 255), 4, QPointF(0, -6), square);
    EXPECT_GT(canvas.alpha({60, 36}), 150);  // below the square
    EXPECT_LT(canvas.alpha({60, 84}), 30);   // hardly above it
}

TEST(DrawGlow, ShadowAlphaFollowsTheBodyAndThePainter) {
    // A half-transparent body under a half-transparent colour casts a quarter shadow.
    Canvas canvas(120, 120);
    Draw::glow(canvas.painter(), QColor(0, 0, 0, 128), 0, QPointF(30, 0),
               [](QPainter& p) { p.fillRect(QRectF(10, 40, 40, 40), QColor(255, 255, 255, 128)); });
    EXPECT_NEAR(canvas.alpha({70, 60}), 64, 3);

    Canvas faded(120, 120);
    faded.painter().setOpacity(0.5);
    Draw::glow(faded.painter(), QColor(0, 0, 0), 0, QPointF(30, 0),
               [](QPainter& p) { p.fillRect(QRectF(10, 40, 40, 40), Qt::white); });
    EXPECT_NEAR(faded.alpha({70, 60}), 128, 3);
}

TEST(DrawGlow, SameKeyDoesNotBlurAgain) {
    Draw::clearCaches();
    const QColor colour(255, 0, 0);
    const auto body = [](QPointF origin) {
        return [origin](QPainter& p) {
            p.fillRect(QRectF(origin, QSizeF(30, 30)), Qt::white);
        };
    };
    const quint64 before = Draw::glowBlurCount();
    Canvas first(200, 120);
    Draw::glow(first.painter(), colour, 12, {}, body({30, 40}), 77, {30, 40});
    EXPECT_EQ(Draw::glowBlurCount(), before + 1);

    // The same shape elsewhere, next frame: the cached shadow moves with its anchor.
    Canvas second(200, 120);
    Draw::glow(second.painter(), colour, 12, {}, body({130, 40}), 77, {130, 40});
    EXPECT_EQ(Draw::glowBlurCount(), before + 1);
    for (double dy : {-6.0, 0.0, 15.0, 33.0, 38.0}) {
        EXPECT_NEAR(first.alpha({45, 40 + dy}), second.alpha({145, 40 + dy}), 3) << dy;
    }
    EXPECT_EQ(second.alpha({45, 30}), 0);

    // Another colour, another scale or no key: blurred again.
    Canvas third(200, 120);
    Draw::glow(third.painter(), QColor(0, 255, 0), 12, {}, body({30, 40}), 77, {30, 40});
    EXPECT_EQ(Draw::glowBlurCount(), before + 2);
    Canvas fourth(200, 120, 1);
    Draw::glow(fourth.painter(), colour, 12, {}, body({30, 40}), 77, {30, 40});
    EXPECT_EQ(Draw::glowBlurCount(), before + 3);
    Canvas fifth(200, 120);
    Draw::glow(fifth.painter(), colour, 12, {}, body({30, 40}));
    Draw::glow(fifth.painter(), colour, 12, {}, body({30, 40}));
    EXPECT_EQ(Draw::glowBlurCount(), before + 5);
}

TEST(DrawGlow, KeptShadowsMatchOnesDrawnOnceInEveryChannel) {
    // A kept shadow is enlarged from its blurred grid by this program; one drawn only once is
    // scaled up by Qt. Both must give the same colour and the same falloff, for bodies of a few
    // sizes (each lands differently on the blurred grid).
    const QColor colour(255, 160, 40, 200);
    for (const double side : {30.0, 31.0, 33.5}) {
        Draw::clearCaches();
        const auto body = [side](QPainter& p) {
            p.fillRect(QRectF(40, 40, side, side), Qt::white);
        };
        Canvas kept(140, 140);
        Draw::glow(kept.painter(), colour, 12, {}, body, 91, {40, 40});
        Canvas once(140, 140);
        Draw::glow(once.painter(), colour, 12, {}, body);
        const QImage& a = kept.image();
        const QImage& b = once.image();
        const int worst = test::pixelDifference(a, b, 3).largest;
        int lit = 0;
        for (int y = 0; y < a.height(); ++y) {
            for (int x = 0; x < a.width(); ++x) {
                const QRgb p = a.pixel(x, y);
                if (qAlpha(p) > 40 && qAlpha(p) < 255) {
                    ++lit;
                    const QColor c = QColor::fromRgba(qUnpremultiply(p));
                    EXPECT_NEAR(c.red(), 255, 6) << side << " " << x << "," << y;
                    EXPECT_NEAR(c.green(), 160, 6) << side << " " << x << "," << y;
                    EXPECT_NEAR(c.blue(), 40, 6) << side << " " << x << "," << y;
                }
            }
        }
        EXPECT_LE(worst, 3) << side;
        EXPECT_GT(lit, 1000) << side;
        // Beyond the body the kept shadow falls off smoothly, as far on every side.
        EXPECT_GT(kept.alpha({40 + side / 2, 40 + side + 4}),
                  kept.alpha({40 + side / 2, 40 + side + 12}));
        EXPECT_NEAR(kept.alpha({36.25, 40 + side / 2}), kept.alpha({43.75 + side, 40 + side / 2}),
                    2)
            << side;
    }
}

TEST(DrawGlow, ScaleThroughTheTransformLooksTheSame) {
    Canvas viaRatio(120, 120, 2, true);
    Canvas viaTransform(120, 120, 2, false);
    Draw::glow(viaRatio.painter(), QColor(0, 0, 0), 16, {}, square);
    Draw::glow(viaTransform.painter(), QColor(0, 0, 0), 16, {}, square);
    for (double y : {82.0, 86.0, 92.0, 100.0}) {
        EXPECT_NEAR(viaRatio.alpha({60, y}), viaTransform.alpha({60, y}), 4) << y;
    }
    EXPECT_GT(viaRatio.alpha({60, 90}), 0);  // a large blur still reaches far
}

TEST(DrawGlow, NothingIsBlurredOutOfSight) {
    Canvas canvas(120, 120);
    const quint64 before = Draw::glowBlurCount();
    Draw::glow(canvas.painter(), QColor(0, 0, 0), 8, {},
               [](QPainter& p) { p.fillRect(QRectF(400, 400, 40, 40), Qt::white); });
    canvas.painter().setClipRect(QRectF(0, 0, 20, 20));  // beyond the blur's reach
    Draw::glow(canvas.painter(), QColor(0, 0, 0), 8, {}, square);
    EXPECT_EQ(Draw::glowBlurCount(), before);
    EXPECT_TRUE(canvas.blank());
    // An empty body draws nothing and blurs nothing.
    Canvas empty(120, 120);
    Draw::glow(empty.painter(), QColor(0, 0, 0), 8, {}, [](QPainter&) {});
    EXPECT_EQ(Draw::glowBlurCount(), before);
}

TEST(DrawGlow, ShadowsOfTextAndImagesFollowTheirInk) {
    QImage dot(8, 8, QImage::Format_ARGB32_Premultiplied);
    dot.fill(Qt::white);
    Canvas canvas(200, 100);
    Draw::glow(canvas.painter(), QColor(0, 0, 0), 4, {}, [&dot](QPainter& p) {
        Draw::image(p, dot, QRectF(20, 40, 20, 20));
        Draw::text(p, QStringLiteral("Mail"), QRectF(100, 30, 80, 40), 20, QFont::Bold, Qt::white,
                   Qt::AlignHCenter);
    });
    EXPECT_GT(canvas.alpha({30, 61.5}), 40);  // shadow just above the image
    EXPECT_EQ(canvas.at(30, 61.5).red(), 0);
    const QRectF ink = canvas.ink(5);
    EXPECT_GT(ink.right(), 160);  // the text's shadow was not cut off
}

// ---- Layer ---------------------------------------------------------------------------------

TEST(DrawLayer, RendersOnceAndFollowsItsAnchor) {
    Draw::clearCaches();
    const auto ring = [](QPointF c) {
        return [c](QPainter& p) {
            Draw::fill(p, Draw::annulus(c, 20, 40), QColor(255, 255, 255, 100));
            Draw::stroke(p, Draw::arc(c, 39.5, 0.5, 2.5), Qt::red, 1);
        };
    };
    const QRectF bounds(-42, -42, 84, 84);
    const quint64 before = Draw::layerRenderCount();

    Canvas direct(200, 120);
    ring({50, 60})(direct.painter());
    Canvas first(200, 120);
    Draw::layer(first.painter(), 5, bounds.translated(50, 60), {50, 60}, ring({50, 60}));
    EXPECT_EQ(Draw::layerRenderCount(), before + 1);
    // Next frame, elsewhere: the same bitmap, moved.
    Canvas second(200, 120);
    Draw::layer(second.painter(), 5, bounds.translated(140, 60), {140, 60}, ring({140, 60}));
    EXPECT_EQ(Draw::layerRenderCount(), before + 1);
    for (QPointF p : {QPointF(50, 90), QPointF(50, 60), QPointF(20, 60),
                      QPointF(50 + 39.5 * std::cos(1.5), 60 + 39.5 * std::sin(1.5))}) {
        EXPECT_EQ(first.at(p), direct.at(p)) << p.x() << "," << p.y();
        EXPECT_EQ(second.at(p + QPointF(90, 0)), direct.at(p)) << p.x() << "," << p.y();
    }
    EXPECT_EQ(second.alpha({50, 90}), 0);

    // The painter's opacity fades the whole bitmap; another scale renders anew.
    Canvas faded(200, 120);
    faded.painter().setOpacity(0.5);
    Draw::layer(faded.painter(), 5, bounds.translated(50, 60), {50, 60}, ring({50, 60}));
    EXPECT_NEAR(faded.alpha({50, 90}), direct.alpha({50, 90}) / 2, 2);
    Canvas single(200, 120, 1);
    Draw::layer(single.painter(), 5, bounds.translated(50, 60), {50, 60}, ring({50, 60}));
    EXPECT_EQ(Draw::layerRenderCount(), before + 2);
    EXPECT_NEAR(single.alpha({50, 90}), 100, 2);
    // Without a key, nothing is kept.
    Canvas uncached(200, 120);
    Draw::layer(uncached.painter(), 0, bounds.translated(50, 60), {50, 60}, ring({50, 60}));
    EXPECT_EQ(Draw::layerRenderCount(), before + 2);
    EXPECT_EQ(uncached.at(50, 90), direct.at(50, 90));
}

TEST(DrawLayer, EveryInkedPixelIsCopiedHoweverSparseOrScattered) {
    // A layer copies only what holds anything, and must copy all of it, when drawn and when
    // copied from the kept bitmap.
    const auto expectCopiedWhole = [](QSizeF size, QPointF anchor,
                                      const std::function<void(QPainter&)>& draw) {
        Draw::clearCaches();
        Canvas direct(size.width(), size.height());
        draw(direct.painter());
        for (int frame = 0; frame < 2; ++frame) {
            Canvas layered(size.width(), size.height());
            Draw::layer(layered.painter(), 91, QRectF(QPointF(), size), anchor, draw);
            ASSERT_EQ(layered.image(), direct.image()) << "frame " << frame;
        }
    };
    // A large hollow ring, dots far apart on one row and a lone pixel at the far corner.
    expectCopiedWhole({300, 300}, {150, 150}, [](QPainter& p) {
        Draw::fill(p, Draw::annulus({150, 150}, 118, 120), QColor(255, 255, 255, 200));
        for (int k = 0; k < 6; ++k)
            Draw::fill(p, Draw::circle({20.0 + 52 * k, 150}, 1.5), QColor(255, 0, 0));
        p.fillRect(QRectF(299, 0, 1, 1), QColor(0, 0, 255));
    });
    // Dots, short bars and wide empty stretches in every arrangement a layer may meet: between
    // two dots a row may be empty for just under, exactly or just over the width that is worth
    // skipping, and ink may sit on a band's first or last row or at the bitmap's edges.
    std::srand(7);
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        const double width = 60 + std::rand() % 200;
        const double height = 20 + std::rand() % 60;
        std::vector<QRectF> marks;
        const int count = 1 + std::rand() % 12;
        for (int k = 0; k < count; ++k) {
            const double x = (std::rand() % static_cast<int>(2 * width)) / 2.0;
            const double y = (std::rand() % static_cast<int>(2 * height)) / 2.0;
            const double w = k % 3 == 0 ? (1 + std::rand() % 80) / 2.0 : 0.5;
            marks.emplace_back(x, y, std::min(w, width - x), 0.5);
        }
        expectCopiedWhole({width, height}, {0, 0}, [&marks](QPainter& p) {
            for (const QRectF& mark : marks) p.fillRect(mark, QColor(255, 0, 0, 90));
        });
        if (testing::Test::HasFatalFailure())
            return;
    }
}

TEST(DrawMeasure, CoveredHoldsEveryPixelTheDrawingInks) {
    // Cards are composed into bitmaps cut to what this measures: a shadow, a thick stroke,
    // text or a picture reaching past it would lose its edge on screen.
    Draw::clearCaches();
    QImage picture(64, 40, QImage::Format_ARGB32_Premultiplied);
    picture.fill(QColor(30, 90, 200));
    const std::vector<std::function<void(QPainter&)>> drawings{
        [](QPainter& p) {
            Draw::plainCard(p, QRectF(60, 70, 80, 50), Draw::white(0.2), Draw::white(0, 0.6), 22,
                            -6);
        },
        [](QPainter& p) {
            Draw::stroke(p, Draw::circle({100, 100}, 30), QColor(0, 200, 0), 9);
        },
        [](QPainter& p) {
            Draw::text(p, QStringLiteral("Wide text"), QRectF(40, 90, 120, 20), 16, QFont::Bold,
                       Qt::white, Qt::AlignLeft);
        },
        [&picture](QPainter& p) { Draw::image(p, picture, QRectF(70, 80, 64, 40), 0.8); },
    };
    for (size_t k = 0; k < drawings.size(); ++k) {
        Canvas canvas(200, 200);
        const QRect covered =
            Draw::covered(canvas.painter(), canvas.painter().deviceTransform(), drawings[k])
                .toAlignedRect();
        drawings[k](canvas.painter());
        const QImage& image = canvas.image();
        QRect ink;
        int outside = 0;
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if (line[x] == 0)
                    continue;
                ink |= QRect(x, y, 1, 1);
                if (!covered.contains(x, y))
                    ++outside;
            }
        }
        EXPECT_FALSE(ink.isEmpty()) << k;
        EXPECT_EQ(outside, 0) << k;
        // Measured, not guessed: the rect reaches at most 20 points beyond the ink (outlines
        // are measured by their control points, text with room for overhanging glyphs).
        EXPECT_TRUE(ink.adjusted(-40, -40, 40, 40).contains(covered)) << k;
    }
}

TEST(DrawCard, PlainCardIsARoundedRectOverItsShadow) {
    Canvas canvas(200, 200);
    const QRectF rect(50, 60, 100, 80);
    const QPainterPath path =
        Draw::plainCard(canvas.painter(), rect, Draw::white(0.16), Draw::white(0, 0.6), 20, -6);
    EXPECT_EQ(path.boundingRect(), rect);
    EXPECT_FALSE(path.contains(QPointF(51, 61)));  // corner radius 8
    EXPECT_TRUE(path.contains(QPointF(53, 63)));
    EXPECT_EQ(canvas.alpha({100, 100}), 255);
    EXPECT_GT(canvas.alpha({100, 55}), canvas.alpha({100, 145}));  // the shadow falls downward
}

}  // namespace
}  // namespace tandri
