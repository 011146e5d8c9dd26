// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "ringrenderfixture.h"

namespace tandri {
namespace {

using namespace test;
using namespace geometry;

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
