// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <numbers>
#include <vector>

#include "paint/caches.h"
#include "paint/paths.h"
#include "paint/pictures.h"
#include "paint/radialfill.h"
#include "paint/rings.h"
#include "paint/steppedarc.h"
#include "paint/text.h"
#include "paint/uncleared.h"
#include "support/pixelcount.h"
#include "support/pixeldifference.h"
#include "support/viewpicture.h"

namespace tandri {
namespace {

using Canvas = test::ViewPicture;
constexpr double pi = std::numbers::pi;

// Round shapes computed straight into the bitmap, and what they keep.
class PaintShapes : public ::testing::Test {
protected:
    paint::Caches caches;
};

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

TEST_F(PaintShapes, RingsAndLinesLookAsTheirPathsDo) {
    const QPointF c(100, 100);
    const std::vector<std::function<void(QPainter&)>> drawings = {
        [c](QPainter& p) { paint::ring(p, c, 40, 90, QColor(255, 255, 255, 100)); },
        [c](QPainter& p) { paint::ring(p, c, 0, 70, QColor(28, 28, 30)); },
        [c](QPainter& p) { paint::circleLine(p, c, 80, 1.3, QColor(255, 255, 255, 200)); },
        [c, this](QPainter& p) {
            paint::radial(
                p, caches,
                {QColor(255, 237, 199, 0), QColor(255, 237, 199, 230), QColor(255, 237, 199, 0)},
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

TEST_F(PaintShapes, RadialGradientsFillOnlyBetweenTheirCirclesLikeQtsWhereverTheCentreFalls) {
    Canvas canvas(200, 200);
    paint::radial(canvas.painter(), caches, {QColor(255, 0, 0, 255), QColor(255, 0, 0, 0)}, {0, 1},
                  {100, 100}, 20, 60);
    EXPECT_EQ(canvas.alpha({100, 100}), 0);    // inside the inner circle
    EXPECT_GT(canvas.alpha({100, 122}), 220);  // just past the inner circle
    EXPECT_LT(canvas.alpha({100, 155}), 40);   // fading toward the outer one
    EXPECT_EQ(canvas.alpha({100, 162}), 0);    // beyond it
    EXPECT_EQ(canvas.at({100, 122}).red(), 255);

    Canvas broken(200, 200);
    paint::radial(broken.painter(), caches, {Qt::red, Qt::blue}, {0}, {100, 100}, 0, 60);
    paint::radial(broken.painter(), caches, {Qt::red}, {}, {100, 100}, 50, 40);
    EXPECT_TRUE(broken.blank());
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
            paint::radial(disc.painter(), caches, sky, {0, 0.75, 1}, c, 0, 90);
            const auto [discLargest, discOver] =
                test::pixelDifference(disc.image(), throughPaths([&](QPainter& p) {
                                          paint::radial(p, caches, sky, {0, 0.75, 1}, c, 0, 90);
                                      }),
                                      2);
            EXPECT_LE(discLargest, 4);
            EXPECT_LT(discOver, 40);

            Canvas ring(200, 200);
            paint::radial(ring.painter(), caches, band, {0, 1}, c, 40, 90);
            const auto [ringLargest, ringOver] =
                test::pixelDifference(ring.image(), throughPaths([&](QPainter& p) {
                                          paint::radial(p, caches, band, {0, 1}, snapped, 40, 90);
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

TEST_F(PaintShapes, RadialGradientPiecesMatchTheWholeAndHugeOnesStillDraw) {
    // A frame redrawn in pieces: each piece, drawn on its own with the gradient kept from the
    // whole, is that part of the whole to the bit, also where it crosses the middle row or
    // column, where the quarter's mirror images meet.
    const std::vector<QColor> colors{QColor(11, 21, 48, 217), QColor(11, 21, 48, 140),
                                     QColor(11, 21, 48, 0)};
    const QPointF c(100.3, 99.8);
    Canvas whole(200, 200);
    paint::radial(whole.painter(), caches, colors, {0, 0.75, 1}, c, 0, 90);
    const QImage picture = whole.image();
    for (const QRect piece : {QRect(150, 160, 90, 70), QRect(0, 0, 400, 30), QRect(30, 370, 60, 30),
                              QRect(199, 100, 3, 300), QRect(300, 150, 100, 99)}) {
        // The view's area that the piece's device pixels show (y up, two pixels per point).
        Canvas part(QRectF(piece.x() / 2.0, 200 - (piece.y() + piece.height()) / 2.0,
                           piece.width() / 2.0, piece.height() / 2.0));
        paint::radial(part.painter(), caches, colors, {0, 0.75, 1}, c, 0, 90);
        EXPECT_EQ(part.image(), picture.copy(piece)) << piece.x() << "," << piece.y();
    }

    // Far larger than any screen: drawn where it shows, nothing kept for it.
    Canvas huge(200, 200);
    paint::radial(huge.painter(), caches, {Qt::red, Qt::blue}, {0, 1}, {100, 100}, 0, 5000);
    EXPECT_EQ(huge.at({100, 100}).red(), 255);
    EXPECT_GT(huge.alpha({0.5, 0.5}), 250);
}

TEST_F(PaintShapes, DiscsAreSolidToTheCentreRingsHollowAndPaintersOfAnyKindGetThem) {
    Canvas canvas(200, 200);
    paint::ring(canvas.painter(), {50, 50}, 0, 3, Qt::white);
    paint::ring(canvas.painter(), {150, 150}, 20, 40, Qt::white);
    EXPECT_EQ(canvas.alpha({50, 50}), 255);
    EXPECT_EQ(canvas.alpha({50.4, 50.2}), 255);
    EXPECT_EQ(canvas.alpha({50, 54}), 0);
    EXPECT_EQ(canvas.alpha({150, 150}), 0);
    EXPECT_EQ(canvas.alpha({150, 180}), 255);
    EXPECT_EQ(canvas.alpha({150, 192}), 0);

    Canvas nothing(100, 100);
    paint::ring(nothing.painter(), {50, 50}, 30, 20, Qt::white);
    paint::ring(nothing.painter(), {50, 50}, 0, 20, Qt::transparent);
    paint::circleLine(nothing.painter(), {50, 50}, 20, 0, Qt::white);
    EXPECT_TRUE(nothing.blank());

    // Clipped: the clip holds, through Qt's own path.
    Canvas clipped(200, 200);
    clipped.painter().setClipRect(QRectF(0, 0, 100, 200));
    paint::ring(clipped.painter(), {100, 100}, 0, 50, Qt::white);
    EXPECT_EQ(clipped.alpha({70, 100}), 255);
    EXPECT_EQ(clipped.alpha({130, 100}), 0);

    // Faded by the painter's opacity, as a path would be.
    Canvas faded(200, 200);
    faded.painter().setOpacity(0.5);
    paint::circleLine(faded.painter(), {100, 100}, 50, 6, Qt::white);
    EXPECT_NEAR(faded.alpha({150, 100}), 128, 2);
}

TEST_F(PaintShapes, ArcsEndInRoundCapsAndDashesLeaveGaps) {
    const QPointF c(100, 100);
    Canvas arc(200, 200);
    // A quarter from the right to the top, 6 wide.
    paint::circleLine(arc.painter(), c, 60, 6, Qt::white, 0, pi / 2);
    EXPECT_EQ(arc.alpha(paint::at(c, pi / 4, 60)), 255);
    EXPECT_EQ(arc.alpha(paint::at(c, pi, 60)), 0);
    EXPECT_EQ(arc.alpha(paint::at(c, 3 * pi / 4, 60)), 0);
    // The caps reach half the width beyond the ends, round: not at their corners.
    EXPECT_GT(arc.alpha({160, 98}), 200);
    EXPECT_EQ(arc.alpha({160, 95.5}), 0);
    EXPECT_EQ(arc.alpha({163, 96}), 0);
    EXPECT_GT(arc.alpha({98, 160}), 200);
    EXPECT_EQ(arc.alpha({95.5, 160}), 0);
    EXPECT_EQ(arc.alpha({96, 163}), 0);

    // To an earlier angle it goes the long way round, as `arc` does.
    Canvas longWay(200, 200);
    paint::circleLine(longWay.painter(), c, 60, 6, Qt::white, pi / 2, 0);
    EXPECT_EQ(longWay.alpha(paint::at(c, pi, 60)), 255);
    EXPECT_EQ(longWay.alpha(paint::at(c, pi / 4, 60)), 0);

    // Dashes of 4 every 12 points from the start, round-capped.
    Canvas dashed(200, 200);
    paint::circleLine(dashed.painter(), c, 60, 2, Qt::white, 0, 0, 4, 8);
    EXPECT_EQ(dashed.alpha(paint::at(c, 2.0 / 60, 60)), 255);   // in the first dash
    EXPECT_EQ(dashed.alpha(paint::at(c, 8.0 / 60, 60)), 0);     // in the first gap
    EXPECT_EQ(dashed.alpha(paint::at(c, 14.0 / 60, 60)), 255);  // in the second dash
    EXPECT_EQ(dashed.alpha(paint::at(c, 2.0 / 60, 63)), 0);     // beside the line
}

TEST_F(PaintShapes, ShapesCentredBeyondTheBitmapLeaveEveryOtherPixelAlone) {
    // A ring and a dashed circle whose centre lies left of the bitmap (a ring at the screen's
    // edge, or a piece of the picture drawn on its own): their right-hand parts show, and
    // nothing wraps onto the other end of a row.
    for (const double cx : {-40.0, -120.0}) {
        Canvas canvas(200, 200);
        paint::ring(canvas.painter(), {cx, 100}, 100, 140, QColor(255, 255, 255, 120));
        paint::circleLine(canvas.painter(), {cx, 100}, 150, 2, Qt::white, 0, 0, 4, 8);
        // Inked pixels near the shapes, or away from them. Device pixels are half points; y is
        // flipped, which a circle does not mind.
        const auto inked = [&](bool nearShapes) {
            return test::countPixels(canvas.image(), [&](QColor c, QPoint p) {
                const double d = std::hypot((p.x() + 0.5) / 2 - cx, (p.y() + 0.5) / 2 - 100);
                return c.alpha() > 0 && ((d > 99 && d < 141) || (d > 148 && d < 152)) == nearShapes;
            });
        };
        EXPECT_EQ(inked(false), 0) << cx;
        EXPECT_GT(inked(true), 1000) << cx;
    }
}

// Draws `draw` into a bitmap still holding an earlier picture (an opaque pattern), as a frame
// is drawn, and returns the result.
QImage drawnOverLeftovers(const std::function<void(QPainter&)>& draw) {
    QImage image(400, 300, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = 0xff000000u | static_cast<QRgb>((x * 2654435761u) ^ (y * 40503u));
    }
    image.setDevicePixelRatio(2);
    {
        const paint::Uncleared uncleared(image);
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform |
                               QPainter::TextAntialiasing);
        painter.translate(0, 150);
        painter.scale(1, -1);
        draw(painter);
    }
    return image;
}

TEST_F(PaintShapes, WhatIsDrawnFirstClearsAFrameLeftFromBefore) {
    // A frame keeps the picture of an earlier one until what is drawn first clears it: a round
    // shape row by row as it draws (on one thread or two), anything else whole; and if nothing
    // is drawn, it is cleared all the same. Every case must equal drawing on a cleared bitmap.
    const QColor soft(255, 255, 255, 120);
    const std::vector<std::pair<const char*, std::function<void(QPainter&)>>> cases = {
        {"small ring, then a rectangle",
         [&](QPainter& p) {
             paint::ring(p, {100, 75}, 20, 30, soft);
             paint::fill(p, paint::pill(QRectF(10, 10, 60, 20)), Qt::red);
         }},
        {"large ring shared by two threads",
         [&](QPainter& p) {
             paint::ring(p, {100, 75}, 10, 140, soft);
         }},
        {"gradient, then text",
         [&](QPainter& p) {
             paint::radial(p, caches, {QColor(0, 0, 255, 200), QColor(0, 0, 255, 0)}, {0, 1},
                           {90, 80}, 20, 60);
             paint::text(p, QStringLiteral("Mail"), QRectF(60, 60, 80, 30), 14, QFont::Bold,
                         Qt::white, Qt::AlignHCenter);
         }},
        {"dashed circle beyond the bitmap, then a glow",
         [&](QPainter& p) {
             paint::circleLine(p, {-300, 75}, 20, 2, Qt::white, 0, 0, 4, 4);
             paint::glow(p, caches, Qt::black, 8, {}, [](QPainter& q) {
                 paint::fill(q, paint::circle({100, 75}, 20), Qt::white);
             });
         }},
        {"invisible ring, then a line",
         [&](QPainter& p) {
             paint::ring(p, {100, 75}, 20, 30, QColor(255, 255, 255, 0));
             paint::circleLine(p, {100, 75}, 40, 3, Qt::green, 0, pi);
         }},
        {"stepped arc first",
         [&](QPainter& p) {
             paint::steppedArc(p, caches, {100, 75}, 50, 2, Qt::white, 0, pi, {0.5, 1, 0.5},
                               {0.2, 0.4, 0.2}, 8);
         }},
        {"a picture first",
         [&](QPainter& p) {
             QImage dot(10, 10, QImage::Format_ARGB32_Premultiplied);
             dot.fill(QColor(0, 128, 0, 128));
             paint::image(p, caches, dot, QRectF(20, 20, 30, 30));
         }},
        {"nothing",
         [](QPainter&) {
         }},
    };
    for (const auto& [name, draw] : cases) {
        caches.clear();
        Canvas cleared(200, 150);
        draw(cleared.painter());
        caches.clear();
        const QImage over = drawnOverLeftovers(draw);
        EXPECT_EQ(over, cleared.image()) << name;
    }
}

// Eight steps round the upper half of a circle of 100 about (150, 150), the fourth dark.
void steps(paint::Caches& caches, QPainter& p, QPointF c = {150, 150}) {
    std::vector<double> alphas(8, 0.8);
    std::vector<double> glows(8, 0.3);
    alphas[3] = 0;
    glows[3] = 0;
    paint::steppedArc(p, caches, c, 100, 3, Qt::white, 0, pi, alphas, glows, 8);
}

TEST_F(PaintShapes, SteppedArcsGlowAlongTheirSteps) {
    const QPointF c(150, 150);
    Canvas canvas(300, 300);
    steps(caches, canvas.painter());
    const double step = pi / 8;
    // On the line of a bright step: the line over its glow.
    EXPECT_GT(canvas.alpha(paint::at(c, 1.5 * step, 100)), 0.8 * 255);
    // The dark step is dark in its middle: its neighbours' glow fades within a few points.
    EXPECT_LT(canvas.alpha(paint::at(c, 3.5 * step, 100)), 3);
    EXPECT_GT(canvas.alpha(paint::at(c, 3 * step + 1.5 / 100, 100)), 5);
    // Beside the line the glow fades outward and inward alike.
    const int near = canvas.alpha(paint::at(c, 1.5 * step, 104));
    const int far = canvas.alpha(paint::at(c, 1.5 * step, 109));
    EXPECT_GT(near, far);
    EXPECT_GT(far, 0);
    EXPECT_NEAR(canvas.alpha(paint::at(c, 1.5 * step, 96)), near, 2);
    EXPECT_EQ(canvas.alpha(paint::at(c, 1.5 * step, 116)), 0);
    // The glow runs a little past the ends, the line does not.
    EXPECT_GT(canvas.alpha(paint::at(c, -1.5 / 100, 100)), 0);
    EXPECT_LT(canvas.alpha(paint::at(c, -1.5 / 100, 100)), 30);
    EXPECT_EQ(canvas.alpha(paint::at(c, -20.0 / 100, 100)), 0);
    EXPECT_EQ(canvas.alpha(paint::at(c, -pi / 2, 100)), 0);

    // Faded by the painter.
    Canvas faded(300, 300);
    faded.painter().setOpacity(0.5);
    steps(caches, faded.painter());
    EXPECT_NEAR(faded.alpha(paint::at(c, 1.5 * step, 100)),
                canvas.alpha(paint::at(c, 1.5 * step, 100)) / 2.0, 2);

    // Clipped, through a picture: the same to within rounding, and the clip holds.
    Canvas clipped(300, 300);
    clipped.painter().setClipRect(QRectF(0, 0, 300, 200));
    steps(caches, clipped.painter());
    Canvas upper(300, 300);
    steps(caches, upper.painter());
    EXPECT_EQ(clipped.alpha(paint::at(c, pi / 2, 100)), 0);  // (150, 250) is clipped off
    int compared = 0;
    for (double a = 0.1; a < pi - 0.1; a += 0.05) {
        for (const double d : {-6.0, -2.0, 0.0, 1.0, 5.0}) {
            const QPointF p = paint::at(c, a, 100 + d);
            if (p.y() > 195)
                continue;
            ++compared;
            EXPECT_NEAR(clipped.alpha(p), upper.alpha(p), 2) << a << " " << d;
        }
    }
    EXPECT_GT(compared, 50);

    // Nothing for steps that do not add up or an arc that runs nowhere.
    Canvas nothing(300, 300);
    paint::steppedArc(nothing.painter(), caches, c, 100, 3, Qt::white, 0, pi, {0.5, 0.5}, {0.3}, 8);
    paint::steppedArc(nothing.painter(), caches, c, 100, 3, Qt::white, 0, pi, {}, {}, 8);
    paint::steppedArc(nothing.painter(), caches, c, 100, 3, Qt::white, 1, 1, {0.5}, {0.3}, 8);
    paint::steppedArc(nothing.painter(), caches, c, 0, 3, Qt::white, 0, pi, {0.5}, {0.3}, 8);
    EXPECT_TRUE(nothing.blank());
}

TEST_F(PaintShapes, SteppedArcsKeptFromFrameToFrameLookAsIfDrawnAfresh) {
    const QPointF c(150, 150);
    // Drawn fresh at a centre a quarter pixel off, then again at the first centre: what was
    // kept for one centre must not stand in for the other.
    for (const double shift : {0.0, 0.125}) {
        caches.clear();
        Canvas fresh(300, 300);
        steps(caches, fresh.painter(), c + QPointF(shift, shift));
        caches.clear();
        Canvas other(300, 300);
        steps(caches, other.painter(), c + QPointF(0.125 - shift, 0.125 - shift));
        Canvas kept(300, 300);
        steps(caches, kept.painter(), c + QPointF(shift, shift));
        EXPECT_EQ(kept.image(), fresh.image()) << shift;
        EXPECT_NE(other.image(), fresh.image()) << shift;
    }

    // A piece of the picture drawn on its own, as when the pointer moves along the chips,
    // is that part of the whole, pixel for pixel: from the kept shape and computed afresh.
    for (const bool afresh : {false, true}) {
        caches.clear();
        Canvas whole(300, 300);
        steps(caches, whole.painter());
        if (afresh)
            caches.clear();
        // The piece shows view x 40…100, y 150…190 (y up).
        Canvas piece(60, 40);
        piece.painter().translate(-40, -150);
        steps(caches, piece.painter());
        EXPECT_EQ(piece.image(), whole.image().copy(80, 220, 120, 80)) << afresh;
        EXPECT_FALSE(piece.blank());
    }
}

TEST_F(PaintShapes, LargeSteppedArcsComputedTwoPixelsAtATimeMatchOnePixelAtATime) {
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
            caches.arcsOnePixelAtATime = one;
            caches.clear();
            Canvas canvas(700, 600, scale);
            paint::steppedArc(canvas.painter(), caches, c, radius, width, color, from, to, alphas,
                              glows, blur);
            pictures[one ? 0 : 1] = canvas.image();
        }
        ASSERT_EQ(pictures[1], pictures[0]);
        lit += test::countPixels(pictures[0], [](QColor c) { return c.alpha() > 0; });
    }
    // Faint glow far from the line makes up most of these pictures.
    EXPECT_GT(lit, 500'000);
}

}  // namespace
}  // namespace tandri
