#include "ring/ringview.h"

#include <cmath>

#include "platform/clock.h"
#include "ring/ringgeometry.h"

namespace tandri {

using namespace geometry;

RingView::RingView(const Clock& clock) : clock_(clock), chipSelectedAt_(Clock::distantPast) {}

void RingView::setWindowCounts(std::vector<int> counts) {
    windowCounts_ = std::move(counts);
    invalidateFrame();
}

void RingView::setSelectedApp(std::optional<int> index) {
    if (selectedApp_ == index)
        return;
    selectedApp_ = index;
    invalidateFrame();
}

void RingView::setSelectedChip(std::optional<int> index) {
    if (selectedChip_ == index)
        return;
    selectedChip_ = index;
    chipSelectedAt_ = clock_.now();
    invalidateFrame();
}

void RingView::setNotice(std::optional<QString> notice) {
    if (notice_ == notice)
        return;
    notice_ = std::move(notice);
    invalidateFrame();
}

void RingView::setProgress(double progress) {
    progress_ = progress;
    invalidateFrame();
}

QRectF RingView::ringRect() const {
    const double s = layout.size;
    return {ringCenter.x() - s / 2, ringCenter.y() - s / 2, s, s};
}

QRectF RingView::chipsBounds() const {
    QRectF bounds;
    for (const auto& chip : chips_) bounds = united(bounds, chip.frame);
    return bounds;
}

QRectF RingView::chipsDirtyRect() const {
    if (chips_.empty())
        return {};
    return grown(chipsBounds(), 30);
}

bool RingView::chipsAreItems() const {
    if (chips_.empty())
        return false;
    const auto& kind = chips_.front().kind;
    return std::holds_alternative<WindowChip::App>(kind) ||
           std::holds_alternative<WindowChip::File>(kind) ||
           std::holds_alternative<WindowChip::Reveal>(kind);
}

bool RingView::hasThumbnailChips() const {
    return showsThumbnails && !chips_.empty() &&
           !std::holds_alternative<WindowChip::AllowAccess>(chips_.front().kind) &&
           !chipsAreItems();
}

QRectF RingView::effectiveBounds() const {
    return placementBounds.isEmpty() ? bounds : placementBounds;
}

void RingView::showChips(std::vector<WindowChip> chips, int index) {
    const QRectF oldDirty = chipsDirtyRect();
    chips_ = std::move(chips);
    chipsApp_ = index;
    setSelectedChip(std::nullopt);
    placeColumn(index);
    activeLayout_ = WindowLayout::Column;
    invalidate(oldDirty);
    invalidate(grown(ringRect(), 28));
    invalidate(chipsDirtyRect());
}

void RingView::hideChips() {
    if (chips_.empty() && !chipsApp_)
        return;
    const QRectF oldDirty = chipsDirtyRect();
    chips_.clear();
    chipsApp_.reset();
    setSelectedChip(std::nullopt);
    invalidate(oldDirty);
}

// A column of rows beside the ring on the entry's side, slid into the bounds.
void RingView::placeColumn(int index) {
    const QSizeF row = hasThumbnailChips() ? thumbnailRowSize : chipSize;
    const double reach = layout.outerRadius();
    const double theta = layout.angle(index);
    const QPointF icon = ringCenter + layout.radius * QPointF(std::cos(theta), std::sin(theta));
    const double x = std::cos(theta) >= 0 ? ringCenter.x() + reach + 12
                                          : ringCenter.x() - reach - 12 - row.width();
    const double firstY = icon.y() - row.height() / 2;
    // Rows grow toward the ring's horizontal middle.
    const double direction = std::sin(theta) < 0 ? 1 : -1;
    QRectF all;
    for (size_t k = 0; k < chips_.size(); ++k) {
        chips_[k].frame =
            QRectF(x, firstY + direction * k * (row.height() + chipGap), row.width(), row.height());
        all = united(all, chips_[k].frame);
    }
    const QRectF b = effectiveBounds();
    if (b.isEmpty() || all.isEmpty())
        return;
    const double dx = std::max(minX(b) - minX(all), 0.0) + std::min(maxX(b) - maxX(all), 0.0);
    const double dy = std::max(minY(b) - minY(all), 0.0) + std::min(maxY(b) - maxY(all), 0.0);
    for (auto& chip : chips_) chip.frame.translate(dx, dy);
}

std::optional<int> RingView::chipIndex(QPointF point, double reach) const {
    if (chips_.empty())
        return std::nullopt;
    if (distance(point, ringCenter) < layout.outerRadius() - 2)
        return std::nullopt;
    std::optional<int> best;
    double bestDistance = 0;
    for (size_t i = 0; i < chips_.size(); ++i) {
        const double d = distanceToRect(point, chips_[i].frame);
        if (!best || d < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = d;
        }
    }
    if (best && bestDistance <= reach)
        return best;
    return std::nullopt;
}

void RingView::thumbnailsChanged() {
    if (!chips_.empty())
        invalidateFrame();
}

double RingView::magnifyProgress() const {
    if (reduceMotion)
        return 1;
    const double t = std::clamp((clock_.now() - chipSelectedAt_) / 0.1, 0.0, 1.0);
    return 1 - std::pow(1 - t, 3);
}

void RingView::advanceAnimations() {
    // Only the growing preview animates, and only its area is drawn again.
    if (hasThumbnailChips() && selectedChip_ && magnifyProgress() < 1)
        invalidate(chipsDirtyRect());
}

void RingView::invalidate(const QRectF& rect) {
    if (rect.isEmpty())
        return;
    invalid_ = united(invalid_, rect);
    if (onInvalidate)
        onInvalidate(rect);
}

void RingView::invalidateFrame() {
    invalidate(grown(ringRect(), 28));
    if (!chips_.empty())
        invalidate(chipsDirtyRect());
}

void RingView::invalidateAll() {
    invalidate(bounds);
}

void RingView::displayNow() {
    if (onDisplayNow)
        onDisplayNow();
}

QRectF RingView::takeInvalidRect() {
    return std::exchange(invalid_, QRectF());
}

void RingView::mouseDown(MouseButton button) {
    if (button == MouseButton::Left && onClick)
        onClick();
    if (button == MouseButton::Right && onRightClick)
        onRightClick();
}

void RingView::keyDown(const KeyEvent& event) {
    if (onKey)
        onKey(event);
}

DragOperation RingView::draggingOperation() const {
    return dropOperation ? dropOperation() : DragOperation::None;
}

bool RingView::performDragOperation(const std::vector<QUrl>& urls) {
    if (urls.empty() || !performDrop)
        return false;
    return performDrop(urls);
}

}  // namespace tandri
