// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "ringrenderfixture.h"

namespace tandri {
namespace {

using namespace test;
using namespace geometry;

TEST_F(RingRenderTest, IconsFlyOutFromTheCentreAndGrowAsTheRingOpens) {
    view.setSelectedApp(2);  // the aimed one grows by a quarter
    // Eased: 1 − (1 − t)³.
    for (const auto& [progress, eased] : {std::pair{0.0, 0.0}, {0.5, 0.875}, {1.0, 1.0}}) {
        SCOPED_TRACE(progress);
        log->icons.clear();
        view.setProgress(progress);
        draw();
        ASSERT_EQ(log->icons.size(), 8u);
        for (int i = 0; i < 8; ++i) {
            const double a = std::numbers::pi / 2 - i * std::numbers::pi / 4;
            const QPointF c = view.ringCenter + eased * 88 * QPointF(std::cos(a), std::sin(a));
            EXPECT_NEAR(distance(log->icons[i].center(), c), 0, 1e-9) << i;
            EXPECT_NEAR(log->icons[i].width(), (0.6 + 0.4 * eased) * (i == 2 ? 65 : 52), 1e-9);
            if (progress == 1) {
                EXPECT_TRUE(isColor(c, iconColor)) << i;
            }
        }
        if (progress == 0) {
            EXPECT_TRUE(shown.blank());
        }
    }
    EXPECT_FALSE(isColor(view.ringCenter, iconColor));
    // Entry 0 is at the top of the picture, entry 2 on its right.
    EXPECT_TRUE(isColor(QPointF(720, 450 + 88 + 20), iconColor));
    EXPECT_FALSE(isColor(QPointF(720, 450 - 88 - 30), iconColor));
}

TEST_F(RingRenderTest, BadgesCountWindowsUpToNinePlusAndTheOverflowEntryIsOnlyItsDrawing) {
    view.apps[0].stagedPID = 100;
    view.apps[3].stagedPID = 103;
    view.frontmostPID = 103;
    view.apps[7] = RingApp::more(5);
    view.setWindowCounts({1, 2, 9, 10, 25, 0, 3, 4});
    draw();
    // Each text is drawn once by the look and copied wherever it shows.
    EXPECT_EQ(log->badges, (std::vector<QString>{"2", "9", "9+", "3"}));
    // None for one window or none.
    ASSERT_EQ(log->icons.size(), 7u);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(isColor(badgeAt(log->icons[i]), badgeColor), i != 0 && i != 5) << i;
    EXPECT_EQ(log->running, (std::vector<std::pair<int, bool>>{{0, false}, {3, true}}));
    EXPECT_EQ(log->moreCounts, std::vector<int>{5});
    EXPECT_TRUE(isColor(log->mores[0].center(), moreColor));

    log->badges.clear();
    view.windowLayout = WindowLayout::Off;
    draw();
    EXPECT_TRUE(log->badges.empty());
}

TEST_F(RingRenderTest, ANewLookDrawsItsOwnBadgesAndCardsWhereverItLies) {
    // Each change of style makes a new look, which may well lie where the last one was freed:
    // here every look is made in one place on purpose.
    alignas(TestLook) std::byte place[sizeof(TestLook)];
    const auto lookAt = [&](const QColor& badge, const QColor& card) {
        return std::shared_ptr<const RingLook>(new (place) TestLook(log, badge, card),
                                               [](const RingLook* look) { look->~RingLook(); });
    };
    view.setWindowCounts({3});
    view.showsThumbnails = true;  // windows without pictures: cards of the look's own fill
    view.showChips(windowChips(2), 2);
    ASSERT_EQ(view.activeLayout(), WindowLayout::Arc);
    const QRectF card = view.chips()[1].frame;
    for (const auto& [badge, fill] : {std::pair<QColor, QColor>(Qt::yellow, Qt::blue),
                                      std::pair<QColor, QColor>(Qt::red, Qt::darkGreen),
                                      std::pair<QColor, QColor>(Qt::yellow, Qt::blue)}) {
        SCOPED_TRACE(badge.name().toStdString());
        view.setLook(nullptr);
        view.setLook(lookAt(badge, fill));
        draw();
        ASSERT_FALSE(log->icons.empty());
        const QRectF icon = log->icons[0];
        EXPECT_TRUE(isColor(badgeAt(icon), badge));
        EXPECT_TRUE(isColor(QPointF(minX(card) + 2, minY(card) + 2), fill));
        log->icons.clear();
    }
    view.setLook(nullptr);
}

TEST_F(RingRenderTest, NoticePillIsCutToTheHole) {
    const double inner = view.layout.holeRadius();  // 52
    const double y = 450 - 0.62 * inner;            // the pill's middle
    // How wide the ink is along the pill's middle.
    const auto width = [&] {
        return shown.ink(0, QRectF(570, y - 0.5, 300, 1)).width();
    };
    view.setNotice(QStringLiteral("Hi"));
    draw();
    const double shortWidth = width();
    EXPECT_GT(shortWidth, 24);
    EXPECT_LT(shortWidth, 2 * inner - 10);

    view.setNotice(QStringLiteral("A notice far too long to fit inside the ring's empty centre"));
    draw();
    EXPECT_NEAR(width(), 2 * inner, 2);
    // 22 points tall, its bottom 11 under the middle.
    EXPECT_GT(at(QPointF(720, y - 10)).alpha(), 0);
    EXPECT_EQ(at(QPointF(720, y - 12)).alpha(), 0);
}

TEST_F(RingRenderTest, RowsBesideTheRingNeedNoLineOthersDoAndAMinimizedOneIsDimmed) {
    view.windowLayout = WindowLayout::Column;
    auto chips = windowChips(2);
    std::get<WindowChip::Window>(chips[1].kind).info.isMinimized = true;
    view.showChips(chips, 2);
    draw();
    // Entry 2's rows start 12 points from the ring's edge.
    EXPECT_EQ(at(QPointF(720 + 126 + 6, 450)).alpha(), 0);
    const QRectF normal = view.chips()[0].frame;
    const QRectF minimized = view.chips()[1].frame;
    EXPECT_TRUE(isColor(QPointF(minX(normal) + 3, normal.center().y()), rowFill));

    // The brightest text pixel of a title, over the row's dark fill.
    const auto brightest = [&](const QRectF& r, double from, double to) {
        int best = 0;
        for (double x = minX(r) + from; x < minX(r) + to; x += 0.5) {
            for (double y = minY(r) + 2; y < maxY(r) - 2; y += 0.5) {
                const QColor c = at(QPointF(x, y));
                best = std::max(best, c.red() + c.green());
            }
        }
        return best;
    };
    // Titles start 11 points in; the tag takes the right 62 points before the 11-point margin.
    const double tagFrom = normal.width() - 11 - 62;
    EXPECT_GT(brightest(normal, 11, 60), 400);
    EXPECT_LT(brightest(minimized, 11, 60), 330);
    EXPECT_GT(brightest(minimized, 11, 60), 100);
    EXPECT_GT(brightest(minimized, tagFrom, normal.width() - 11), 60);
    EXPECT_EQ(brightest(normal, tagFrom, normal.width() - 11), 0);
    // Near the right edge the rows move above the ring: a line leads to them.
    view.ringCenter = QPointF(1300, 450);
    view.placementBounds = QRectF(8, 8, 1424, 884);
    view.showChips(windowChips(2), 2);
    const QPointF start(1300 + 126, 450);
    const QRectF first = view.chips()[0].frame;
    const QPointF end(std::clamp(start.x(), minX(first), maxX(first)), minY(first));
    ASSERT_GT(distance(start, end), 16);
    draw();
    const QColor mid = at((start + end) / 2);
    EXPECT_GT(mid.red(), 200);
    EXPECT_LT(mid.green(), 40);
    EXPECT_NEAR(mid.alphaF(), 0.7, 0.05);
}

TEST_F(RingRenderTest, ArcIconsWithNumbersAMoreChipAndOverflowAppsWithTheirDots) {
    view.setSelectedApp(0);
    view.showChips(windowChips(12), 0);
    ASSERT_EQ(view.activeLayout(), WindowLayout::Arc);
    view.setSelectedChip(1);
    draw();
    const auto [from, to] = arcTrack(view);
    EXPECT_EQ(log->tracks, std::vector{std::tuple(from, to, true)});
    EXPECT_EQ(log->arcSelections, std::vector<QRectF>{view.chips()[1].frame});
    EXPECT_EQ(log->windowTitles.back(), QStringLiteral("Window 1"));

    // The entry's icon stands in for each window, with its number at the bottom right.
    const QRectF c0 = view.chips()[0].frame;
    EXPECT_TRUE(isColor(c0.center(), QColor(255, 128, 0)));
    EXPECT_TRUE(isColor(QPointF(maxX(c0) - 3 - 7, minY(c0) + 3), QColor(235, 235, 235)));
    // The "more" chip is a disc, light when not aimed.
    const QRectF more = view.chips()[8].frame;
    EXPECT_GT(at(QPointF(minX(more) + 6, more.center().y())).alpha(), 150);
    EXPECT_EQ(at(QPointF(minX(more) + 1, minY(more) + 1)).alpha(), 0);

    // Overflow apps show their own icons and, when running, their dot.
    RingApp running = app("Run", 300);
    running.icon = solidImage(QColor(200, 200, 0));
    view.showChips({WindowChip{WindowChip::App{running}}, WindowChip{WindowChip::App{app("Idle")}}},
                   0);
    draw();
    const QRectF r = view.chips()[0].frame;
    EXPECT_TRUE(isColor(r.center(), QColor(200, 200, 0)));
    EXPECT_GT(at(QPointF(r.center().x(), minY(r) - 5)).green(), 200);
    const QRectF i = view.chips()[1].frame;
    EXPECT_EQ(at(QPointF(i.center().x(), minY(i) - 5)).alpha(), 0);
}

TEST_F(RingRenderTest, WideArcTracksEndInTheirRoundCaps) {
    // Each look's track along the arc icons of entries all round the ring: beyond the arc's ends
    // there is nothing but its round caps, and the thin circle that some looks draw all round
    // (reaching this far from it).
    constexpr double cap = 28 + 2;  // half the widest track, and its edge's smoothing
    for (const auto& [style, line] :
         {std::pair{RingStyle::Glass, -1.0}, std::pair{RingStyle::Quib, -1.0},
          std::pair{RingStyle::Outline, -1.0}, std::pair{RingStyle::Aura, 20.0},
          std::pair{RingStyle::Orbit, 1.5}}) {
        const auto look = makeLook(LookChoice{style, standardBackground(style), true});
        for (int entry = 0; entry < 8; ++entry) {
            for (const int windows : {2, 3}) {
                SCOPED_TRACE(testing::Message() << rawValue(style).toStdString() << ", entry "
                                                << entry << ", " << windows << " windows");
                view.showChips(windowChips(windows), entry);
                ASSERT_EQ(view.activeLayout(), WindowLayout::Arc);
                const auto [from, to] = arcTrack(view);
                RingScene scene =
                    test::sceneOf(view.apps, view.ringCenter, std::nullopt, true, &view.caches());
                scene.arcRadius = view.arcRadius();
                const double r = scene.arcRadius;
                // The square round the arc's circle.
                const QRectF box(scene.center - QPointF(r + 80, r + 80), QSizeF(2, 2) * (r + 80));
                test::ViewPicture picture(box, 1, false);
                look->drawArcTrack(picture.painter(), from, to, true, scene);
                const QImage& image = picture.image();
                const QPointF ends[] = {paint::at(scene.center, from, r),
                                        paint::at(scene.center, to, r)};
                double farthest = 0;
                for (int y = 0; y < image.height(); ++y) {
                    for (int x = 0; x < image.width(); ++x) {
                        if (qAlpha(image.pixel(x, y)) == 0)
                            continue;
                        const QPointF p(minX(box) + x + 0.5, maxY(box) - y - 0.5);
                        const QPointF d = p - scene.center;
                        const double a = std::remainder(std::atan2(d.y(), d.x()) - (from + to) / 2,
                                                        2 * std::numbers::pi);
                        const double fromEnd = std::min(distance(p, ends[0]), distance(p, ends[1]));
                        if (std::abs(a) > (to - from) / 2 && fromEnd > cap &&
                            std::abs(std::hypot(d.x(), d.y()) - r) > line) {
                            farthest = std::max(farthest, fromEnd);
                        }
                    }
                }
                EXPECT_EQ(farthest, 0) << "ink up to " << farthest << " points beyond an end";
            }
        }
    }
}

TEST_F(RingRenderTest, ArcCardsGrowWithTheSelectedOneOnTop) {
    // Every card looks different, so none is a copy of another's composed picture; window 4
    // has no picture and shows the entry's icon.
    std::vector<QImage> pictures{solidImage(QColor(128, 0, 128), 160, 100),
                                 solidImage(Qt::darkGreen), solidImage(Qt::darkCyan), QImage(),
                                 solidImage(Qt::darkYellow)};
    showPictures(pictures);
    view.showChips(windowChips(5), 2);
    ASSERT_EQ(view.activeLayout(), WindowLayout::Arc);
    view.setSelectedChip(0);
    draw();
    EXPECT_FALSE(std::get<2>(log->tracks.at(0)));
    // The neighbours (1 and 2) grown outward, the selected card at full size, the others as
    // placed; composed in any order, each once.
    const QSizeF grownSize = RingView::arcThumbnailSize * 1.12;
    const std::vector<QRectF> frames{view.magnifiedFrame(0),
                                     view.outwardFrame(grownSize, view.chips()[1]),
                                     view.outwardFrame(grownSize, view.chips()[2]),
                                     view.chips()[3].frame, view.chips()[4].frame};
    ASSERT_EQ(log->cards.size(), 5u);
    for (size_t i = 0; i < frames.size(); ++i) {
        const auto found = std::find(log->cards.begin(), log->cards.end(), frames[i]);
        ASSERT_NE(found, log->cards.end()) << "card " << i;
        EXPECT_EQ(log->cardSelected[static_cast<size_t>(found - log->cards.begin())], i == 0);
    }
    // Others lie below the neighbours, the neighbours below the selected card: where two
    // overlap, the later one's picture shows.
    const std::vector<int> order{3, 4, 1, 2, 0};
    int overlaps = 0;
    for (size_t a = 0; a < order.size(); ++a) {
        for (size_t b = a + 1; b < order.size(); ++b) {
            const int top = order[b];
            const QRectF both =
                frames[static_cast<size_t>(order[a])].intersected(frames[static_cast<size_t>(top)]);
            if (both.width() < 4 || both.height() < 4 || top == 3)
                continue;
            ++overlaps;
            EXPECT_TRUE(isColor(both.center(), pictures[static_cast<size_t>(top)].pixelColor(0, 0)))
                << order[a] << " over " << top;
        }
    }
    EXPECT_GE(overlaps, 2);

    // The picture fills the selected card; a window without one shows the entry's icon.
    const QRectF big = view.magnifiedFrame(0);
    EXPECT_TRUE(isColor(QPointF(minX(big) + 2, maxY(big) - 2), QColor(128, 0, 128)));
    const QRectF plain = view.chips()[3].frame;
    EXPECT_TRUE(isColor(plain.center(), QColor(255, 128, 0)));
    EXPECT_TRUE(isColor(QPointF(minX(plain) + 2, minY(plain) + 2), cardColor));

    // Settled cards are composed once: the next frame copies them without asking the look.
    log->cards.clear();
    draw();
    EXPECT_TRUE(log->cards.empty());
    EXPECT_TRUE(isColor(QPointF(minX(big) + 2, maxY(big) - 2), QColor(128, 0, 128)));
    EXPECT_TRUE(isColor(plain.center(), QColor(255, 128, 0)));
    // A new picture of a window is composed afresh.
    pictures[0] = solidImage(QColor(0, 0, 200), 160, 100);
    draw();
    EXPECT_EQ(log->cards.size(), 1u);
    EXPECT_TRUE(isColor(QPointF(minX(big) + 2, maxY(big) - 2), QColor(0, 0, 200)));
}

TEST_F(RingRenderTest, GoingRoundAFullArcAgainComposesNoCardAndHiddenChipsLetGoOfTheirPictures) {
    // Nine windows, each with a picture of its own: every card in each of its three sizes (on
    // its own, beside the aimed one, aimed) is a picture of its own.
    std::vector<QImage> pictures;
    for (int i = 0; i < 9; ++i) pictures.push_back(solidImage(QColor(20 * i, 100, 200 - 20 * i)));
    showPictures(pictures);
    view.showChips(windowChips(9), 2);
    ASSERT_EQ(view.activeLayout(), WindowLayout::Arc);
    ASSERT_EQ(view.chips().size(), 9u);
    const auto goRound = [&](bool back) {
        for (int i = 0; i < 9; ++i) {
            view.setSelectedChip(back ? 8 - i : i);
            draw();
        }
    };
    goRound(false);
    EXPECT_GE(log->cards.size(), 9u);
    log->cards.clear();
    goRound(false);
    EXPECT_TRUE(log->cards.empty()) << log->cards.size() << " cards composed again";
    goRound(true);  // the other way finds them too
    EXPECT_TRUE(log->cards.empty());
    // The next opening draws pictures decoded afresh: scaled copies of these, here and beside,
    // would never be drawn again.
    const auto copies = [&] {
        size_t count = 0;
        for (paint::Caches* caches : {&view.caches(), &view.caches().beside()}) {
            auto scaled = caches->pictures.scaled;
            for (const QImage& p : pictures)
                scaled.eraseIf([&](auto key) { return key.image == p.cacheKey(); });
            count += caches->pictures.scaled.size() - scaled.size();
        }
        return count;
    };
    EXPECT_GT(copies(), 0u);
    view.hideChips();
    EXPECT_EQ(copies(), 0u);
}

TEST_F(RingRenderTest, ColumnPreviewGrowsOutOfItsRowButNotOutOfThePermissionChip) {
    view.showsThumbnails = true;
    view.windowLayout = WindowLayout::Column;
    view.showChips(windowChips(3), 2);
    view.setSelectedChip(1);
    const QRectF row = view.chips()[1].frame;
    const QRectF from(minX(row) + 6, minY(row) + 6, 60, 36);
    draw();
    ASSERT_FALSE(log->cards.empty());
    EXPECT_EQ(log->cards.back(), from);  // nothing has grown yet
    clock.advance(0.05);
    log->cards.clear();
    draw();
    const QRectF to = view.magnifiedFrame(1);
    const double t = 1 - 0.125;
    EXPECT_NEAR(log->cards.back().x(), from.x() + (to.x() - from.x()) * t, 1e-9);
    EXPECT_NEAR(log->cards.back().width(), 60 + (to.width() - 60) * t, 1e-9);
    clock.advance(0.1);
    log->cards.clear();
    draw();
    EXPECT_EQ(log->cards.back(), to);
    // The row's thumbnail box sits on a light rounded square.
    EXPECT_GT(at(QPointF(minX(row) + 8, minY(row) + 8)).alpha(), 0);

    // The permission chip has no title for the centre and no thumbnail.
    view.showChips({WindowChip{WindowChip::AllowAccess{}}}, 2);
    view.setSelectedChip(0);
    log->cards.clear();
    draw();
    EXPECT_EQ(log->windowTitles.back(), std::nullopt);
    EXPECT_TRUE(log->cards.empty());
}

TEST_F(RingRenderTest, LayerCoversTheGrownRingSquareAtTheScaleTopRowFirst) {
    view.ringCenter = QPointF(720.3, 450.6);
    view.invalidateAll();
    const auto l = onlyLayer(view.updateLayers(2));
    // 268 + 2 × 28 = 324, widened to whole points.
    EXPECT_EQ(l.area, QRectF(558, 288, 325, 325));
    EXPECT_EQ(l.image.size(), QSize(650, 650));
    EXPECT_EQ(l.image.devicePixelRatio(), 2);
    EXPECT_EQ(l.image.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_TRUE(view.takeInvalidRect().isEmpty());  // drawn, so forgotten

    // With chips the area reaches them too, but never past the view.
    view.ringCenter = QPointF(1300, 450);
    view.windowLayout = WindowLayout::Column;
    view.showChips(windowChips(2), 2);
    const auto wide = onlyLayer(view.updateLayers(1));
    EXPECT_EQ(maxX(wide.area), 1440);
    EXPECT_LE(minX(wide.area), minX(view.chipsBounds()) - 30);

    // The image's first row is the area's top edge: entry 0 alone, at the top of the ring,
    // lands in the image's upper half.
    view.hideChips();
    view.ringCenter = QPointF(720, 450);
    view.apps.resize(1);
    draw(2);
    const QRectF icon = log->icons.back();
    EXPECT_TRUE(isColor(icon.center(), iconColor));
    const int row = static_cast<int>((maxY(layer.area) - maxY(icon)) * 2);
    const int column = static_cast<int>((minX(icon) - minX(layer.area)) * 2);
    EXPECT_EQ(layer.image.pixelColor(column + 2, row + 2), iconColor);
    EXPECT_EQ(layer.image.pixelColor(column + 2, row - 2).alpha(), 0);
    EXPECT_LT(row, layer.image.height() / 2);

    // Nothing in the view: no image. No look: nothing drawn, and nothing fails.
    view.bounds = QRectF(2000, 2000, 100, 100);
    view.invalidateAll();
    EXPECT_TRUE(onlyLayer(view.updateLayers(2)).image.isNull());
    view.setLook(nullptr);
    view.bounds = QRectF(0, 0, 1440, 900);
    draw();
    EXPECT_TRUE(shown.blank());
}

TEST_F(RingRenderTest, AFrameStillHeldIsNeverDrawnOver) {
    view.setLook(makeLook(LookChoice{}));
    const auto frameAiming = [this](int entry) {
        view.setSelectedApp(entry);
        view.invalidateAll();
        return onlyLayer(view.updateLayers(2));
    };
    const auto first = frameAiming(0);
    const QImage before = first.image.copy();
    // Two more frames while the first is held (the window keeps its last one): both must go
    // elsewhere, and a frame let go of may be drawn into again.
    auto second = frameAiming(3);
    EXPECT_NE(second.image.constBits(), first.image.constBits());
    const auto third = frameAiming(5);
    EXPECT_NE(third.image.constBits(), first.image.constBits());
    EXPECT_NE(third.image.constBits(), second.image.constBits());
    EXPECT_EQ(first.image, before);
    second = {};
    EXPECT_EQ(frameAiming(0).image, before);  // the same picture again, wherever it was drawn

    // Forgetting the pictures keeps frames still held intact.
    view.forgetPictures();
    EXPECT_EQ(first.image, before);
}

// Lays a drawn piece over `picture` of the view's `bounds` at `scale`, replacing what was there,
// as the window does; and how much it drew.
}  // namespace
}  // namespace tandri
