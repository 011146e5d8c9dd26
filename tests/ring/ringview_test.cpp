#include <gtest/gtest.h>

#include "platform/sim/virtualclock.h"
#include "ring/ringgeometry.h"
#include "ring/ringview.h"

namespace tandri {
namespace {

std::vector<WindowChip> windowChips(int count) {
    std::vector<WindowChip> chips;
    for (int i = 0; i < count; ++i) {
        WindowInfo info;
        info.title = QStringLiteral("W%1").arg(i);
        info.id = static_cast<quint32>(i + 1);
        chips.push_back(WindowChip{WindowChip::Window{info}});
    }
    return chips;
}

class RingViewTest : public ::testing::Test {
protected:
    RingViewTest() : view(clock) {
        view.bounds = QRectF(0, 0, 1440, 900);
        view.layout = RingLayout(8);
        view.ringCenter = QPointF(720, 450);
    }
    sim::VirtualClock clock;
    RingView view;
};

TEST_F(RingViewTest, ChipsNeverHitUnderTheRingItself) {
    view.windowLayout = WindowLayout::Column;
    view.showChips(windowChips(3), 2);
    ASSERT_EQ(view.chips().size(), 3u);
    // Points inside the ring's outer edge minus 2 miss every chip, whatever the reach.
    const double outer = view.layout.outerRadius();
    EXPECT_EQ(view.chipIndex(QPointF(720 + outer - 2.5, 450), 1000), std::nullopt);
    const QRectF first = view.chips()[0].frame;
    EXPECT_EQ(view.chipIndex(first.center(), 0), 0);
    EXPECT_EQ(view.chipIndex(first.center() + QPointF(0, first.height() / 2 + 47), 48), 0);
    EXPECT_EQ(view.chipIndex(QPointF(geometry::maxX(first) + 60, first.center().y()), 48),
              std::nullopt);
}

TEST_F(RingViewTest, ColumnStaysInsideThePlacementBounds) {
    view.ringCenter = QPointF(1300, 450);  // entry 2 (right) sits near the right edge
    view.placementBounds = QRectF(8, 8, 1424, 884);
    view.windowLayout = WindowLayout::Column;
    view.showChips(windowChips(4), 2);
    for (const auto& chip : view.chips()) {
        EXPECT_TRUE(view.placementBounds.contains(chip.frame)) << chip.frame.x();
        EXPECT_EQ(chip.frame.size(), RingView::chipSize);
    }
    EXPECT_EQ(view.activeLayout(), WindowLayout::Column);
    EXPECT_EQ(view.chipsApp(), 2);
}

TEST_F(RingViewTest, ChangesMarkOnlyTheRingAndChipAreasForDrawing) {
    view.takeInvalidRect();
    view.setSelectedApp(1);
    EXPECT_EQ(view.takeInvalidRect(), geometry::grown(view.ringRect(), 28));
    view.setSelectedApp(1);  // the same value: nothing to draw
    EXPECT_TRUE(view.takeInvalidRect().isEmpty());

    view.showChips(windowChips(2), 0);
    const QRectF chipsArea = view.chipsDirtyRect();
    EXPECT_EQ(chipsArea, geometry::grown(view.chipsBounds(), 30));
    EXPECT_TRUE(view.takeInvalidRect().contains(chipsArea));
    view.hideChips();
    EXPECT_TRUE(view.chips().empty());
    EXPECT_EQ(view.chipsApp(), std::nullopt);
    EXPECT_TRUE(view.takeInvalidRect().contains(chipsArea));
    EXPECT_TRUE(view.chipsDirtyRect().isEmpty());
}

TEST_F(RingViewTest, SelectingAChipStartsThePreviewGrowing) {
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
    EXPECT_TRUE(growing.contains(geometry::grown(view.magnifiedFrame(1), 30)));
    EXPECT_TRUE(growing.contains(view.chips()[1].frame));
    clock.advance(0.06);
    view.advanceAnimations();
    EXPECT_TRUE(view.takeInvalidRect().isEmpty());

    view.reduceMotion = true;
    view.setSelectedChip(0);
    EXPECT_EQ(view.magnifyProgress(), 1.0);
}

TEST_F(RingViewTest, ItemsAndThePermissionChipNeverCarryThumbnails) {
    view.showsThumbnails = true;
    view.showChips({WindowChip{WindowChip::AllowAccess{}}}, 0);
    EXPECT_FALSE(view.hasThumbnailChips());
    EXPECT_EQ(view.chips()[0].frame.size(), RingView::chipSize);
    view.showChips({WindowChip{WindowChip::File{QUrl::fromLocalFile("/tmp/a")}}}, 0);
    EXPECT_TRUE(view.chipsAreItems());
    EXPECT_FALSE(view.hasThumbnailChips());
}

TEST_F(RingViewTest, EventsReachTheirCallbacksAndEmptyDropsAreRefused) {
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
