// SPDX-License-Identifier: MIT
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
#include <cstring>
#include <vector>

#include "platform/x11/inputshape.h"
#include "platform/x11/keymap.h"
#include "platform/x11/openingtrace.h"
#include "platform/x11/x11screencapture.h"
#include "platform/x11/x11screens.h"

#include "platform/x11/xlib.h"

namespace tandri::x11 {

namespace {

/// How far the backdrop blurs, in points.
constexpr double blurRadius = 20;
/// The blur runs on a copy this many times smaller, which is as good for a blur this wide.
constexpr int blurShrink = 4;
/// The screen's pixels the capture is ready for from the start: a ring's square with room.
constexpr int reservedPixels = 640 * 640;

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

// An image of `size` in `store`'s memory, which grows when it is too small.
QImage canvas(QImage& store, QSize size) {
    const qsizetype bytes = qsizetype(size.width()) * size.height() * 4;
    if (store.isNull() || store.sizeInBytes() < bytes)
        store = QImage(size, QImage::Format_ARGB32_Premultiplied);
    return QImage(store.bits(), size.width(), size.height(), size.width() * 4,
                  QImage::Format_ARGB32_Premultiplied);
}

// Copies `source` into `target` with its top-left at `at`; both are 32-bit.
void copyInto(QImage& target, const QImage& source, QPoint at) {
    const QRect rect = QRect(at, source.size()).intersected(target.rect());
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        std::memcpy(target.scanLine(y) + rect.x() * 4,
                    source.constScanLine(y - at.y()) + (rect.x() - at.x()) * 4,
                    size_t(rect.width()) * 4);
    }
}

// `outer` without `inner`, which lies inside it (or is empty): up to four strips.
std::vector<QRect> outside(const QRect& outer, const QRect& inner) {
    if (inner.isEmpty())
        return {outer};
    std::vector<QRect> strips;
    const auto add = [&](const QRect& strip) {
        if (!strip.isEmpty())
            strips.push_back(strip);
    };
    add(QRect(outer.left(), outer.top(), outer.width(), inner.top() - outer.top()));
    add(QRect(outer.left(), inner.bottom() + 1, outer.width(), outer.bottom() - inner.bottom()));
    add(QRect(outer.left(), inner.top(), inner.left() - outer.left(), inner.height()));
    add(QRect(inner.right() + 1, inner.top(), outer.right() - inner.right(), inner.height()));
    return strips;
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
        if (owner_.drawn_)
            OpeningTrace::end("painted");
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

X11OverlayWindow::X11OverlayWindow(X11Connection& connection, KeyFocus& focus, Clock& clock)
    : connection_(connection),
      focus_(focus),
      surface_(std::make_unique<Surface>(*this)),
      grabber_(std::make_unique<ScreenGrabber>(connection, reservedPixels)),
      shield_(std::make_unique<X11ShieldWindow>(connection, clock)) {
    surface_->setFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool |
                       Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint);
    QSurfaceFormat format = surface_->format();
    format.setAlphaBufferSize(8);
    surface_->setFormat(format);
    surface_->create();
    shapedWindow_ = windowID();  // a new window takes input everywhere
    InputShape::prepare(connection_);
    int event = 0, error = 0;
    hasShapeExtension_ = XShapeQueryExtension(connection_.display(), &event, &error);
    OverlayHandlers handlers;
    handlers.mouseDown = [this](MouseButton button) {
        // A copy: the handler may replace the handlers while it runs.
        if (auto handler = handlers_.mouseDown)
            handler(button);
    };
    // Beside what the window draws, files dropped go to the aimed entry all the same.
    handlers.dragOperation = [this] {
        // DragOperation{} is none, a name Xlib's macro hides here.
        auto handler = handlers_.dragOperation;
        return handler ? handler() : DragOperation{};
    };
    handlers.drop = [this](const std::vector<QUrl>& urls) {
        auto handler = handlers_.drop;
        return handler && handler(urls);
    };
    shield_->setHandlers(std::move(handlers));
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
    OpeningTrace::mark("frame");
    const QRect before = frameGeometry();
    frame_ = frame;
    if (placed_ && frameGeometry() == before)
        return;
    shield_->setFrame(frame);
    // What was shown lay elsewhere on the screen: it shows again as it is drawn anew.
    shown_ = QRect();
    picture_ = QImage();
    background_ = QImage();
    place();
    if (ordered_ && shaped_)
        applyShape();
    surface_->update();
}

QRectF X11OverlayWindow::frame() const {
    return frame_;
}

void X11OverlayWindow::orderFront() {
    if (!ordered_) {
        ordered_ = true;
        // A compositing manager blends the window itself; without one only a shape that keeps
        // to what the window draws spares a picture of the whole screen. With one, the shape
        // spares the program and the compositing manager a screenful of transparent pixels.
        compositing_ = compositingManagerRuns();
        shaped_ = hasShapeExtension_;
        if (compositing_)
            background_ = QImage();
        else if (!shown_.isEmpty())
            recapture();  // the picture kept from before shows over the screen as it is now
        if (shapeSet_ != shaped_ || shaped_)
            applyShape();
        if (backdropRequest_)
            buildBackdrop();
        if (!shaped_ && !compositing_)
            grow(QRectF(QPointF(0, 0), qtFrame().size()));  // no way to show less
        place();
        // Mapped even with nothing to show yet, so that it can take the keyboard at once.
        if (!surface_->isVisible())
            map();
        if (shaped_) {
            // Right under the window, so that nothing between takes the clicks meant for it.
            syncQt();
            shield_->orderFrontBelow(windowID());
        }
    } else if (surface_->isVisible()) {
        surface_->raise();
        if (shaped_) {
            syncQt();
            shield_->orderFrontBelow(windowID());
        }
    }
    if (wantsKey_)
        takeFocus();
}

void X11OverlayWindow::map() {
    applyInputShape();
    OpeningTrace::mark("input");
    surface_->show();
    surface_->raise();
    OpeningTrace::mark("shown");
}

void X11OverlayWindow::orderOut() {
    focus_.release(this);
    giveFocusBack();
    surface_->hide();
    shield_->orderOut();
    ordered_ = false;
    wantsKey_ = false;
    focusPending_ = false;
}

bool X11OverlayWindow::isVisible() const {
    return ordered_;
}

void X11OverlayWindow::makeKey() {
    wantsKey_ = true;
    focus_.take(this, [this](const KeyEvent& event) {
        if (auto handler = handlers_.keyDown)
            handler(event);
    });
    if (ordered_)
        takeFocus();
}

void X11OverlayWindow::setAcceptsMouseEvents(bool accepts) {
    acceptsMouseEvents_ = accepts;
    applyInputShape();
    if (shieldAccepting_ != accepts) {
        shield_->setAcceptsMouseEvents(accepts);
        shieldAccepting_ = accepts;
    }
}

void X11OverlayWindow::setBackdropAlpha(double alpha) {
    alpha = std::clamp(alpha, 0.0, 1.0);
    if (alpha == backdropAlpha_)
        return;
    backdropAlpha_ = alpha;
    if (!backdrop_.image.isNull())
        update(backdrop_.rect);
}

void X11OverlayWindow::setContents(const QImage& image, const QRectF& area) {
    if (area.isEmpty() || frame_.isEmpty())
        return;
    OpeningTrace::mark("contents");
    // The picture's rows run down from the window's top, the area's y up from its bottom.
    const QRectF target(area.x(), frame_.height() - area.y() - area.height(), area.width(),
                        area.height());
    // Emptied where nothing shows, nothing changes.
    if (!image.isNull()) {
        grow(target);
        drawn_ = true;
    }
    if (picture_.isNull())
        return;
    QPainter painter(&picture_);
    painter.translate(-shownPoints().topLeft());
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (image.isNull()) {
        painter.fillRect(target, Qt::transparent);
    } else {
        painter.drawImage(target, image);
    }
    painter.end();
    update(target);
}

void X11OverlayWindow::clearContents() {
    drawn_ = false;
    if (ordered_) {
        if (!picture_.isNull())
            picture_.fill(Qt::transparent);
        surface_->update();
        return;
    }
    // Hidden, the window starts anew. The memory kept for the next opening is what the last one
    // needed first, the ring alone: the room its chips took is given back.
    const qsizetype kept = qsizetype(firstShown_.width()) * firstShown_.height() * 4;
    picture_ = QImage();
    background_ = QImage();
    if (pictureStore_.sizeInBytes() > kept)
        pictureStore_ = QImage();
    if (backgroundStore_.sizeInBytes() > kept)
        backgroundStore_ = QImage();
    shown_ = QRect();
    place();  // small again before the next opening maps it
}

void X11OverlayWindow::setBackdrop(const std::optional<OverlayBackdrop>& backdrop) {
    const QRectF before = backdrop_.rect;
    backdrop_ = Backdrop{};
    backdropRequest_.reset();
    if (backdrop && !backdrop->frame.isEmpty() && !frame_.isEmpty())
        backdropRequest_ = backdrop;
    // Hidden, it is made when the window is ordered front, from the picture taken then.
    if (backdropRequest_ && ordered_)
        buildBackdrop();
    OpeningTrace::mark("backdrop");
    update(before.united(backdrop_.rect));
}

XID X11OverlayWindow::windowID() const {
    return XID(surface_->winId());
}

void X11OverlayWindow::paint(QPainter& painter, const QRect& surfaceRect) {
    // Drawn in the frame's points, wherever the window lies in it.
    const QPoint offset = surfaceOffset();
    const QRect rect = surfaceRect.translated(offset);
    const QRectF shown = shownPoints();
    // A shaped window shows nothing outside its shape: no need to draw there.
    const QRect clip = shaped_ ? rect.intersected(shown.toAlignedRect()) : rect;
    if (clip.isEmpty())
        return;
    painter.save();
    painter.translate(-offset);
    painter.setClipRect(clip);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(clip, Qt::transparent);
    if (!background_.isNull())
        painter.drawImage(shown, background_);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (!backdrop_.image.isNull() && backdropAlpha_ > 0 && backdrop_.rect.intersects(clip)) {
        painter.setOpacity(backdropAlpha_);
        painter.drawImage(backdrop_.rect, backdrop_.image);
        painter.setOpacity(1);
    }
    if (!picture_.isNull())
        painter.drawImage(shown, picture_);
    painter.restore();
}

void X11OverlayWindow::exposed() {
    OpeningTrace::mark("exposed");
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

QRect X11OverlayWindow::pixelsOf(const QRectF& rect) const {
    const double ratio = surface_->devicePixelRatio();
    return QRectF(rect.topLeft() * ratio, rect.size() * ratio).toAlignedRect();
}

QRectF X11OverlayWindow::shownPoints() const {
    const double ratio = surface_->devicePixelRatio();
    return QRectF(QPointF(shown_.topLeft()) / ratio, QSizeF(shown_.size()) / ratio);
}

void X11OverlayWindow::grow(const QRectF& rect) {
    const double ratio = surface_->devicePixelRatio();
    const QRect window = pixelsOf(QRectF(QPointF(0, 0), qtFrame().size()));
    // In whole points, so that a window sized to what it shows covers it exactly.
    const QRect wanted = pixelsOf(QRectF(rect.toAlignedRect())).intersected(window);
    if (wanted.isEmpty() || shown_.contains(wanted))
        return;
    const QRect next = shown_.isEmpty() ? wanted : shown_.united(wanted);
    if (shown_.isEmpty())
        firstShown_ = next;
    const bool capturing = !compositing_;
    QImage picture;
    QImage background;
    if (shown_.isEmpty()) {
        // The opening's first part: into the memory the last opening used, when it is enough.
        picture_ = QImage();
        background_ = QImage();
        picture = canvas(pictureStore_, next.size());
        picture.fill(Qt::transparent);
        if (capturing)
            background = canvas(backgroundStore_, next.size());
    } else {
        // Rarely, while the chips appear: fresh memory, which the next closing gives back.
        const QPoint offset = shown_.topLeft() - next.topLeft();
        picture = QImage(next.size(), QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        copyInto(picture, picture_, offset);
        if (capturing) {
            background = QImage(next.size(), QImage::Format_ARGB32_Premultiplied);
            copyInto(background, background_, offset);
        }
    }
    if (capturing) {
        // An unmap or a shape of this window still on its way must not show in the picture.
        syncQt();
        const QPoint origin = X11ScreenCapture::rootPixels(qtFrame()).topLeft();
        for (const QRect& strip : outside(next, shown_)) {
            const QPoint at = strip.topLeft() - next.topLeft();
            if (!grabber_->grab(strip.translated(origin), background, at)) {
                // Unreadable: left as the server shows a window it cannot blend.
                QPainter painter(&background);
                painter.setCompositionMode(QPainter::CompositionMode_Source);
                painter.fillRect(QRect(at, strip.size()), Qt::transparent);
            }
        }
        OpeningTrace::mark("captured");
    }
    if (!shown_.isEmpty()) {
        // The grown pictures become the stores, the old ones (which may have lived there) go.
        picture_ = QImage();
        background_ = QImage();
        pictureStore_ = std::move(picture);
        picture = canvas(pictureStore_, next.size());
        if (capturing) {
            backgroundStore_ = std::move(background);
            background = canvas(backgroundStore_, next.size());
        }
    }
    // Views of the stores' memory, not sharing it with another image: painted without a copy.
    picture.setDevicePixelRatio(ratio);
    background.setDevicePixelRatio(ratio);
    picture_ = std::move(picture);
    background_ = std::move(background);
    shown_ = next;
    place();
    if (shaped_)
        applyShape();
    update(shownPoints());
}

void X11OverlayWindow::recapture() {
    if (background_.isNull()) {
        background_ = canvas(backgroundStore_, shown_.size());
        background_.setDevicePixelRatio(surface_->devicePixelRatio());
    }
    syncQt();
    const QPoint origin = X11ScreenCapture::rootPixels(qtFrame()).topLeft();
    if (!grabber_->grab(shown_.translated(origin), background_, QPoint()))
        background_.fill(Qt::transparent);
    OpeningTrace::mark("captured");
}

void X11OverlayWindow::applyShape() {
    Display* display = nullptr;
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
        display = x11->display();
    if (!display)
        return;
    const XID window = windowID();
    if (shaped_) {
        const QPoint origin = (QPointF(surfaceOffset()) * surface_->devicePixelRatio()).toPoint();
        const QRect shown = shown_.translated(-origin);
        XRectangle rect{short(shown.x()), short(shown.y()), ushort(shown.width()),
                        ushort(shown.height())};
        XShapeCombineRectangles(display, window, ShapeBounding, 0, 0, &rect,
                                shown_.isEmpty() ? 0 : 1, ShapeSet, YXBanded);
    } else {
        XShapeCombineMask(display, window, ShapeBounding, 0, 0, 0, ShapeSet);
    }
    shapeSet_ = shaped_;
    // Sent now: the next requests about the window may come on this program's other connection.
    XFlush(display);
}

QRect X11OverlayWindow::frameGeometry() const {
    const QRectF geometry = qtFrame();
    return QRect(int(std::lround(geometry.x())), int(std::lround(geometry.y())),
                 std::max(1, int(std::lround(geometry.width()))),
                 std::max(1, int(std::lround(geometry.height()))));
}

bool X11OverlayWindow::sizedToShown() const {
    // Qt places windows in whole points: at a fractional ratio the window could not cover the
    // shown pixels exactly, and keeps the frame's size with its shape.
    const double ratio = surface_->devicePixelRatio();
    return shaped_ && ratio == std::floor(ratio);
}

QRect X11OverlayWindow::placement() const {
    const QRect frame = frameGeometry();
    if (!sizedToShown())
        return frame;
    // A compositing manager repaints all a window covers when it maps or grows, and Qt's
    // backing store is as large as the window: both are spared the screenful around the ring.
    if (shown_.isEmpty())
        return QRect(frame.topLeft(), QSize(1, 1));
    const QRectF shown = shownPoints();
    return QRect(frame.topLeft() + shown.topLeft().toPoint(), shown.size().toSize());
}

QPoint X11OverlayWindow::surfaceOffset() const {
    return placedAt_;
}

void X11OverlayWindow::place() {
    const QRect rect = placement();
    placedAt_ = rect.topLeft() - frameGeometry().topLeft();
    placed_ = true;
    if (rect != surface_->geometry())
        surface_->setGeometry(rect);
}

void X11OverlayWindow::update(const QRectF& rect) {
    surface_->update(rect.toAlignedRect().translated(-surfaceOffset()));
}

void X11OverlayWindow::buildBackdrop() {
    const OverlayBackdrop& request = *backdropRequest_;
    const QRectF& frame = request.frame;
    const QRectF rect(frame.x(), frame_.height() - frame.y() - frame.height(), frame.width(),
                      frame.height());
    // A margin, so that the edges blur with what lies around them.
    const QRectF wanted = rect.adjusted(-blurRadius, -blurRadius, blurRadius, blurRadius);
    QImage source;
    QRectF sourceRect;
    if (!compositing_) {
        grow(wanted);
        // A view of the background, not a copy.
        const QRect pixels = pixelsOf(wanted).intersected(shown_);
        if (!background_.isNull() && !pixels.isEmpty()) {
            const QPoint at = pixels.topLeft() - shown_.topLeft();
            source = QImage(background_.constScanLine(at.y()) + at.x() * 4, pixels.width(),
                            pixels.height(), background_.bytesPerLine(), background_.format());
            const double ratio = surface_->devicePixelRatio();
            sourceRect = QRectF(QPointF(pixels.topLeft()) / ratio, QSizeF(pixels.size()) / ratio);
        }
    } else if (!surface_->isVisible()) {
        // The compositing manager blends the window but does not blur: the screen is read
        // while the window is not on it.
        syncQt();
        const QRect pixels = X11ScreenCapture::rootPixels(wanted.translated(qtFrame().topLeft()));
        source = grabber_->grab(pixels);
        sourceRect = X11ScreenCapture::qtPoints(pixels).translated(-qtFrame().topLeft());
    }
    // Without a picture of what lies behind there is no blur, rather than a made-up one.
    backdrop_ = source.isNull() || sourceRect.isEmpty() ? Backdrop{}
                                                        : makeBackdrop(request, source, sourceRect);
    OpeningTrace::mark("blurred");
}

X11OverlayWindow::Backdrop X11OverlayWindow::makeBackdrop(const OverlayBackdrop& backdrop,
                                                          const QImage& source,
                                                          const QRectF& sourceRect) {
    const QRectF& frame = backdrop.frame;
    const QRectF rect(frame.x(), frame_.height() - frame.y() - frame.height(), frame.width(),
                      frame.height());
    const double ratio = surface_->devicePixelRatio();
    const QImage blur = blurred(source, backdrop.material, blurRadius * ratio);
    QImage image(std::max(1, int(std::ceil(rect.width() * ratio - 1e-6))),
                 std::max(1, int(std::ceil(rect.height() * ratio - 1e-6))),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(sourceRect.translated(-rect.topLeft()), blur);
    if (!backdrop.mask.isNull()) {
        painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        painter.drawImage(QRectF(QPointF(0, 0), rect.size()), backdrop.mask);
    }
    painter.end();
    return {image, rect};
}

}  // namespace tandri::x11
