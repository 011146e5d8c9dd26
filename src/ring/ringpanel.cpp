// SPDX-License-Identifier: MIT
#include "ring/ringpanel.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

#include "ring/ringlook.h"

namespace tandri {

namespace {

OverlayBackdrop::Material material(BlurMaterial material) {
    switch (material) {
        case BlurMaterial::HudWindow:
            return OverlayBackdrop::Material::Hud;
        case BlurMaterial::Popover:
            break;
    }
    return OverlayBackdrop::Material::Popover;
}

}  // namespace

RingPanel::RingPanel(Overlays& overlays, const Clock& clock)
    : window_(overlays.makePanel()), view_(clock) {
    OverlayHandlers handlers;
    handlers.mouseDown = [this](MouseButton button) {
        view_.mouseDown(button);
    };
    handlers.keyDown = [this](const KeyEvent& event) {
        view_.keyDown(event);
    };
    handlers.dragOperation = [this] {
        return view_.draggingOperation();
    };
    handlers.drop = [this](const std::vector<QUrl>& urls) {
        return view_.performDragOperation(urls);
    };
    window_->setHandlers(std::move(handlers));
    view_.onInvalidate = [this](const QRectF&) {
        needsDisplay_ = true;
    };
    view_.onDisplayNow = [this] {
        display();
    };
}

RingPanel::~RingPanel() = default;

void RingPanel::configure(const RingLayout& layout, const Screen& screen, QPointF center,
                          const LookChoice& look, bool dark) {
    if (!view_.look() || view_.lookChoice != look) {
        view_.setLook(makeLook(look));
        view_.lookChoice = look;
    }
    view_.dark = dark;
    scale_ = screen.scale > 0 ? screen.scale : fallbackScale;
    window_->setFrame(screen.frame);
    view_.bounds = QRectF(0, 0, screen.frame.width(), screen.frame.height());
    view_.layout = layout;
    view_.ringCenter = center - screen.frame.topLeft();
    view_.placementBounds =
        screen.visible.translated(-screen.frame.topLeft()).adjusted(8, 8, -8, -8);
    // Chips left from the last opening must not show for a frame.
    view_.hideChips();
    view_.invalidateAll();
    window_->setBackdrop(view_.look()
                             ? backdrop(view_.look()->backdrop(), layout, view_.ringCenter, scale_)
                             : std::nullopt);
}

std::optional<OverlayBackdrop> RingPanel::backdrop(const LookBackdrop& look,
                                                   const RingLayout& layout, QPointF center,
                                                   double scale) {
    if (look.shape == LookBackdrop::Shape::None)
        return std::nullopt;
    const double outer = layout.outerRadius();
    const double r =
        look.shape == LookBackdrop::Shape::Veil ? layout.iconSize * 0.75 + layout.radius : outer;
    if (r <= 0)
        return std::nullopt;
    const int side = std::max(1, int(std::ceil(2 * r * scale)));
    QImage mask(side, side, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    QPainter painter(&mask);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    // The mask is drawn in points; every shape is round, so its orientation does not matter.
    painter.scale(side / (2 * r), side / (2 * r));
    const QPointF middle(r, r);
    switch (look.shape) {
        case LookBackdrop::Shape::Disc:
            painter.setBrush(Qt::black);
            painter.drawEllipse(middle, r, r);
            break;
        case LookBackdrop::Shape::Band: {
            // The hole stays clear, so the blur never covers the centre's content.
            const double hole = std::clamp(layout.holeRadius(), 0.0, r);
            QPainterPath band;
            band.addEllipse(middle, r, r);
            band.addEllipse(middle, hole, hole);
            band.setFillRule(Qt::OddEvenFill);
            painter.setBrush(Qt::black);
            painter.drawPath(band);
            break;
        }
        case LookBackdrop::Shape::Veil: {
            QRadialGradient lens(middle, r);
            lens.setColorAt(0, Qt::black);
            lens.setColorAt(0.85, Qt::black);
            lens.setColorAt(1, QColor(0, 0, 0, 0));
            painter.setBrush(lens);
            painter.drawEllipse(middle, r, r);
            break;
        }
        case LookBackdrop::Shape::None:
            break;
    }
    painter.end();
    return OverlayBackdrop{material(look.material),
                           QRectF(center.x() - r, center.y() - r, 2 * r, 2 * r), mask};
}

void RingPanel::setBlurAlpha(double alpha) {
    window_->setBackdropAlpha(alpha);
}

void RingPanel::orderFront() {
    window_->orderFront();
}

void RingPanel::makeKey() {
    window_->makeKey();
}

void RingPanel::setAcceptsMouseEvents(bool accepts) {
    window_->setAcceptsMouseEvents(accepts);
}

void RingPanel::orderOut() {
    window_->orderOut();
    window_->clearContents();
    window_->setBackdrop(std::nullopt);
    view_.contentsCleared();
    view_.takeInvalidRect();
    needsDisplay_ = false;
}

QRectF RingPanel::frame() const {
    return window_->frame();
}

void RingPanel::display() {
    if (!needsDisplay_ || !window_->isVisible())
        return;
    needsDisplay_ = false;
    // The window keeps what lies outside each piece.
    for (const RingView::Layer& layer : view_.updateLayers(scale_))
        window_->setContents(layer.image, layer.area);
}

void RingPanel::rehearse() {
    view_.invalidateAll();
    view_.updateLayers(scale_);
    orderOut();
}

}  // namespace tandri
