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

bool RingView::clearSelectedChip() {
    if (!selectedChip_)
        return false;
    selectedChip_.reset();
    chipSelectedAt_ = clock_.now();
    return true;
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

void RingView::forgetPictures() {
    cardComposites_.clear();
    badgePictures_.clear();
    frames_ = {};
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
