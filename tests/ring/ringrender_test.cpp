// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <new>
#include <numbers>
#include <thread>

#include "paint/paths.h"
#include "platform/sim/virtualclock.h"
#include "prefs/ringbackground.h"
#include "prefs/ringstyle.h"
#include "ring/looks/auralook.h"
#include "ring/looks/glasslook.h"
#include "ring/looks/orbitlook.h"
#include "ring/looks/outlinelook.h"
#include "ring/looks/quiblook.h"
#include "ring/ringgeometry.h"
#include "ring/ringview.h"
#include "support/pixeldifference.h"
#include "support/ringentries.h"
#include "support/threadpool.h"
#include "support/viewpicture.h"

namespace tandri {
namespace {

using namespace geometry;

// The one picture of an update that draws a single piece; none when nothing was drawn.
RingView::Layer onlyLayer(std::vector<RingView::Layer> layers) {
    std::erase_if(layers, [](const RingView::Layer& layer) { return layer.image.isNull(); });
    EXPECT_LE(layers.size(), 1u);
    return layers.empty() ? RingView::Layer{} : layers.front();
}

// Flat colours a test can find in the picture.
const QColor iconColor(255, 0, 255);
const QColor moreColor(0, 255, 255);
const QColor accentColor(255, 0, 0);
const QColor runningColor(0, 255, 0);
const QColor cardColor(0, 0, 255);
const QColor rowFill(0, 0, 160);
const QColor badgeColor(255, 255, 0);

// What the look was asked to draw, in order.
struct LookLog {
    std::vector<QRectF> icons;
    std::vector<QRectF> mores;
    std::vector<int> moreCounts;
    std::vector<std::pair<int, bool>> running;  // and whether it is the frontmost app
    std::vector<QString> badges;
    std::mutex cardsGuard;
    std::vector<QRectF> cards;
    std::vector<bool> cardSelected;
    std::vector<QRectF> arcSelections;
    std::vector<std::tuple<double, double, bool>> tracks;
    std::vector<std::optional<QString>> windowTitles;
};

// A look of plain squares and discs, so that the view's own drawing can be told apart.
class TestLook : public RingLook {
public:
    explicit TestLook(std::shared_ptr<LookLog> log, QColor badge = badgeColor,
                      QColor card = cardColor)
        : log_(std::move(log)), badge_(badge), card_(card) {}

    LookBackdrop backdrop() const override { return {}; }
    QColor accent() const override { return accentColor; }
    IconScale iconScale() const override { return {1.0, 1.25}; }
    QColor runningColor() const override { return tandri::runningColor; }
    ColumnColors column() const override {
        return {rowFill, QColor(0, 120, 0), Qt::white, Qt::black, QColor(128, 128, 128)};
    }
    void drawBody(QPainter&, const RingScene& scene) const override {
        log_->windowTitles.push_back(scene.windowTitle);
    }
    void drawIcon(QPainter& painter, const RingApp&, const QRectF& rect, bool,
                  const RingScene&) const override {
        log_->icons.push_back(rect);
        painter.fillRect(rect, iconColor);
    }
    void drawRunning(QPainter&, int index, bool front, const RingScene&) const override {
        log_->running.emplace_back(index, front);
    }
    void drawBadge(QPainter& painter, const QString& text, QPointF point,
                   const RingScene&) const override {
        log_->badges.push_back(text);
        painter.fillRect(QRectF(point.x() - 3, point.y() - 3, 6, 6), badge_);
    }
    void drawMore(QPainter& painter, int count, const QRectF& rect,
                  const RingScene&) const override {
        log_->mores.push_back(rect);
        log_->moreCounts.push_back(count);
        painter.fillRect(rect, moreColor);
    }
    void drawOverlay(QPainter&, const RingScene&) const override {}
    void drawCenter(QPainter&, const RingScene&) const override {}
    void drawArcTrack(QPainter&, double from, double to, bool items,
                      const RingScene&) const override {
        log_->tracks.emplace_back(from, to, items);
    }
    void drawArcSelection(QPainter&, const QRectF& rect, const RingScene&) const override {
        log_->arcSelections.push_back(rect);
    }
    QPainterPath drawCardFrame(QPainter& painter, const QRectF& rect, bool selected,
                               const RingScene&) const override {
        // A card is measured before it is composed; only what reaches a bitmap is drawn.
        // Cards are composed on two threads at once.
        if (painter.device()->devType() == QInternal::Image) {
            const std::lock_guard lock(log_->cardsGuard);
            log_->cards.push_back(rect);
            log_->cardSelected.push_back(selected);
        }
        painter.fillRect(rect, card_);
        QPainterPath path;
        path.addRect(rect);
        return path;
    }
    void drawCardBorder(QPainter&, const QPainterPath&, bool, const RingScene&) const override {}
    QRectF selectionArea(QPointF, const RingLayout&, int) const override { return {}; }

private:
    std::shared_ptr<LookLog> log_;
    QColor badge_;
    QColor card_;
};

using test::solidImage;

// Where a badge is drawn on an icon not aimed at: at its top right, 12 % of its side in.
QPointF badgeAt(const QRectF& icon) {
    return {maxX(icon) - 0.12 * 52, maxY(icon) - 0.12 * 52};
}
using test::windowChips;

RingApp app(const QString& name, std::optional<qint32> pid = std::nullopt) {
    RingApp entry;
    entry.name = name;
    entry.icon = solidImage(QColor(255, 128, 0));
    entry.stagedPID = pid;
    return entry;
}

// The angles the shown chips take along the arc, from the first one's edge to the last one's.
std::pair<double, double> arcTrack(const RingView& view) {
    double from = 10, to = -10;
    for (const WindowChip& chip : view.chips()) {
        from = std::min(from, chip.angle - chip.halfSpan);
        to = std::max(to, chip.angle + chip.halfSpan);
    }
    return {from, to};
}

class RingRenderTest : public ::testing::Test {
protected:
    RingRenderTest() : view(clock) {
        view.bounds = QRectF(0, 0, 1440, 900);
        view.layout = RingLayout(8);
        view.ringCenter = QPointF(720, 450);
        view.setLook(std::make_shared<TestLook>(log));
        for (int i = 0; i < 8; ++i) view.apps.push_back(app(QStringLiteral("A%1").arg(i)));
    }

    // Renders the whole invalid area at `scale`.
    void draw(double scale = 1) {
        view.invalidateAll();
        layer = onlyLayer(view.updateLayers(scale));
        ASSERT_FALSE(layer.image.isNull());
        shown = test::ViewPicture(layer.image, layer.area);
    }
    QColor at(QPointF p) { return shown.at(p); }
    bool isColor(QPointF p, const QColor& c) { return shown.shows(p, c); }
    // Twenty-four entries, every third running; every other name fills the widest card the
    // middle has.
    void showLongNames() {
        view.apps.clear();
        for (int i = 0; i < 24; ++i) {
            QString name = QStringLiteral("Entry %1").arg(i);
            if (i % 2 == 0)
                name += QStringLiteral(" with a name far too long for the middle of any ring");
            view.apps.push_back(app(name, i % 3 ? std::nullopt : std::optional<qint32>(100 + i)));
        }
        view.layout = RingLayout(24);
    }
    // Window `id` shows `pictures[id - 1]` (which must outlive the view's use), its card fully
    // grown at once.
    void showPictures(const std::vector<QImage>& pictures) {
        view.showsThumbnails = true;
        view.reduceMotion = true;
        view.thumbnail = [&pictures](quint32 id) {
            return pictures.at(id - 1);
        };
    }
    // Chips whose titles run over two lines of the card in the middle.
    static std::vector<WindowChip> longTitledChips(int count) {
        std::vector<WindowChip> chips = windowChips(count);
        for (WindowChip& chip : chips) {
            std::get<WindowChip::Window>(chip.kind).info.title +=
                QStringLiteral(" of a document whose title runs over two lines of the card");
        }
        return chips;
    }

    std::shared_ptr<LookLog> log = std::make_shared<LookLog>();
    sim::VirtualClock clock;
    RingView view;
    RingView::Layer layer;
    test::ViewPicture shown{QImage(), QRectF()};
};

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
double lay(QImage& picture, const QRectF& bounds, const RingView::Layer& layer, double scale) {
    const QPoint at(qRound((minX(layer.area) - minX(bounds)) * scale),
                    qRound((maxY(bounds) - maxY(layer.area)) * scale));
    const QSize size = (layer.area.size() * scale).toSize();
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(at.y() + y)) + at.x();
        if (layer.image.isNull())  // emptied
            std::fill_n(line, size.width(), 0u);
        else
            std::copy_n(reinterpret_cast<const QRgb*>(layer.image.constScanLine(y)), size.width(),
                        line);
    }
    return layer.image.isNull() ? 0 : layer.area.width() * layer.area.height();
}

// Lays every piece the view draws now over `picture`; how much they drew.
double layAll(QImage& picture, RingView& view, double scale) {
    double drawn = 0;
    for (const RingView::Layer& layer : view.updateLayers(scale))
        drawn += lay(picture, view.bounds, layer, scale);
    return drawn;
}

// The view drawn afresh as the window's picture shows it, and how much of it was drawn rather
// than left empty.
std::pair<QImage, double> drawnAfresh(RingView& view, double scale) {
    view.invalidateAll();
    QImage picture((view.bounds.size() * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    const double drawn = layAll(picture, view, scale);
    return {picture, drawn};
}

// Notes on which threads a look's cards are drawn. The look's body waits (a generous while at
// most) until `aside` cards have been drawn on other threads, so that the frame's thread leaves
// them all to the thread beside it.
struct CardThreads {
    int aside = 0;
    std::mutex guard;
    std::condition_variable drawn;
    std::vector<std::thread::id> threads;
    std::thread::id frame;

    /// Cards drawn on the last body's thread, and elsewhere; with `guard` held.
    std::pair<int, int> count() const {
        const auto here = std::count(threads.begin(), threads.end(), frame);
        return {static_cast<int>(here), static_cast<int>(threads.size() - here)};
    }
};

template <typename Look>
class ThreadNoting : public Look {
public:
    template <typename... Args>
    explicit ThreadNoting(CardThreads& noted, Args... args) : Look(args...), noted_(noted) {}

    void drawBody(QPainter& painter, const RingScene& scene) const override {
        {
            std::unique_lock lock(noted_.guard);
            noted_.frame = std::this_thread::get_id();
            noted_.drawn.wait_for(lock, std::chrono::seconds(60),
                                  [this] { return noted_.count().second >= noted_.aside; });
        }
        Look::drawBody(painter, scene);
    }
    QPainterPath drawCardFrame(QPainter& painter, const QRectF& rect, bool selected,
                               const RingScene& scene) const override {
        {
            const std::lock_guard lock(noted_.guard);
            noted_.threads.push_back(std::this_thread::get_id());
        }
        noted_.drawn.notify_all();
        return Look::drawCardFrame(painter, rect, selected, scene);
    }

private:
    CardThreads& noted_;
};

std::shared_ptr<const RingLook> threadNoting(CardThreads& noted, RingStyle style, bool dark) {
    switch (style) {
        case RingStyle::Glass:
            return std::make_shared<ThreadNoting<GlassLook>>(noted, dark);
        case RingStyle::Outline:
            return std::make_shared<ThreadNoting<OutlineLook>>(noted, dark);
        case RingStyle::Orbit:
            return std::make_shared<ThreadNoting<OrbitLook>>(noted, dark);
        case RingStyle::Quib:
            return std::make_shared<ThreadNoting<QuibLook>>(noted, standardBackground(style));
        case RingStyle::Aura:
            return std::make_shared<ThreadNoting<AuraLook>>(noted, standardBackground(style));
    }
    return nullptr;
}

TEST_F(RingRenderTest, CardsComposedBesideTheRingLookAsCardsComposedInTurn) {
    // Both ways are forced. A frame is drawn on a thread of Qt's pool, and cards are composed
    // beside it on another thread of the pool when one is free. With the pool emptied first, a
    // pool of one thread has none for the cards; a pool of two has one, and the frame waits for
    // it to compose them all.
    std::vector<QImage> pictures;
    for (int i = 0; i < 9; ++i) {
        pictures.push_back(solidImage(QColor::fromHsv(i * 40, 160, 220), 320, 200));
        QPainter(&pictures.back()).fillRect(QRect(0, 0, 320, 24), QColor(30, 30, 30));
    }
    showPictures(pictures);
    view.showChips(windowChips(9), 2);
    ASSERT_EQ(view.activeLayout(), WindowLayout::Arc);
    view.setSelectedChip(4);
    view.setSelectedApp(2);
    constexpr int cards = 2 * 9;  // each measured, then drawn
    CardThreads noted;
    const auto composed = [&](int threads, int aside) {
        const test::PoolLimit limit(threads);
        EXPECT_TRUE(test::emptiedPool());
        view.forgetPictures();
        view.caches().clear();
        noted.threads.clear();
        noted.aside = aside;
        return drawnAfresh(view, 2).first;
    };
    for (RingStyle style : allRingStyles) {
        for (const bool dark : {true, false}) {
            SCOPED_TRACE(rawValue(style).toStdString() + (dark ? " dark" : " light"));
            view.setLook(threadNoting(noted, style, dark));
            const QImage inTurn = composed(1, 0);
            ASSERT_EQ(noted.count(), std::pair(cards, 0));
            const QImage beside = composed(2, cards);
            ASSERT_EQ(noted.count(), std::pair(0, cards));
            EXPECT_EQ(test::pixelDifference(inTurn, beside).over, 0);
            // And the next frame copies them all.
            noted.aside = 0;
            const QImage again = drawnAfresh(view, 2).first;
            EXPECT_EQ(noted.threads.size(), size_t{cards});
            EXPECT_EQ(test::pixelDifference(inTurn, again).over, 0);
        }
    }
    view.setLook(nullptr);
}

// Checks that the pieces drawn now, laid over `picture` as the window lays them, give the
// picture drawn whole, to within `tolerance` levels; then takes that picture. Returns how much
// the pieces covered.
double expectPiecesMakeTheWhole(RingView& view, QImage& picture, double scale, int tolerance = 0) {
    const double drawn = layAll(picture, view, scale);
    const QImage whole = drawnAfresh(view, scale).first;
    EXPECT_EQ(test::pixelDifference(picture, whole, tolerance).over, 0);
    picture = whole;
    return drawn;
}

TEST_F(RingRenderTest, PiecesDrawnAlongTheRingAndItsCardsAddUpToTheWholePicture) {
    // Twenty-four entries, some running and some with badges, in every look: the pieces drawn
    // as the pointer moves along the ring or the cards, laid over the picture before, must give
    // the picture drawn whole, to the last bit.
    showLongNames();
    view.frontmostPID = 103;
    std::vector<int> counts(24, 1);
    counts[1] = 2;
    counts[2] = 12;
    counts[23] = 4;
    view.reduceMotion = true;
    view.thumbnail = [picture = solidImage(QColor(40, 90, 200), 64, 40)](quint32) {
        return picture;
    };
    constexpr double scale = 2;
    for (const RingStyle style : allRingStyles) {
        for (const bool dark : {true, false}) {
            SCOPED_TRACE(rawValue(style).toStdString() + (dark ? " dark" : " light"));
            view.setLook(makeLook(LookChoice{style, standardBackground(style), dark}));
            view.showsThumbnails = false;
            view.setSelectedApp(std::nullopt);
            view.setWindowCounts(counts);
            const QRectF area = view.contentArea();
            QImage picture = drawnAfresh(view, scale).first;
            const QPointF top = view.ringCenter + QPointF(0, view.layout.radius);
            EXPECT_TRUE(test::ViewPicture(picture, view.bounds).shows(top, QColor(255, 128, 0)));
            // Next door (both ways, round the top), across the ring, off it and back. Even the
            // aura's glow, the widest mark, leaves much of the ring alone between neighbours.
            for (const int aim : {0, 1, 0, 23, 12, -1, 2}) {
                SCOPED_TRACE(aim);
                const std::optional<int> before = view.selectedApp();
                view.setSelectedApp(aim < 0 ? std::nullopt : std::optional(aim));
                const double drawn = expectPiecesMakeTheWhole(view, picture, scale);
                if (before && aim >= 0 && std::abs(*before - aim) == 1) {
                    EXPECT_LT(drawn, 0.6 * area.width() * area.height());
                }
            }

            // Along the arc of window cards.
            view.showsThumbnails = true;
            view.showChips(longTitledChips(5), 2);
            view.setSelectedChip(0);
            double drawn = 0;
            std::tie(picture, drawn) = drawnAfresh(view, scale);
            EXPECT_GT(test::ViewPicture(picture, view.bounds).alpha(view.chips()[1].frame.center()),
                      0);
            // The room kept for the previews of the cards not selected is left empty.
            const QRectF chipArea = view.contentArea();
            EXPECT_LT(drawn, 0.9 * chipArea.width() * chipArea.height());
            // A preview far from the last one, none (its room emptied), and one again.
            for (const int aim : {1, 4, -1, 3, 0}) {
                SCOPED_TRACE(100 + aim);
                view.setSelectedChip(aim < 0 ? std::nullopt : std::optional(aim));
                expectPiecesMakeTheWhole(view, picture, scale);
            }
            view.hideChips();
        }
    }
}

TEST_F(RingRenderTest, PiecesDrawnAsPreviewsGrowAddUpToTheWholePicture) {
    // Moving along the chips redraws only pieces of the picture, and a growing preview only its
    // own: after every step the picture must be what drawing everything afresh gives, in every
    // look and layout. Long names and titles in the middle reach across the pieces' edges.
    view.showsThumbnails = true;
    view.thumbnail = [picture = solidImage(QColor(90, 140, 210), 320, 200)](quint32 id) {
        return id % 3 == 0 ? QImage() : picture;  // some windows have no picture yet
    };
    showLongNames();
    for (const RingStyle style : allRingStyles) {
        for (const auto& [layout, scale] :
             {std::pair{WindowLayout::Arc, 2.0}, std::pair{WindowLayout::Column, 1.0}}) {
            SCOPED_TRACE(rawValue(style).toStdString() +
                         (layout == WindowLayout::Arc ? " arc" : " column"));
            view.setLook(makeLook(LookChoice{style, standardBackground(style), true}));
            view.windowLayout = layout;
            view.setSelectedApp(2);
            QImage picture = drawnAfresh(view, scale).first;
            // Antialiased edges that cross a piece's border may round one level apart.
            const auto check = [&](const char* step) {
                SCOPED_TRACE(step);
                expectPiecesMakeTheWhole(view, picture, scale, 1);
            };
            view.showChips(longTitledChips(7), 2);
            check("chips shown");
            for (const int i : {0, 1, 2, 4, 3, 6}) {
                SCOPED_TRACE(i);
                view.setSelectedChip(i);
                check("chip aimed at");
                // Halfway through the preview's growth, then grown.
                clock.advance(0.05);
                view.advanceAnimations();
                check("preview growing");
                clock.advance(0.1);
                view.advanceAnimations();
                check("preview grown");
            }
            view.setSelectedChip(std::nullopt);
            check("chip left");
            view.setSelectedApp(5);
            view.showChips(longTitledChips(2), 5);
            view.setSelectedChip(1);
            check("other chips");
            view.hideChips();
            check("chips hidden");
        }
    }
}

}  // namespace
}  // namespace tandri
