// SPDX-License-Identifier: MIT
#include "platform/sim/simoverlaywindow.h"

#include <QPainter>
#include <cmath>

namespace tandri::sim {

SimOverlayWindow::SimOverlayWindow(Kind kind, Hooks hooks)
    : kind_(kind), hooks_(std::move(hooks)) {}

SimOverlayWindow::~SimOverlayWindow() {
    if (hooks_.destroyed)
        hooks_.destroyed(*this);
}

void SimOverlayWindow::setHandlers(OverlayHandlers handlers) {
    handlers_ = std::move(handlers);
}

void SimOverlayWindow::setFrame(const QRectF& frame) {
    frame_ = frame;
}

QRectF SimOverlayWindow::frame() const {
    return frame_;
}

void SimOverlayWindow::orderFront() {
    visible_ = true;
    ++orderFrontCount_;
}

void SimOverlayWindow::orderOut() {
    visible_ = false;
    key_ = false;
}

bool SimOverlayWindow::isVisible() const {
    return visible_;
}

void SimOverlayWindow::makeKey() {
    key_ = true;
    if (hooks_.becameKey)
        hooks_.becameKey(*this);
}

void SimOverlayWindow::setAcceptsMouseEvents(bool accepts) {
    acceptsMouseEvents_ = accepts;
}

void SimOverlayWindow::setBackdropAlpha(double alpha) {
    backdropAlpha_ = alpha;
}

void SimOverlayWindow::setContents(const QImage& image, const QRectF& area) {
    if (area.isEmpty() || frame_.isEmpty())
        return;
    lastArea_ = area;
    ++contentsUpdates_;
    const double scale = image.isNull() ? contentsScale_ : image.width() / area.width();
    if (scale <= 0)
        return;
    const QSize size(int(std::ceil(frame_.width() * scale - 1e-6)),
                     int(std::ceil(frame_.height() * scale - 1e-6)));
    // A new scale or window size starts a new picture: the old one cannot be composed with it.
    if (contents_.isNull() || contents_.size() != size || std::abs(contentsScale_ - scale) > 1e-9) {
        contents_ = QImage(size, QImage::Format_ARGB32_Premultiplied);
        contents_.fill(Qt::transparent);
        contentsScale_ = scale;
    }
    // The picture's rows run down from the window's top, the area's y up from its bottom.
    const QRectF target(area.x() * scale, (frame_.height() - area.y() - area.height()) * scale,
                        area.width() * scale, area.height() * scale);
    QPainter painter(&contents_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (image.isNull()) {
        painter.fillRect(target, Qt::transparent);
    } else {
        painter.drawImage(target, image);
    }
}

void SimOverlayWindow::clearContents() {
    contents_ = QImage();
    contentsScale_ = 0;
    lastArea_ = QRectF();
}

void SimOverlayWindow::setBackdrop(const std::optional<OverlayBackdrop>& backdrop) {
    backdrop_ = backdrop;
}

void SimOverlayWindow::mouseDown(MouseButton button) {
    // A copy: the handler may replace the handlers while it runs.
    if (auto handler = handlers_.mouseDown)
        handler(button);
}

void SimOverlayWindow::keyDown(const KeyEvent& event) {
    if (auto handler = handlers_.keyDown)
        handler(event);
}

}  // namespace tandri::sim
