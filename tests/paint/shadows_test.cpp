// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

#include "paint/caches.h"
#include "paint/colors.h"
#include "paint/coverage.h"
#include "paint/layers.h"
#include "paint/lrucache.h"
#include "paint/paths.h"
#include "paint/pictures.h"
#include "paint/radialfill.h"
#include "paint/shadows.h"
#include "paint/text.h"
#include "support/pixelcount.h"
#include "support/pixeldifference.h"
#include "support/viewpicture.h"

namespace tandri {
namespace {

using Canvas = test::ViewPicture;

// Blurred shadows and layers, and the caches that keep them.
class PaintShadows : public ::testing::Test {
protected:
    paint::Caches caches;
};

TEST(PaintCaches, TheLeastRecentlyUsedGoFirstToKeepTheirNumberAndBytes) {
    paint::LruCache<int, QString> cache(3, 100);
    for (const int k : {1, 2, 3}) cache.insert(k, QString::number(k), 10);
    ASSERT_NE(cache.find(1), nullptr);  // now the most recently used
    cache.insert(4, QStringLiteral("4"), 10);
    EXPECT_TRUE(!cache.contains(2) && cache.contains(1) && cache.contains(3));
    cache.insert(5, QStringLiteral("5"), 85);  // room for the newest of the others only
    EXPECT_TRUE(!cache.contains(1) && !cache.contains(3) && cache.contains(4));
    EXPECT_EQ(cache.insert(4, QStringLiteral("four"), 5), QStringLiteral("four"));
    EXPECT_EQ(cache.bytes(), 90);
    EXPECT_EQ(cache.size(), 2u);
}

TEST_F(PaintShadows, PicturesOfOneShapeShareAKeyAndAShadow) {
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
    EXPECT_EQ(paint::shapeKey(caches, red), paint::shapeKey(caches, blue));
    EXPECT_NE(paint::shapeKey(caches, red), paint::shapeKey(caches, disc));
    EXPECT_NE(paint::shapeKey(caches, red), paint::shapeKey(caches, red.copy(0, 0, 60, 64)));
    EXPECT_EQ(paint::shapeKey(caches, QImage()), 0u);

    // Two icons of one shape cast one shadow between them.
    Canvas canvas(200, 100);
    for (const auto& [image, x] : {std::pair{red, 20.0}, std::pair{blue, 120.0}}) {
        const QRectF rect(x, 30, 40, 40);
        paint::glow(
            canvas.painter(), caches, QColor(0, 0, 0, 128), 8, {},
            [&, rect](QPainter& p) { paint::image(p, caches, image, rect); },
            paint::shapeKey(caches, image), rect.topLeft());
    }
    EXPECT_EQ(caches.blurs(), 1u);
    EXPECT_NEAR(canvas.alpha({40, 27}), canvas.alpha({140, 27}), 3);
    EXPECT_GT(canvas.alpha({40, 27}), 10);
}

// A card as the ring composes one: a blurred shadow, a fill, a glow of a gradient kept for every
// thread, a picture cut to a rounded rect and a border.
QImage composedCard(paint::Caches& caches, const QImage& picture) {
    Canvas canvas(220, 160);
    QPainter& p = canvas.painter();
    const QRectF rect(30, 30, 160, 100);
    QPainterPath path;
    path.addRoundedRect(rect, 8, 8);
    paint::glow(
        p, caches, QColor(0, 0, 0, 110), 14, QPointF(0, -3),
        [&path](QPainter& q) { paint::fill(q, path, QColor(40, 40, 40)); }, 0x5eed'0001,
        rect.topLeft());
    paint::radial(p, caches, {Qt::white, Qt::transparent}, {}, rect.center(), 0, 70);
    p.save();
    p.setClipPath(path);
    paint::image(p, caches, picture, rect.adjusted(0, -10, 0, 10));
    p.restore();
    paint::stroke(p, path, Qt::white, 1.5);
    return canvas.image();
}

TEST_F(PaintShadows, WorkBesideKeepsItsOwnCachesAndDrawsWhatTheFrameThreadDraws) {
    QImage picture(160, 120, QImage::Format_ARGB32_Premultiplied);
    picture.fill(QColor(90, 140, 210));
    const QImage expected = composedCard(caches, picture);

    // On another thread, with the caches beside, while this thread draws the same cards: every
    // picture equals the one drawn alone, again and again.
    std::vector<QImage> beside(40), here(40);
    std::thread other([&] {
        for (QImage& card : beside) card = composedCard(caches.beside(), picture);
    });
    for (QImage& card : here) card = composedCard(caches, picture);
    other.join();
    for (size_t i = 0; i < here.size(); ++i) {
        EXPECT_EQ(beside[i], expected) << i;
        EXPECT_EQ(here[i], expected) << i;
    }
    // The shadow was kept here already, and blurred once more beside.
    EXPECT_EQ(caches.blurs(), 2u);

    // Forgetting the caches forgets the ones beside too: the shadow is blurred again there.
    caches.clear();
    std::thread([&] {
        composedCard(caches.beside(), picture);
        composedCard(caches.beside(), picture);
    }).join();
    EXPECT_EQ(caches.blurs(), 3u);
    composedCard(caches, picture);
    EXPECT_EQ(caches.blurs(), 4u);
}

void square(QPainter& p) {
    p.fillRect(QRectF(40, 40, 40, 40), Qt::white);
}

TEST_F(PaintShadows, LeavesASoftHaloBeyondTheBody) {
    Canvas canvas(120, 120);
    paint::glow(canvas.painter(), caches, QColor(0, 0, 255), 10, {}, square);
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
    // Symmetric on every side without an offset (samples 3.5 pixels outside each edge).
    EXPECT_NEAR(canvas.alpha({60, 38.25}), canvas.alpha({60, 81.75}), 2);
    EXPECT_NEAR(canvas.alpha({38.25, 60}), canvas.alpha({81.75, 60}), 2);
    EXPECT_NEAR(canvas.alpha({38.25, 60}), canvas.alpha({60, 81.75}), 2);

    // The scale may come through the painter's transform instead of the device's pixel ratio.
    Canvas viaRatio(120, 120, 2, true);
    Canvas viaTransform(120, 120, 2, false);
    paint::glow(viaRatio.painter(), caches, QColor(0, 0, 0), 16, {}, square);
    paint::glow(viaTransform.painter(), caches, QColor(0, 0, 0), 16, {}, square);
    for (double y : {82.0, 86.0, 92.0, 100.0})
        EXPECT_NEAR(viaRatio.alpha({60, y}), viaTransform.alpha({60, y}), 4) << y;
    EXPECT_GT(viaRatio.alpha({60, 90}), 0);  // a large blur still reaches far
}

TEST_F(PaintShadows, ShadowsFollowTheirOffsetWithYUpTheBodysAlphaAndThePainters) {
    Canvas offset(120, 120);
    paint::glow(offset.painter(), caches, QColor(0, 0, 0, 255), 4, QPointF(0, -6), square);
    EXPECT_GT(offset.alpha({60, 36}), 150);  // below the square
    EXPECT_LT(offset.alpha({60, 84}), 30);   // hardly above it

    // A half-transparent body under a half-transparent colour casts a quarter shadow.
    Canvas canvas(120, 120);
    paint::glow(canvas.painter(), caches, QColor(0, 0, 0, 128), 0, QPointF(30, 0), [](QPainter& p) {
        p.fillRect(QRectF(10, 40, 40, 40), QColor(255, 255, 255, 128));
    });
    EXPECT_NEAR(canvas.alpha({70, 60}), 64, 3);
    Canvas faded(120, 120);  // and the painter's opacity fades it
    faded.painter().setOpacity(0.5);
    paint::glow(faded.painter(), caches, QColor(0, 0, 0), 0, QPointF(30, 0),
                [](QPainter& p) { p.fillRect(QRectF(10, 40, 40, 40), Qt::white); });
    EXPECT_NEAR(faded.alpha({70, 60}), 128, 3);
}

TEST_F(PaintShadows, SameKeyDoesNotBlurAgain) {
    const QColor colour(255, 0, 0);
    const auto body = [](QPointF origin) {
        return [origin](QPainter& p) {
            p.fillRect(QRectF(origin, QSizeF(30, 30)), Qt::white);
        };
    };
    Canvas first(200, 120);
    paint::glow(first.painter(), caches, colour, 12, {}, body({30, 40}), 77, {30, 40});
    EXPECT_EQ(caches.blurs(), 1u);

    // The same shape elsewhere, next frame: the cached shadow moves with its anchor.
    Canvas second(200, 120);
    paint::glow(second.painter(), caches, colour, 12, {}, body({130, 40}), 77, {130, 40});
    EXPECT_EQ(caches.blurs(), 1u);
    for (double dy : {-6.0, 0.0, 15.0, 33.0, 38.0})
        EXPECT_NEAR(first.alpha({45, 40 + dy}), second.alpha({145, 40 + dy}), 3) << dy;
    EXPECT_EQ(second.alpha({45, 30}), 0);

    // Another colour, another scale or no key: blurred again.
    Canvas third(200, 120);
    paint::glow(third.painter(), caches, QColor(0, 255, 0), 12, {}, body({30, 40}), 77, {30, 40});
    EXPECT_EQ(caches.blurs(), 2u);
    Canvas fourth(200, 120, 1);
    paint::glow(fourth.painter(), caches, colour, 12, {}, body({30, 40}), 77, {30, 40});
    EXPECT_EQ(caches.blurs(), 3u);
    Canvas fifth(200, 120);
    paint::glow(fifth.painter(), caches, colour, 12, {}, body({30, 40}));
    paint::glow(fifth.painter(), caches, colour, 12, {}, body({30, 40}));
    EXPECT_EQ(caches.blurs(), 5u);
}

TEST_F(PaintShadows, KeptShadowsMatchOnesDrawnOnceInEveryChannel) {
    // A kept shadow is enlarged from its blurred grid by this program; one drawn only once is
    // scaled up by Qt. Both must give the same colour and the same falloff, for bodies of a few
    // sizes (each lands differently on the blurred grid).
    const QColor colour(255, 160, 40, 200);
    for (const double side : {30.0, 31.0, 33.5}) {
        caches.clear();
        const auto body = [side](QPainter& p) {
            p.fillRect(QRectF(40, 40, side, side), Qt::white);
        };
        Canvas kept(140, 140);
        paint::glow(kept.painter(), caches, colour, 12, {}, body, 91, {40, 40});
        Canvas once(140, 140);
        paint::glow(once.painter(), caches, colour, 12, {}, body);
        const int worst = test::pixelDifference(kept.image(), once.image(), 3).largest;
        // Where the glow is partly covering, it has the colour asked for.
        const int lit = test::countPixels(kept.image(), [&](QColor c, QPoint p) {
            const bool glow = c.alpha() > 40 && c.alpha() < 255;
            EXPECT_TRUE(!glow || (std::abs(c.red() - 255) <= 6 && std::abs(c.green() - 160) <= 6 &&
                                  std::abs(c.blue() - 40) <= 6))
                << side << " " << p.x() << "," << p.y() << " " << c.name().toStdString();
            return glow;
        });
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

TEST_F(PaintShadows, NothingIsBlurredOutOfSight) {
    Canvas canvas(120, 120);
    paint::glow(canvas.painter(), caches, QColor(0, 0, 0), 8, {},
                [](QPainter& p) { p.fillRect(QRectF(400, 400, 40, 40), Qt::white); });
    canvas.painter().setClipRect(QRectF(0, 0, 20, 20));  // beyond the blur's reach
    paint::glow(canvas.painter(), caches, QColor(0, 0, 0), 8, {}, square);
    EXPECT_EQ(caches.blurs(), 0u);
    EXPECT_TRUE(canvas.blank());
    // An empty body draws nothing and blurs nothing.
    Canvas empty(120, 120);
    paint::glow(empty.painter(), caches, QColor(0, 0, 0), 8, {}, [](QPainter&) {});
    EXPECT_EQ(caches.blurs(), 0u);
}

TEST_F(PaintShadows, ShadowsOfTextAndImagesFollowTheirInk) {
    QImage dot(8, 8, QImage::Format_ARGB32_Premultiplied);
    dot.fill(Qt::white);
    Canvas canvas(200, 100);
    paint::glow(canvas.painter(), caches, QColor(0, 0, 0), 4, {}, [&](QPainter& p) {
        paint::image(p, caches, dot, QRectF(20, 40, 20, 20));
        paint::text(p, QStringLiteral("Mail"), QRectF(100, 30, 80, 40), 20, QFont::Bold, Qt::white,
                    Qt::AlignHCenter);
    });
    EXPECT_GT(canvas.alpha({30, 61.5}), 40);  // shadow just above the image
    EXPECT_EQ(canvas.at(30, 61.5).red(), 0);
    const QRectF ink = canvas.ink(5);
    EXPECT_GT(ink.right(), 160);  // the text's shadow was not cut off
}

TEST_F(PaintShadows, RendersOnceAndFollowsItsAnchor) {
    const auto ring = [](QPointF c) {
        return [c](QPainter& p) {
            paint::fill(p, paint::annulus(c, 20, 40), QColor(255, 255, 255, 100));
            paint::stroke(p, paint::arc(c, 39.5, 0.5, 2.5), Qt::red, 1);
        };
    };
    // The ring about `c` as a layer of `key`.
    const auto layer = [&](Canvas& canvas, QPointF c, quint64 key = 5) {
        paint::layer(canvas.painter(), caches, key, QRectF(-42, -42, 84, 84).translated(c), c,
                     ring(c));
    };
    Canvas direct(200, 120);
    ring({50, 60})(direct.painter());
    Canvas first(200, 120);
    layer(first, {50, 60});
    EXPECT_EQ(caches.layerRenders(), 1u);
    // Next frame, elsewhere: the same bitmap, moved.
    Canvas second(200, 120);
    layer(second, {140, 60});
    EXPECT_EQ(caches.layerRenders(), 1u);
    for (QPointF p : {QPointF(50, 90), QPointF(50, 60), QPointF(20, 60),
                      QPointF(50 + 39.5 * std::cos(1.5), 60 + 39.5 * std::sin(1.5))}) {
        EXPECT_EQ(first.at(p), direct.at(p)) << p.x() << "," << p.y();
        EXPECT_EQ(second.at(p + QPointF(90, 0)), direct.at(p)) << p.x() << "," << p.y();
    }
    EXPECT_EQ(second.alpha({50, 90}), 0);

    // The painter's opacity fades the whole bitmap; another scale renders anew.
    Canvas faded(200, 120);
    faded.painter().setOpacity(0.5);
    layer(faded, {50, 60});
    EXPECT_NEAR(faded.alpha({50, 90}), direct.alpha({50, 90}) / 2, 2);
    Canvas single(200, 120, 1);
    layer(single, {50, 60});
    EXPECT_EQ(caches.layerRenders(), 2u);
    EXPECT_NEAR(single.alpha({50, 90}), 100, 2);
    // Without a key, nothing is kept.
    Canvas uncached(200, 120);
    layer(uncached, {50, 60}, 0);
    EXPECT_EQ(caches.layerRenders(), 2u);
    EXPECT_EQ(uncached.at(50, 90), direct.at(50, 90));
}

TEST_F(PaintShadows, EveryInkedPixelIsCopiedHoweverSparseOrScattered) {
    // A layer copies only what holds anything, and must copy all of it, when drawn and when
    // copied from the kept bitmap.
    const auto expectCopiedWhole = [this](QSizeF size, QPointF anchor,
                                          const std::function<void(QPainter&)>& draw) {
        caches.clear();
        Canvas direct(size.width(), size.height());
        draw(direct.painter());
        for (int frame = 0; frame < 2; ++frame) {
            Canvas layered(size.width(), size.height());
            paint::layer(layered.painter(), caches, 91, QRectF(QPointF(), size), anchor, draw);
            ASSERT_EQ(layered.image(), direct.image()) << "frame " << frame;
        }
    };
    // A large hollow ring, dots far apart on one row and a lone pixel at the far corner.
    expectCopiedWhole({300, 300}, {150, 150}, [](QPainter& p) {
        paint::fill(p, paint::annulus({150, 150}, 118, 120), QColor(255, 255, 255, 200));
        for (int k = 0; k < 6; ++k)
            paint::fill(p, paint::circle({20.0 + 52 * k, 150}, 1.5), QColor(255, 0, 0));
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

TEST_F(PaintShadows, CoveredHoldsEveryPixelTheDrawingInks) {
    // Cards are composed into bitmaps cut to what this measures: a shadow, a thick stroke,
    // text or a picture reaching past it would lose its edge on screen.
    QImage picture(64, 40, QImage::Format_ARGB32_Premultiplied);
    picture.fill(QColor(30, 90, 200));
    const std::vector<std::function<void(QPainter&)>> drawings{
        [this](QPainter& p) {
            paint::glow(p, caches, paint::white(0, 0.6), 22, {0, -6}, [](QPainter& q) {
                paint::fill(q, paint::pill(QRectF(60, 70, 80, 50)), paint::white(0.2));
            });
        },
        [](QPainter& p) {
            paint::stroke(p, paint::circle({100, 100}, 30), QColor(0, 200, 0), 9);
        },
        [](QPainter& p) {
            paint::text(p, QStringLiteral("Wide text"), QRectF(40, 90, 120, 20), 16, QFont::Bold,
                        Qt::white, Qt::AlignLeft);
        },
        [&](QPainter& p) { paint::image(p, caches, picture, QRectF(70, 80, 64, 40), 0.8); },
    };
    for (size_t k = 0; k < drawings.size(); ++k) {
        Canvas canvas(200, 200);
        const QTransform device = canvas.painter().deviceTransform();
        const QRectF covered = device.inverted().mapRect(
            QRectF(paint::covered(canvas.painter(), device, drawings[k]).toAlignedRect()));
        drawings[k](canvas.painter());
        const QRectF ink = canvas.ink(0);
        EXPECT_FALSE(ink.isEmpty()) << k;
        EXPECT_TRUE(covered.contains(ink)) << k;
        // Measured, not guessed: the rect reaches at most 20 points beyond the ink (outlines
        // are measured by their control points, text with room for overhanging glyphs).
        EXPECT_TRUE(ink.adjusted(-20, -20, 20, 20).contains(covered)) << k;
    }
}

}  // namespace
}  // namespace tandri
