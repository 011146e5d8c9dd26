// SPDX-License-Identifier: MIT
#include "diagnostics/ringstage.h"

#include "diagnostics/pictures.h"
#include "diagnostics/ringaim.h"
#include "platform/platform.h"
#include "platform/screens.h"
#include "ring/ringcontroller.h"

namespace tandri {

namespace {

// Long enough for the fade, a window listing, the pictures' capture and a preview's growth.
constexpr double settleTime = 0.6;
constexpr int steps = 6;
constexpr int escapeKey = 53;

}  // namespace

RingStage::RingStage(Platform& platform, ThumbnailSource* thumbnails,
                     std::function<void(double)> run)
    : platform_(platform),
      run_(std::move(run)),
      ring_(std::make_unique<RingController>(platform, RingCaches::shared(), thumbnails)) {
    ring_->mouseLocation = [this] {
        return pointer_;
    };
}

RingStage::~RingStage() = default;

bool RingStage::open() {
    const std::vector<Screen> screens = platform_.screens.screens();
    if (screens.empty())
        return false;
    pointer_ = screens.front().frame.center();
    ring_->triggerDown();
    run_(settleTime);
    return ring_->mode() != RingController::Mode::Hidden;
}

void RingStage::moveTo(QPointF target) {
    const QPointF start = pointer_;
    for (int k = 1; k <= steps; ++k) {
        pointer_ = start + (target - start) * (double(k) / steps);
        run_(RingController::frameInterval);
    }
    run_(settleTime);
}

bool RingStage::aim(const QString& name) {
    const std::vector<RingApp>& apps = ring_->apps();
    for (size_t i = 0; i < apps.size(); ++i) {
        if (apps[i].name == name) {
            moveTo(RingAim::entry(*ring_, int(i)));
            return true;
        }
    }
    return false;
}

bool RingStage::aimChip(int index) {
    const auto at = RingAim::chip(*ring_, index);
    if (!at)
        return false;
    moveTo(*at);
    return true;
}

void RingStage::close() {
    ring_->panel().ringView().keyDown(KeyEvent{escapeKey});
    run_(settleTime);
}

QImage RingStage::picture(const QImage& screen, double scale) {
    return Pictures::overScreen(ring_->panel().ringView(), screen, scale);
}

QPointF RingStage::inPicture(QPointF point, double scale) {
    const QRectF frame = ring_->panel().frame();
    return QPointF(point.x() - frame.x(), frame.height() - (point.y() - frame.y())) * scale;
}

QRect RingStage::shownArea(double scale) {
    const RingView& view = ring_->panel().ringView();
    const QRectF area = view.shownArea();
    return QRectF(area.x() * scale, (view.bounds.height() - area.y() - area.height()) * scale,
                  area.width() * scale, area.height() * scale)
        .toAlignedRect();
}

}  // namespace tandri
