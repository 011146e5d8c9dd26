// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QRect>
#include <QRectF>
#include <QUrl>
#include <memory>
#include <optional>
#include <vector>

#include "platform/overlay.h"
#include "platform/x11/keyfocus.h"
#include "platform/x11/screengrabber.h"
#include "platform/x11/x11connection.h"
#include "platform/x11/x11shieldwindow.h"

class QDropEvent;
class QKeyEvent;
class QMouseEvent;
class QPainter;

namespace tandri::x11 {

/// An overlay as an override-redirect Qt window: the window manager neither decorates, places nor
/// focuses it, and it lies above every managed window. Its picture is kept in an image at the
/// screen's pixel ratio and drawn over the blurred backdrop. Without a compositing manager the
/// server cannot blend a translucent window with what lies below, so the window then shows only
/// the part of its frame it has been given something to show in (its shape grows with it), over
/// a picture of the screen taken there as that part first showed; an input-only window under it
/// takes the clicks on the rest of its frame. Main thread.
class X11OverlayWindow : public OverlayWindow {
public:
    /// While it has the keyboard focus the window names itself in `focus`, which outlives it.
    X11OverlayWindow(X11Connection& connection, KeyFocus& focus, Clock& clock);
    ~X11OverlayWindow() override;
    X11OverlayWindow(const X11OverlayWindow&) = delete;
    X11OverlayWindow& operator=(const X11OverlayWindow&) = delete;

    void setHandlers(OverlayHandlers handlers) override;
    void setFrame(const QRectF& frame) override;
    QRectF frame() const override;
    void orderFront() override;
    void orderOut() override;
    bool isVisible() const override;
    /// Takes the keyboard focus with XSetInputFocus: an override-redirect window is outside the
    /// window manager's focus rules, so it may take the focus itself. The window manager finds
    /// the focus back on the root when the window goes, and returns it to its last client.
    void makeKey() override;
    void setAcceptsMouseEvents(bool accepts) override;
    void setBackdropAlpha(double alpha) override;
    void setContents(const QImage& image, const QRectF& area) override;
    void clearContents() override;
    void setBackdrop(const std::optional<OverlayBackdrop>& backdrop) override;

    /// The X window, for tests and stacking checks.
    XID windowID() const;

private:
    class Surface;

    struct Backdrop {
        /// Blurred, tinted and masked, at the window's pixel ratio.
        QImage image;
        /// Where it lies, in window points (y down).
        QRectF rect;
    };

    /// Paints `surfaceRect`, in the window's own points.
    void paint(QPainter& painter, const QRect& surfaceRect);
    void exposed();
    void mousePressed(const QMouseEvent& event);
    void keyPressed(const QKeyEvent& event);
    bool dragMoved(QDropEvent& event);
    bool dropped(QDropEvent& event);
    void dragLeft();

    /// The window's frame as Qt's geometry (device-independent pixels, y down).
    QRectF qtFrame() const;
    /// Makes sure the server has seen every request Qt made, before this connection's requests
    /// refer to the window.
    void syncQt();
    void applyInputShape();
    void takeFocus();
    /// Returns the focus to the window that had it before `takeFocus`, if this window still has it.
    void giveFocusBack();
    bool compositingManagerRuns();
    /// The window's pixels under `rect` (window points, y down).
    QRect pixelsOf(const QRectF& rect) const;
    /// The window points of the shown part.
    QRectF shownPoints() const;
    /// Extends the shown part over `rect` (window points, y down), taking the picture of the screen
    /// there when the window is shaped, and maps the window if it was waiting for something to
    /// show.
    void grow(const QRectF& rect);
    /// The frame as whole points of Qt's geometry.
    QRect frameGeometry() const;
    /// Whether the window covers only the shown part instead of the whole frame.
    bool sizedToShown() const;
    /// Where the window lies, as Qt's geometry.
    QRect placement() const;
    /// Where the window's top-left corner lies in the frame, in points.
    QPoint surfaceOffset() const;
    /// Moves and sizes the window to its placement.
    void place();
    /// Repaints `rect` (window points of the frame, y down).
    void update(const QRectF& rect);
    /// Sets the window's shape to the shown part, on Qt's connection: ordered with its map.
    void applyShape();
    /// Takes the picture of the screen under the whole shown part anew.
    void recapture();
    void map();
    void buildBackdrop();
    Backdrop makeBackdrop(const OverlayBackdrop& backdrop, const QImage& source,
                          const QRectF& sourceRect);

    X11Connection& connection_;
    KeyFocus& focus_;
    std::unique_ptr<Surface> surface_;
    OverlayHandlers handlers_;
    // The files of the drag over the window, as its moves offered them: at the drop Qt may no
    // longer get them from the source.
    std::vector<QUrl> dragUrls_;
    QRectF frame_;
    /// The window was placed once.
    bool placed_ = false;
    QPoint placedAt_;
    bool acceptsMouseEvents_ = true;
    std::unique_ptr<ScreenGrabber> grabber_;
    /// Takes the clicks on the frame outside the shown part, and hands them to the same handler.
    std::unique_ptr<X11ShieldWindow> shield_;
    bool shieldAccepting_ = true;  // a new window takes input everywhere
    /// Ordered front, whether or not the window is mapped yet.
    bool ordered_ = false;
    /// Shown only where it draws, over a picture of the screen (no compositing manager).
    bool shaped_ = false;
    /// A compositing manager blends the window with what lies below.
    bool compositing_ = false;
    bool hasShapeExtension_ = false;
    /// The window's native shape was changed from the default whole window.
    bool shapeSet_ = false;
    XID shapedWindow_ = 0;
    bool shapedAccepting_ = true;
    bool wantsKey_ = false;
    bool focusPending_ = false;
    /// Who had the keyboard focus before this window took it.
    XID previousFocus_ = 0;
    double backdropAlpha_ = 1.0;
    /// The part of the window that shows something, in its pixels: the picture and the
    /// background cover exactly it.
    QRect shown_;
    /// What the opening showed first.
    QRect firstShown_;
    QImage picture_;
    /// Something was drawn in the picture since it was last emptied.
    bool drawn_ = false;
    /// What the screen showed under the shown part as it came; null when a compositing manager
    /// blends the window itself.
    QImage background_;
    /// Memory the picture and the background reuse from one opening to the next.
    QImage pictureStore_;
    QImage backgroundStore_;
    std::optional<OverlayBackdrop> backdropRequest_;
    Backdrop backdrop_;
};

}  // namespace tandri::x11
