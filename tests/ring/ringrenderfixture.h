// SPDX-License-Identifier: MIT
#pragma once

// The render tests' shared fixture: a view drawing stand-in looks whose shapes are flat colours.
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

namespace tandri::test {

using namespace geometry;

// The one picture of an update that draws a single piece; none when nothing was drawn.
inline RingView::Layer onlyLayer(std::vector<RingView::Layer> layers) {
    std::erase_if(layers, [](const RingView::Layer& layer) { return layer.image.isNull(); });
    EXPECT_LE(layers.size(), 1u);
    return layers.empty() ? RingView::Layer{} : layers.front();
}

// Flat colours a test can find in the picture.
inline const QColor iconColor(255, 0, 255);
inline const QColor moreColor(0, 255, 255);
inline const QColor accentColor(255, 0, 0);
inline const QColor runningColor(0, 255, 0);
inline const QColor cardColor(0, 0, 255);
inline const QColor rowFill(0, 0, 160);
inline const QColor badgeColor(255, 255, 0);

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
    QColor runningColor() const override { return test::runningColor; }
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
inline QPointF badgeAt(const QRectF& icon) {
    return {maxX(icon) - 0.12 * 52, maxY(icon) - 0.12 * 52};
}
using test::windowChips;

inline RingApp app(const QString& name, std::optional<qint32> pid = std::nullopt) {
    RingApp entry;
    entry.name = name;
    entry.icon = solidImage(QColor(255, 128, 0));
    entry.stagedPID = pid;
    return entry;
}

// The angles the shown chips take along the arc, from the first one's edge to the last one's.
inline std::pair<double, double> arcTrack(const RingView& view) {
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

}  // namespace tandri::test
