#include "platform/x11/x11overlaywindow.h"

#include <utility>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRasterWindow>
#include <QSurfaceFormat>
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/x11/inputshape.h"
#include "platform/x11/keymap.h"
#include "platform/x11/x11screencapture.h"
#include "platform/x11/x11screens.h"

// After every Qt header: Xlib defines macros (Bool, Status, None) that Qt's headers refuse.
#include <X11/Xlib.h>

namespace tandri::x11 {

namespace {

/// How far the backdrop blurs, in points.
constexpr double blurRadius = 20;
/// The blur runs on a copy this many times smaller, which is as good for a blur this wide.
constexpr int blurShrink = 4;

int clampIndex(int i, int length) {
    return std::clamp(i, 0, length - 1);
}

// One box blur pass along the rows or the columns, edges extended.
void boxBlur(QImage& image, int radius, bool horizontal) {
    const int width = image.width();
    const int height = image.height();
    const int lines = horizontal ? height : width;
    const int length = horizontal ? width : height;
    const qsizetype stride = image.bytesPerLine() / 4;
    auto* bits = reinterpret_cast<QRgb*>(image.bits());
    const int span = 2 * radius + 1;
    std::vector<QRgb> line(static_cast<size_t>(length));
    for (int l = 0; l < lines; ++l) {
        const auto at = [&](int i) -> QRgb& {
            return horizontal ? bits[l * stride + i] : bits[i * stride + l];
        };
        for (int i = 0; i < length; ++i) line[size_t(i)] = at(i);
        int sum[4] = {0, 0, 0, 0};
        const auto add = [&](QRgb pixel, int sign) {
            sum[0] += sign * qAlpha(pixel);
            sum[1] += sign * qRed(pixel);
            sum[2] += sign * qGreen(pixel);
            sum[3] += sign * qBlue(pixel);
        };
        for (int k = -radius; k <= radius; ++k) add(line[size_t(clampIndex(k, length))], 1);
        for (int i = 0; i < length; ++i) {
            at(i) = qRgba(sum[1] / span, sum[2] / span, sum[3] / span, sum[0] / span);
            add(line[size_t(clampIndex(i - radius, length))], -1);
            add(line[size_t(clampIndex(i + radius + 1, length))], 1);
        }
    }
}

// `source` blurred by `radius` pixels (three box passes come close to a gaussian) and tinted for
// the material, at a fraction of its size.
QImage blurred(const QImage& source, OverlayBackdrop::Material material, double radius) {
    const QSize small(std::max(1, int(std::ceil(double(source.width()) / blurShrink))),
                      std::max(1, int(std::ceil(double(source.height()) / blurShrink))));
    QImage image = source.scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int smallRadius = std::max(1, int(std::lround(radius / blurShrink)));
    for (int pass = 0; pass < 3; ++pass) {
        boxBlur(image, smallRadius, true);
        boxBlur(image, smallRadius, false);
    }
    // The light material is a frosted, brighter glass; the heads-up one a dark smoke.
    const QColor tint = material == OverlayBackdrop::Material::Hud ? QColor(20, 20, 22, 120)
                                                                   : QColor(250, 250, 250, 90);
    QPainter painter(&image);
    painter.fillRect(image.rect(), tint);
    painter.end();
    return image;
}

MouseButton buttonOf(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return MouseButton::Left;
        case Qt::RightButton:
            return MouseButton::Right;
        default:
            break;
    }
    return MouseButton::Other;
}

std::vector<QUrl> fileUrls(const QMimeData* data) {
    std::vector<QUrl> result;
    if (!data || !data->hasUrls())
        return result;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            result.push_back(url);
    }
    return result;
}

// Xlib's None macro hides the enumerator of that name, hence no switch here.
Qt::DropAction dropAction(DragOperation operation) {
    if (operation == DragOperation::Copy)
        return Qt::CopyAction;
    if (operation == DragOperation::Move)
        return Qt::MoveAction;
    return Qt::IgnoreAction;
}

}  // namespace

/// The Qt window that shows the overlay and hands its events to it.
class X11OverlayWindow::Surface : public QRasterWindow {
public:
    explicit Surface(X11OverlayWindow& owner) : owner_(owner) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        for (const QRect& rect : event->region()) owner_.paint(painter, rect);
    }

    void exposeEvent(QExposeEvent* event) override {
        QRasterWindow::exposeEvent(event);
        if (isExposed())
            owner_.exposed();
    }

    void mousePressEvent(QMouseEvent* event) override {
        event->accept();
        owner_.mousePressed(*event);
    }

    void keyPressEvent(QKeyEvent* event) override {
        event->accept();
        owner_.keyPressed(*event);
    }

    bool event(QEvent* event) override {
        switch (event->type()) {
            case QEvent::DragEnter:
                owner_.dragLeft();  // a new drag, maybe of other things
                [[fallthrough]];
            case QEvent::DragMove: {
                auto& drag = static_cast<QDropEvent&>(*event);
                drag.setAccepted(owner_.dragMoved(drag));
                return true;
            }
            case QEvent::DragLeave:
                owner_.dragLeft();
                return true;
            case QEvent::Drop: {
                auto& drop = static_cast<QDropEvent&>(*event);
                drop.setAccepted(owner_.dropped(drop));
                return true;
            }
            default:
                break;
        }
        return QRasterWindow::event(event);
    }

private:
    X11OverlayWindow& owner_;
};

X11OverlayWindow::X11OverlayWindow(X11Connection& connection, KeyFocus& focus)
    : connection_(connection), focus_(focus), surface_(std::make_unique<Surface>(*this)) {
    surface_->setFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool |
                       Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint);
    QSurfaceFormat format = surface_->format();
    format.setAlphaBufferSize(8);
    surface_->setFormat(format);
    surface_->create();
    shapedWindow_ = windowID();  // a new window takes input everywhere
    InputShape::prepare(connection_);
}

X11OverlayWindow::~X11OverlayWindow() {
    focus_.release(this);
    // First: the surface calls back into this object while it goes.
    surface_.reset();
}

void X11OverlayWindow::setHandlers(OverlayHandlers handlers) {
    handlers_ = std::move(handlers);
}

void X11OverlayWindow::setFrame(const QRectF& frame) {
    frame_ = frame;
    const QRectF geometry = qtFrame();
    surface_->setGeometry(QRect(int(std::lround(geometry.x())), int(std::lround(geometry.y())),
                                std::max(1, int(std::lround(geometry.width()))),
                                std::max(1, int(std::lround(geometry.height())))));
    surface_->update();
}

QRectF X11OverlayWindow::frame() const {
    return frame_;
}

void X11OverlayWindow::orderFront() {
    if (!surface_->isVisible()) {
        background_ = QImage();
        if (!compositingManagerRuns()) {
            // An unmap of this window still on its way must not show in the picture.
            syncQt();
            background_ = captureUnder(qtFrame(), backgroundRect_);
        }
        applyInputShape();
        surface_->show();
    }
    surface_->raise();
    if (wantsKey_)
        takeFocus();
}

void X11OverlayWindow::orderOut() {
    focus_.release(this);
    giveFocusBack();
    surface_->hide();
    wantsKey_ = false;
    focusPending_ = false;
    background_ = QImage();
}

bool X11OverlayWindow::isVisible() const {
    return surface_->isVisible();
}

void X11OverlayWindow::makeKey() {
    wantsKey_ = true;
    focus_.take(this, [this](const KeyEvent& event) {
        if (auto handler = handlers_.keyDown)
            handler(event);
    });
    if (surface_->isVisible())
        takeFocus();
}

void X11OverlayWindow::setAcceptsMouseEvents(bool accepts) {
    acceptsMouseEvents_ = accepts;
    applyInputShape();
}

void X11OverlayWindow::setBackdropAlpha(double alpha) {
    alpha = std::clamp(alpha, 0.0, 1.0);
    if (alpha == backdropAlpha_)
        return;
    backdropAlpha_ = alpha;
    if (!backdrop_.image.isNull())
        surface_->update(backdrop_.rect.toAlignedRect());
}

void X11OverlayWindow::setContents(const QImage& image, const QRectF& area) {
    if (area.isEmpty() || frame_.isEmpty())
        return;
    const double ratio = surface_->devicePixelRatio();
    const QSize size(int(std::ceil(surface_->width() * ratio - 1e-6)),
                     int(std::ceil(surface_->height() * ratio - 1e-6)));
    // A new size or pixel ratio starts a new picture: the old one cannot be composed with it.
    if (picture_.isNull() || picture_.size() != size ||
        std::abs(picture_.devicePixelRatio() - ratio) > 1e-9) {
        picture_ = QImage(size, QImage::Format_ARGB32_Premultiplied);
        picture_.setDevicePixelRatio(ratio);
        picture_.fill(Qt::transparent);
    }
    // The picture's rows run down from the window's top, the area's y up from its bottom.
    const QRectF target(area.x(), frame_.height() - area.y() - area.height(), area.width(),
                        area.height());
    QPainter painter(&picture_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (image.isNull()) {
        painter.fillRect(target, Qt::transparent);
    } else {
        painter.drawImage(target, image);
    }
    painter.end();
    surface_->update(target.toAlignedRect());
}

void X11OverlayWindow::clearContents() {
    picture_ = QImage();
    surface_->update();
}

void X11OverlayWindow::setBackdrop(const std::optional<OverlayBackdrop>& backdrop) {
    const QRectF before = backdrop_.rect;
    backdrop_ = backdrop && !backdrop->frame.isEmpty() && !frame_.isEmpty()
                    ? makeBackdrop(*backdrop)
                    : Backdrop{};
    surface_->update(before.united(backdrop_.rect).toAlignedRect());
}

XID X11OverlayWindow::windowID() const {
    return XID(surface_->winId());
}

void X11OverlayWindow::paint(QPainter& painter, const QRect& rect) {
    painter.save();
    painter.setClipRect(rect);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect, Qt::transparent);
    if (!background_.isNull())
        painter.drawImage(backgroundRect_.translated(-qtFrame().topLeft()), background_);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (!backdrop_.image.isNull() && backdropAlpha_ > 0 && backdrop_.rect.intersects(rect)) {
        painter.setOpacity(backdropAlpha_);
        painter.drawImage(backdrop_.rect, backdrop_.image);
        painter.setOpacity(1);
    }
    if (!picture_.isNull())
        painter.drawImage(QRectF(QPointF(0, 0), picture_.deviceIndependentSize()), picture_);
    painter.restore();
}

void X11OverlayWindow::exposed() {
    // The native window may have been made anew.
    applyInputShape();
    if (focusPending_)
        takeFocus();
}

void X11OverlayWindow::mousePressed(const QMouseEvent& event) {
    // A copy: the handler may replace the handlers while it runs.
    if (auto handler = handlers_.mouseDown)
        handler(buttonOf(event.button()));
}

void X11OverlayWindow::keyPressed(const QKeyEvent& event) {
    const auto key = KeyMap::keyEvent(event);
    if (!key)
        return;
    if (auto handler = handlers_.keyDown)
        handler(*key);
}

bool X11OverlayWindow::dragMoved(QDropEvent& event) {
    if (std::vector<QUrl> urls = fileUrls(event.mimeData()); !urls.empty())
        dragUrls_ = std::move(urls);
    if (dragUrls_.empty() || !handlers_.dragOperation)
        return false;
    auto operation = handlers_.dragOperation;
    const Qt::DropAction action = dropAction(operation());
    if (action == Qt::IgnoreAction)
        return false;
    if (event.possibleActions() & action)
        event.setDropAction(action);
    return true;
}

void X11OverlayWindow::dragLeft() {
    dragUrls_.clear();
}

bool X11OverlayWindow::dropped(QDropEvent& event) {
    std::vector<QUrl> urls = fileUrls(event.mimeData());
    if (urls.empty())
        urls = dragUrls_;
    dragUrls_.clear();
    if (urls.empty() || !handlers_.drop)
        return false;
    const Qt::DropAction action =
        handlers_.dragOperation ? dropAction(handlers_.dragOperation()) : Qt::CopyAction;
    auto drop = handlers_.drop;
    if (!drop(urls))
        return false;
    if (action != Qt::IgnoreAction && (event.possibleActions() & action))
        event.setDropAction(action);
    return true;
}

QRectF X11OverlayWindow::qtFrame() const {
    return X11Screens::toQt(frame_);
}

void X11OverlayWindow::syncQt() {
    // Qt talks to the server on a connection of its own; a round trip on it makes sure the
    // server has seen Qt's requests before this connection's requests about the same window.
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        if (Display* display = x11->display())
            XSync(display, False);
    }
}

void X11OverlayWindow::applyInputShape() {
    const XID window = windowID();
    if (window == shapedWindow_ && shapedAccepting_ == acceptsMouseEvents_)
        return;
    syncQt();
    if (InputShape::set(connection_, window, acceptsMouseEvents_)) {
        shapedWindow_ = window;
        shapedAccepting_ = acceptsMouseEvents_;
    }
}

void X11OverlayWindow::takeFocus() {
    syncQt();
    Display* display = connection_.display();
    const XID window = windowID();
    Window focused = 0;
    int revert = 0;
    XGetInputFocus(display, &focused, &revert);
    if (focused != window)
        previousFocus_ = focused;
    const int error = connection_.trapErrors(
        [&] { XSetInputFocus(display, window, RevertToParent, CurrentTime); });
    // Not viewable yet: the window takes the focus when it is shown.
    focusPending_ = error != 0;
}

void X11OverlayWindow::giveFocusBack() {
    const XID previous = std::exchange(previousFocus_, 0);
    if (!surface_->isVisible() || previous <= PointerRoot)
        return;
    Display* display = connection_.display();
    Window focused = 0;
    int revert = 0;
    XGetInputFocus(display, &focused, &revert);
    if (focused != windowID())
        return;
    // Handed back on the same connection that then asks the window manager to activate the
    // picked window, so the two reach the server in that order. Left to the window manager's
    // own fallback when the window unmaps, the focus could return to the old window after the
    // new one was activated.
    connection_.trapErrors(
        [&] { XSetInputFocus(display, previous, RevertToPointerRoot, CurrentTime); });
}

bool X11OverlayWindow::compositingManagerRuns() {
    const QByteArray selection = "_NET_WM_CM_S" + QByteArray::number(connection_.screen());
    return XGetSelectionOwner(connection_.display(), connection_.atom(selection.constData())) != 0;
}

QImage X11OverlayWindow::captureUnder(const QRectF& rect, QRectF& captured) {
    Display* display = connection_.display();
    const QRect root(0, 0, DisplayWidth(display, connection_.screen()),
                     DisplayHeight(display, connection_.screen()));
    const QRect pixels = X11ScreenCapture::rootPixels(rect).intersected(root);
    if (pixels.isEmpty())
        return {};
    QImage image = X11ScreenCapture::captureScreen(connection_, pixels);
    if (image.isNull())
        return {};
    captured = X11ScreenCapture::qtPoints(pixels);
    image.setDevicePixelRatio(pixels.width() / captured.width());
    return image;
}

X11OverlayWindow::Backdrop X11OverlayWindow::makeBackdrop(const OverlayBackdrop& backdrop) {
    const QRectF window = qtFrame();
    const QRectF& frame = backdrop.frame;
    const QRectF rect(frame.x(), window.height() - frame.y() - frame.height(), frame.width(),
                      frame.height());
    // A margin, so that the edges blur with what lies around them.
    const QRectF wanted = rect.translated(window.topLeft())
                              .adjusted(-blurRadius, -blurRadius, blurRadius, blurRadius);
    QImage source;
    QRectF sourceRect;
    if (!surface_->isVisible()) {
        source = captureUnder(wanted, sourceRect);
    } else if (!background_.isNull()) {
        // The screen now shows this window; what it covered is only in the picture from before.
        sourceRect = wanted.intersected(backgroundRect_);
        const double ratio = background_.devicePixelRatio();
        const QRectF inPixels((sourceRect.topLeft() - backgroundRect_.topLeft()) * ratio,
                              sourceRect.size() * ratio);
        source = background_.copy(inPixels.toAlignedRect());
    }
    // Without a picture of what lies behind there is no blur, rather than a made-up one.
    if (source.isNull() || sourceRect.isEmpty())
        return {};
    const double ratio = surface_->devicePixelRatio();
    const QImage blur = blurred(source, backdrop.material, blurRadius * ratio);
    QImage image(std::max(1, int(std::ceil(rect.width() * ratio - 1e-6))),
                 std::max(1, int(std::ceil(rect.height() * ratio - 1e-6))),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(sourceRect.translated(-window.topLeft() - rect.topLeft()), blur);
    if (!backdrop.mask.isNull()) {
        painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        painter.drawImage(QRectF(QPointF(0, 0), rect.size()), backdrop.mask);
    }
    painter.end();
    return {image, rect};
}

}  // namespace tandri::x11
