// SPDX-License-Identifier: MIT
#include "ring/ringview.h"

#include <cmath>

#include "paint/paths.h"
#include "platform/clock.h"
#include "ring/ringgeometry.h"

namespace tandri {

using namespace geometry;

RingView::RingView(const Clock& clock) : clock_(clock), chipSelectedAt_(Clock::distantPast) {}

void RingView::setLook(std::shared_ptr<const RingLook> look) {
    if (look_ == look)
        return;
    look_ = std::move(look);
    cardComposites_.clear();
    badgePictures_.clear();
    invalidateAll();
}

void RingView::setWindowCounts(std::vector<int> counts) {
    windowCounts_ = std::move(counts);
    invalidateFrame();
}

void RingView::setSelectedApp(std::optional<int> index) {
    if (selectedApp_ == index)
        return;
    if (progress_ < 1 || !look_) {
        selectedApp_ = index;
        invalidateFrame();
        return;
    }
    // Once the ring has opened, only the two entries and the name in the middle change: the
    // pointer moving round the ring must not redraw all of it.
    invalidate(entryDirtyRect(selectedApp_));
    selectedApp_ = index;
    invalidate(entryDirtyRect(selectedApp_));
    invalidate(centerDirtyRect());
}

void RingView::setSelectedChip(std::optional<int> index) {
    if (selectedChip_ == index)
        return;
    // Only the two chips' surroundings and the title in the middle change: the pointer moving
    // along the chips must not redraw the whole ring and every card.
    invalidate(selectionDirtyRect(selectedChip_));
    selectedChip_ = index;
    chipSelectedAt_ = clock_.now();
    invalidate(selectionDirtyRect(selectedChip_));
    invalidate(centerDirtyRect());
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
    // Only the growing preview animates, and only its area is drawn again, up to and including
    // the frame in which it has grown full.
    if (hasThumbnailChips() && selectedChip_ && (magnifyProgress() < 1 || drawnGrowing_))
        invalidate(selectionDirtyRect(selectedChip_));
}

QRectF RingView::selectionDirtyRect(std::optional<int> index) const {
    const int n = static_cast<int>(chips_.size());
    if (!index || *index < 0 || *index >= n)
        return {};
    // Room for the widest card shadow and selection glow.
    constexpr double margin = 48;
    const WindowChip& chip = chips_[*index];
    if (!hasThumbnailChips()) {
        // An arc item's selection mark reaches up to its width beyond its centre.
        const double mark = activeLayout_ == WindowLayout::Arc ? chip.frame.width() : 0;
        return grown(chip.frame, mark + margin);
    }
    QRectF area = united(chip.frame, magnifiedFrame(*index));
    if (activeLayout_ == WindowLayout::Arc) {
        for (const int i : arcNeighbors(*index)) {
            const WindowChip& neighbour = chips_[i];
            area = united(
                area, united(neighbour.frame,
                             outwardFrame(neighbour.frame.size() * neighbourGrowth, neighbour)));
        }
    }
    return grown(area, margin);
}

QRectF RingView::entryDirtyRect(std::optional<int> index) const {
    if (!index || *index < 0 || *index >= static_cast<int>(apps.size()) || !look_)
        return {};
    const RingLook::IconScale scale = look_->iconScale();
    const double side = std::max(scale.normal, scale.selected) * layout.iconSize;
    // The icon with its shadow and badge, and the look's marks.
    const QRectF icon =
        grown(paint::square(paint::at(ringCenter, layout.angle(*index), layout.radius), side), 28);
    return united(icon, look_->selectionArea(ringCenter, layout, *index));
}

QRectF RingView::centerDirtyRect() const {
    // The widest name or window title card (0.95 of the hole's radius to either side, and 10
    // more for the widest look's) with its shadow, from the name a little above the middle to
    // the title card a little below it.
    const double half = 0.95 * std::max(layout.holeRadius(), 0.0) + 10 + 18;
    return {ringCenter.x() - half, ringCenter.y() - 64, 2 * half, 128};
}

void RingView::invalidate(const QRectF& rect) {
    if (rect.isEmpty())
        return;
    invalid_ = united(invalid_, rect);
    // Marks pile up while nobody draws (a hidden panel): past a few, one rect serves.
    if (dirty_.size() >= 16)
        dirty_ = {invalid_};
    else
        dirty_.push_back(rect);
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
    dirty_.clear();
    return std::exchange(invalid_, QRectF());
}

void RingView::contentsCleared() {
    drawnContent_ = QRectF();
    inked_ = QRectF();
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
