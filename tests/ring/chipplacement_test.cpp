// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/sim/virtualclock.h"
#include "ring/ringgeometry.h"
#include "ring/ringview.h"
#include "support/ringentries.h"

namespace tandri {
namespace {

using namespace geometry;

constexpr double degree = std::numbers::pi / 180;

using test::windowChips;

std::vector<WindowChip> fileChips(int count) {
    std::vector<WindowChip> chips;
    for (int i = 0; i < count; ++i)
        chips.push_back(
            WindowChip{WindowChip::File{QUrl::fromLocalFile(QStringLiteral("/tmp/f%1").arg(i))}});
    return chips;
}

QRectF centred(QPointF c, QSizeF s) {
    return {c.x() - s.width() / 2, c.y() - s.height() / 2, s.width(), s.height()};
}

bool inside(const QRectF& outer, const QRectF& r) {
    const double e = 1e-6;
    return minX(r) >= minX(outer) - e && maxX(r) <= maxX(outer) + e && minY(r) >= minY(outer) - e &&
           maxY(r) <= maxY(outer) + e;
}

class ChipPlacementTest : public ::testing::Test {
protected:
    ChipPlacementTest() : view(clock) {
        view.bounds = QRectF(0, 0, 1440, 900);
        view.placementBounds = QRectF(8, 8, 1424, 884);
        view.layout = RingLayout(8);  // radius 88, icons 52, outer edge 126
        view.ringCenter = QPointF(720, 450);
    }

    // Whether the arc of the shown chips, turned by `offset`, would lie inside the bounds.
    bool arcFitsAt(int index, double offset) const {
        const QSizeF item = view.arcItemSize();
        const auto angles =
            RingView::arcAngles(static_cast<int>(view.chips().size()),
                                view.layout.angle(index) + offset, view.arcRadius(), item);
        for (const double a : angles) {
            const QPointF c =
                view.ringCenter + view.arcRadius() * QPointF(std::cos(a), std::sin(a));
            if (!inside(view.placementBounds, centred(c, item)))
                return false;
        }
        return true;
    }

    // How far the shown chips spread along the arc, from the first centre to the last.
    double arcSpan() const {
        const auto [low, high] = std::minmax_element(
            view.chips().begin(), view.chips().end(),
            [](const WindowChip& a, const WindowChip& b) { return a.angle < b.angle; });
        return high->angle - low->angle;
    }

    sim::VirtualClock clock;
    RingView view;
};

TEST_F(ChipPlacementTest, TheArcShowsNineWindowsOrTwentyItemsAtMostWithAMoreChipForTheRest) {
    // Folder items and overflow apps take the arc whatever the layout, and spread wider.
    struct Case {
        std::vector<WindowChip> chips;
        size_t shown;
        int more;  // 0 for no "more" chip
        double fromDegrees, toDegrees;
    };
    for (const Case& c :
         {Case{windowChips(12), 9, 4, 140, 151}, Case{fileChips(25), 20, 6, 151, 231},
          Case{fileChips(20), 20, 0, 151, 231}}) {
        SCOPED_TRACE(c.chips.size());
        const bool items = std::holds_alternative<WindowChip::File>(c.chips[0].kind);
        view.windowLayout = items ? WindowLayout::Column : WindowLayout::Arc;
        view.showChips(c.chips, 0);
        EXPECT_EQ(view.activeLayout(), WindowLayout::Arc);
        ASSERT_EQ(view.chips().size(), c.shown);
        const size_t listed = c.more ? c.shown - 1 : c.shown;
        for (size_t i = 0; i < listed; ++i) EXPECT_EQ(view.chips()[i].title(), c.chips[i].title());
        const auto* more = std::get_if<WindowChip::More>(&view.chips().back().kind);
        EXPECT_EQ(more ? more->count : 0, c.more);
        if (more) {
            EXPECT_EQ(view.chips().back().title(), QStringLiteral("%1 more windows").arg(c.more));
        }
        EXPECT_GT(arcSpan(), c.fromDegrees * degree);
        EXPECT_LT(arcSpan(), c.toDegrees * degree);
    }
    // Nothing near the edges: no rotation, the first chip straight out from the entry.
    view.windowLayout = WindowLayout::Arc;
    view.showChips(windowChips(12), 0);
    EXPECT_DOUBLE_EQ(view.chips()[0].angle, std::numbers::pi / 2);
    // 40 + 126 + 26 would spread nine icons over more than 150°: the circle was widened.
    EXPECT_GT(view.arcRadius(), 172);
    for (const auto& chip : view.chips()) {
        EXPECT_EQ(chip.frame.size(), RingView::arcIconSize);
        EXPECT_NEAR(distance(chip.frame.center(), view.ringCenter), view.arcRadius(), 1e-9);
        EXPECT_GT(chip.halfSpan, 0);
    }
}

TEST_F(ChipPlacementTest, ArcChipsAlternateSidesAndKeepJustTheirGap) {
    view.showChips(windowChips(5), 2);
    const auto& c = view.chips();
    ASSERT_EQ(c.size(), 5u);
    // Chip 1 clockwise of the first, chip 2 counter-clockwise, and so on outward.
    const int order[] = {3, 1, 0, 2, 4};
    for (int k = 0; k + 1 < 5; ++k) {
        EXPECT_LT(c[order[k]].angle, c[order[k + 1]].angle) << k;
        const QRectF a = c[order[k]].frame;
        const QRectF b = c[order[k + 1]].frame;
        const double dx = std::abs(a.center().x() - b.center().x()) - a.width();
        const double dy = std::abs(a.center().y() - b.center().y()) - a.height();
        EXPECT_GE(std::max(dx, dy), RingView::arcGap - 1e-6) << k;
        EXPECT_LT(std::max(dx, dy), RingView::arcGap + 0.01) << k;  // no wider than needed
    }
    EXPECT_EQ(view.arcNeighbors(0), (std::vector<int>{1, 2}));
    EXPECT_EQ(view.arcNeighbors(3), (std::vector<int>{1}));
    EXPECT_EQ(view.arcNeighbors(4), (std::vector<int>{2}));
    EXPECT_TRUE(view.arcNeighbors(7).empty());

    // The angles start at the base and step just far enough.
    const QSizeF item = RingView::arcIconSize;
    EXPECT_TRUE(RingView::arcAngles(0, 1, 172, item).empty());
    EXPECT_EQ(RingView::arcAngles(1, 1.25, 172, item), std::vector<double>{1.25});
    const auto a = RingView::arcAngles(3, std::numbers::pi / 2, 172, item);
    ASSERT_EQ(a.size(), 3u);
    // Straight up, the boxes must be 52 apart horizontally: a step of asin(52 / 172).
    EXPECT_NEAR(std::numbers::pi / 2 - a[1], std::asin(52.0 / 172), 1e-7);
    EXPECT_NEAR(a[2] - std::numbers::pi / 2, std::asin(52.0 / 172), 1e-7);
}

TEST_F(ChipPlacementTest, NearACornerTheArcTurnsInSixDegreeStepsLargerAnglesFirst) {
    // Top right, turning counter-clockwise (larger angles) leads away from both edges; top left,
    // only turning clockwise does.
    for (const double x : {1432.0 - 150, 8.0 + 150}) {
        SCOPED_TRACE(x);
        view.ringCenter = QPointF(x, 892 - 150);
        view.showChips(windowChips(3), 0);
        ASSERT_EQ(view.activeLayout(), WindowLayout::Arc);
        const double steps = (view.chips()[0].angle - std::numbers::pi / 2) / (6 * degree);
        EXPECT_NEAR(steps, std::round(steps), 1e-9);
        const int k = static_cast<int>(std::lround(steps));
        EXPECT_TRUE(x > 720 ? k > 0 : k < 0);
        for (const auto& chip : view.chips()) EXPECT_TRUE(inside(view.placementBounds, chip.frame));
        // Every try before the winner failed: 0, +6, −6, +12, −12 …
        for (int j = 0; j < std::abs(k); ++j) {
            EXPECT_FALSE(arcFitsAt(0, j * 6 * degree)) << j;
            EXPECT_FALSE(arcFitsAt(0, -j * 6 * degree)) << j;
        }
        EXPECT_FALSE(k < 0 && arcFitsAt(0, -k * 6 * degree));
    }

    // Just under the top edge both turns fit: the counter-clockwise one wins.
    view.ringCenter = QPointF(720, 892 - 191.5);
    view.showChips(windowChips(3), 0);
    ASSERT_EQ(view.activeLayout(), WindowLayout::Arc);
    EXPECT_TRUE(arcFitsAt(0, -6 * degree));
    EXPECT_NEAR(view.chips()[0].angle, 96 * degree, 1e-9);

    // Bounds too small for any item at the arc's radius, in any direction: the whole column,
    // with the list the arc shortened restored.
    view.ringCenter = QPointF(720, 450);
    view.placementBounds = QRectF(720 - 140, 450 - 140, 280, 280);
    view.showChips(windowChips(12), 0);
    EXPECT_EQ(view.activeLayout(), WindowLayout::Column);
    ASSERT_EQ(view.chips().size(), 12u);
    for (const auto& chip : view.chips()) {
        EXPECT_TRUE(std::holds_alternative<WindowChip::Window>(chip.kind));
        EXPECT_EQ(chip.frame.size(), RingView::chipSize);
    }
}

TEST_F(ChipPlacementTest, TheColumnStacksEveryChipWhereItFitsBest) {
    // Rows of 240 × 28 every 33 points, from the first row up (+) or down (−).
    struct Case {
        const char* where;
        QPointF center;
        QRectF bounds;
        int entry;
        int count;
        QPointF first;
        double step;
    };
    const QRectF screen(8, 8, 1424, 884);
    const double lowerRight = 450 - 88 * std::numbers::sqrt2 / 2 - 14;
    for (const Case& c : {
             // Beside the ring on the entry's side, level with its icon.
             Case{"right entry", {720, 450}, screen, 2, 12, {858, 436}, -33},
             Case{"left entry", {720, 450}, screen, 6, 2, {342, 436}, 33},
             // Toward the ring's middle: up from an entry below.
             Case{"lower right entry", {720, 450}, screen, 3, 2, {858, lowerRight}, 33},
             Case{"top entry: above the ring", {720, 450}, screen, 0, 3, {600, 588}, 33},
             Case{"bottom entry: below it", {720, 450}, screen, 4, 2, {600, 284}, -33},
             // Beside the ring would slide over it: the stack above, slid left.
             Case{"near the right edge", {1300, 450}, screen, 2, 4, {1192, 588}, 33},
             // Both stacks would slide onto the ring too: the left side.
             Case{"short screen", {1300, 200}, {8, 8, 1424, 384}, 2, 4, {922, 186}, -33},
             // No room anywhere: the first choice, slid inside, though it covers the ring.
             Case{"no room", {1300, 450}, {1100, 300, 400, 300}, 2, 4, {1260, 436}, -33},
         }) {
        SCOPED_TRACE(c.where);
        view.windowLayout = WindowLayout::Column;
        view.ringCenter = c.center;
        view.placementBounds = c.bounds;
        view.showChips(windowChips(c.count), c.entry);
        EXPECT_EQ(view.activeLayout(), WindowLayout::Column);
        ASSERT_EQ(view.chips().size(), size_t(c.count));
        for (int k = 0; k < c.count; ++k) {
            EXPECT_EQ(view.chips()[k].frame,
                      QRectF(c.first + QPointF(0, c.step * k), QSizeF(240, 28)))
                << k;
            EXPECT_TRUE(inside(c.bounds, view.chips()[k].frame)) << k;
        }
    }
    // The permission chip always goes in the column.
    view.windowLayout = WindowLayout::Arc;
    view.ringCenter = QPointF(720, 450);
    view.placementBounds = screen;
    view.showChips({WindowChip{WindowChip::AllowAccess{}}}, 2);
    EXPECT_EQ(view.activeLayout(), WindowLayout::Column);
    EXPECT_EQ(view.chips()[0].frame, QRectF(858, 436, 240, 28));
}

TEST_F(ChipPlacementTest, HitTestOnTheArcAndItsBigCard) {
    view.showChips(windowChips(5), 2);
    const auto& c = view.chips();
    // Inside the ring's edge nothing is hit, even with a huge reach.
    EXPECT_EQ(view.chipIndex(view.ringCenter + QPointF(123.9, 0), 500), std::nullopt);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(view.chipIndex(c[i].frame.center(), 0), i);
    const double r = view.arcRadius();
    const auto at = [&](double a, double d) {
        return view.ringCenter + d * QPointF(std::cos(a), std::sin(a));
    };
    // Between two chips the nearer direction wins.
    EXPECT_EQ(view.chipIndex(at(0.4 * c[2].angle, r), 0), 0);
    EXPECT_EQ(view.chipIndex(at(0.6 * c[2].angle, r), 0), 2);
    // Past the last chip's share of the arc, or beyond the radius plus the reach: nothing.
    EXPECT_EQ(view.chipIndex(at(c[4].angle + 2 * c[4].halfSpan - 0.01, r), 0), 4);
    EXPECT_EQ(view.chipIndex(at(c[4].angle + 2 * c[4].halfSpan + 0.01, r), 0), std::nullopt);
    EXPECT_EQ(view.chipIndex(at(0, r + 20 + 48 - 0.5), 48), 0);
    EXPECT_EQ(view.chipIndex(at(0, r + 20 + 48 + 0.5), 48), std::nullopt);

    // The selected chip's big card keeps it, even where the card lies nearer chip 2's direction.
    view.showsThumbnails = true;
    view.showChips(windowChips(3), 2);
    const QRectF card = view.magnifiedFrame(0);
    const QPointF p = view.ringCenter + QPointF(160, 60);
    ASSERT_TRUE(card.contains(p));
    EXPECT_EQ(view.chipIndex(p, 0), 2);
    view.setSelectedChip(0);
    EXPECT_EQ(view.chipIndex(p, 0), 0);
    EXPECT_EQ(view.chipIndex(QPointF(maxX(card) + 10, p.y()), 12), 0);  // within the reach
}

TEST_F(ChipPlacementTest, HitTestInTheColumnPrefersTheLowerIndexOnATie) {
    view.windowLayout = WindowLayout::Column;
    view.showChips(windowChips(3), 2);
    const QRectF row0 = view.chips()[0].frame;
    const QRectF row1 = view.chips()[1].frame;
    ASSERT_DOUBLE_EQ(minY(row0) - maxY(row1), 5);
    const QPointF middle(row0.center().x(), maxY(row1) + 2.5);
    EXPECT_EQ(view.chipIndex(middle, 2.5), 0);
    EXPECT_EQ(view.chipIndex(QPointF(maxX(row0) + 60, row0.center().y()), 48), std::nullopt);
    // Inside the ring's edge (less 2) nothing is hit, whatever the reach.
    EXPECT_EQ(view.chipIndex(QPointF(720 + 126 - 2.5, 450), 1000), std::nullopt);
    EXPECT_EQ(view.chipIndex(middle, 2.4), std::nullopt);
    EXPECT_EQ(view.chipIndex(middle + QPointF(0, -0.1), 12), 1);
}

TEST_F(ChipPlacementTest, PreviewAspectFollowsTheThumbnail) {
    view.showsThumbnails = true;
    view.thumbnail = [](quint32 id) {
        if (id == 1)
            return QImage(300, 600, QImage::Format_ARGB32_Premultiplied);  // portrait
        if (id == 2)
            return QImage(1600, 900, QImage::Format_ARGB32_Premultiplied);
        return QImage();
    };
    view.showChips(windowChips(3), 2);
    // A tall window is limited by 19/28 of the width.
    EXPECT_EQ(view.magnifiedFrame(0).size(), QSizeF(95, 190));
    EXPECT_EQ(view.magnifiedFrame(1).size(), QSizeF(280, 157.5));
    // No picture yet: a 1.6 : 1 card.
    EXPECT_EQ(view.magnifiedFrame(2).size(), QSizeF(280, 175));
    EXPECT_TRUE(view.magnifiedFrame(3).isEmpty());
    EXPECT_TRUE(view.magnifiedFrame(-1).isEmpty());

    // On the arc the card grows outward from its chip.
    const QRectF card = view.magnifiedFrame(2);
    const double a = view.chips()[2].angle;
    const QPointF c = card.center() - view.ringCenter;
    EXPECT_NEAR(std::atan2(c.y(), c.x()), a, 1e-9);
    EXPECT_GT(std::hypot(c.x(), c.y()), view.arcRadius());
}

TEST_F(ChipPlacementTest, PreviewShrinksBySteps) {
    view.showsThumbnails = true;
    view.placementBounds = QRectF(8, 450 - 100, 1424, 200);
    view.showChips(windowChips(1), 2);
    ASSERT_EQ(view.activeLayout(), WindowLayout::Arc);
    EXPECT_EQ(view.magnifiedFrame(0).size(), QSizeF(280, 175));

    // Each band admits cards up to its height (plus half a point): 175, 154, 135.5, 119.3, 104.9.
    const std::pair<double, double> cases[] = {
        {160, 246.4}, {140, 216.832}, {125, 190.81216}, {110, 167.9147}, {80, 167.9147}};
    for (const auto& [height, width] : cases) {
        view.placementBounds = QRectF(8, 450 - height / 2, 1424, height);
        view.showChips(windowChips(1), 2);
        ASSERT_EQ(view.activeLayout(), WindowLayout::Arc) << height;
        EXPECT_NEAR(view.magnifiedFrame(0).width(), width, 1e-3) << height;
    }
    // A larger preview setting starts larger.
    view.previewWidth = 400;
    view.placementBounds = QRectF(8, 8, 1424, 884);
    view.showChips(windowChips(1), 2);
    EXPECT_NEAR(view.magnifiedFrame(0).width(), 400, 1e-9);
}

TEST_F(ChipPlacementTest, ColumnPreviewsGoBesideTheColumnOrAboveOrBelowItAndSlideOnlyAlongIt) {
    // Rows of 280 × 48 beside the ring, 12 points from its edge; cards of 280 × 175 (or
    // narrowed to the room left) 14 points beside, above or below the column.
    struct Case {
        const char* where;
        QPointF center;
        double right;  // of the bounds; they run from x 8, y 8 to y 892
        int entry;
        int chip;
        QRectF card;
    };
    view.showsThumbnails = true;
    view.windowLayout = WindowLayout::Column;
    for (const Case& c : {
             Case{"level with its row", {720, 450}, 1432, 2, 1, {1152, 309.5, 280, 175}},
             Case{"narrowed to the room left", {720, 450}, 1352, 2, 1, {1152, 334.5, 200, 125}},
             // Too little room beside; the ring's side is taken by the ring itself.
             Case{"middle row: above first", {400, 450}, 924, 2, 1, {538, 488, 280, 175}},
             Case{"lowest row: below", {400, 450}, 924, 2, 2, {538, 131, 280, 175}},
             // The outer row is so near the edge that a card level with it would stick out.
             Case{"slid down from the top edge", {700, 766}, 1432, 1, 0, {1132, 717, 280, 175}},
             Case{"slid up from the bottom edge", {700, 134}, 1432, 3, 0, {1132, 8, 280, 175}},
         }) {
        SCOPED_TRACE(c.where);
        view.ringCenter = c.center;
        view.placementBounds = QRectF(8, 8, c.right - 8, 884);
        view.showChips(windowChips(3), c.entry);
        EXPECT_EQ(view.magnifiedFrame(c.chip), c.card);
        // A card beside the column slides the same way on its other side.
        const QRectF all = view.chipsBounds();
        if (minX(c.card) > maxX(all)) {
            EXPECT_EQ(view.previewFrame(c.card.size(), view.chips()[c.chip].frame, false),
                      c.card.translated(minX(all) - 14 - maxX(c.card), 0));
        }
    }
    // Sideways it is never moved, even where it sticks out.
    view.placementBounds = QRectF(8, 8, 1424, 884);
    view.ringCenter = QPointF(1000, 450);
    view.showChips(windowChips(3), 2);
    const QRectF row = view.chips()[0].frame;
    const QRectF beyond = view.previewFrame(QSizeF(280, 175), row, true);
    EXPECT_EQ(minX(beyond), maxX(view.chipsBounds()) + 14);
    EXPECT_GT(maxX(beyond), 1432);
    EXPECT_EQ(beyond.center().y(), row.center().y());
}

TEST_F(ChipPlacementTest, ShowingAndHidingResetTheSelectionAndRedrawWhatTheChipsCover) {
    view.takeInvalidRect();
    view.setSelectedApp(1);
    EXPECT_EQ(view.takeInvalidRect(), grown(view.ringRect(), 28));
    view.setSelectedApp(1);  // the same value: nothing to draw
    EXPECT_TRUE(view.takeInvalidRect().isEmpty());

    view.showChips(windowChips(3), 2);
    EXPECT_EQ(view.chipsDirtyRect(), grown(view.chipsBounds(), 30));
    view.setSelectedChip(1);
    clock.advance(1);
    view.showChips(windowChips(3), 1);
    EXPECT_EQ(view.selectedChip(), std::nullopt);
    EXPECT_EQ(view.chipSelectedAt(), clock.now());
    EXPECT_EQ(view.chipsApp(), 1);

    // Hiding the chips also takes the aimed window's title off the centre.
    view.setSelectedChip(0);
    const QRectF area = view.chipsDirtyRect();
    view.takeInvalidRect();
    view.hideChips();
    const QRectF invalid = view.takeInvalidRect();
    EXPECT_TRUE(invalid.contains(area));
    EXPECT_TRUE(invalid.contains(grown(view.ringRect(), 28)));
    EXPECT_TRUE(view.chips().empty());
    EXPECT_EQ(view.chipsApp(), std::nullopt);
    EXPECT_EQ(view.chipsBounds(), QRectF());
    EXPECT_TRUE(view.chipsDirtyRect().isEmpty());

    // With previews the area reaches over them too.
    view.showsThumbnails = true;
    view.showChips(windowChips(3), 2);
    QRectF expected = view.chipsBounds();
    for (int i = 0; i < 3; ++i) expected = expected.united(view.magnifiedFrame(i));
    EXPECT_EQ(view.chipsDirtyRect(), grown(expected, 30));
    EXPECT_GT(view.chipsDirtyRect().width(), grown(view.chipsBounds(), 30).width());
}

TEST_F(ChipPlacementTest, SelectingAChipStartsThePreviewGrowingButItemsHaveNone) {
    view.showsThumbnails = true;
    view.windowLayout = WindowLayout::Column;
    view.showChips(windowChips(2), 0);
    EXPECT_TRUE(view.hasThumbnailChips());
    EXPECT_EQ(view.chips()[0].frame.size(), RingView::thumbnailRowSize);
    EXPECT_EQ(view.magnifyProgress(), 1.0);  // nothing selected since the distant past
    view.setSelectedChip(1);
    EXPECT_EQ(view.chipSelectedAt(), clock.now());
    EXPECT_EQ(view.magnifyProgress(), 0.0);
    clock.advance(0.05);
    EXPECT_NEAR(view.magnifyProgress(), 1 - 0.125, 1e-9);
    view.takeInvalidRect();
    view.advanceAnimations();
    const QRectF growing = view.takeInvalidRect();
    EXPECT_TRUE(growing.contains(grown(view.magnifiedFrame(1), 30)));
    EXPECT_TRUE(growing.contains(view.chips()[1].frame));
    clock.advance(0.06);
    view.advanceAnimations();
    EXPECT_TRUE(view.takeInvalidRect().isEmpty());

    view.reduceMotion = true;
    view.setSelectedChip(0);
    EXPECT_EQ(view.magnifyProgress(), 1.0);

    // Items and the permission chip never carry thumbnails.
    view.showChips({WindowChip{WindowChip::AllowAccess{}}}, 0);
    EXPECT_FALSE(view.hasThumbnailChips());
    EXPECT_EQ(view.chips()[0].frame.size(), RingView::chipSize);
    view.showChips(fileChips(1), 0);
    EXPECT_TRUE(view.chipsAreItems());
    EXPECT_FALSE(view.hasThumbnailChips());
}

TEST_F(ChipPlacementTest, EventsReachTheirCallbacksAndEmptyDropsAreRefused) {
    int clicks = 0, rightClicks = 0, drops = 0;
    std::vector<int> keys;
    view.mouseDown(MouseButton::Left);  // no callbacks yet: nothing happens
    EXPECT_EQ(view.draggingOperation(), DragOperation::None);
    view.onClick = [&] {
        ++clicks;
    };
    view.onRightClick = [&] {
        ++rightClicks;
    };
    view.onKey = [&](const KeyEvent& e) {
        keys.push_back(e.keyCode);
    };
    view.performDrop = [&](const std::vector<QUrl>&) {
        return ++drops > 0;
    };
    view.mouseDown(MouseButton::Left);
    view.mouseDown(MouseButton::Right);
    view.mouseDown(MouseButton::Other);
    view.keyDown({53, 0});
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(rightClicks, 1);
    EXPECT_EQ(keys, std::vector<int>{53});
    EXPECT_FALSE(view.performDragOperation({}));
    EXPECT_EQ(drops, 0);
    EXPECT_TRUE(view.performDragOperation({QUrl::fromLocalFile("/tmp/x")}));
}

}  // namespace
}  // namespace tandri
