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
#include "platform/x11/x11connection.h"

class QDropEvent;
class QKeyEvent;
class QMouseEvent;
class QPainter;

namespace tandri::x11 {

/// An overlay as an override-redirect Qt window: the window manager neither decorates, places nor
/// focuses it, and it lies above every managed window. Its picture is kept in an image at the
/// screen's pixel ratio and drawn over the blurred backdrop. Without a compositing manager the
/// server cannot blend a translucent window with what lies below, so the window then shows the
/// screen as it was when it was ordered front under its own picture. Main thread.
class X11OverlayWindow : public OverlayWindow {
public:
    /// While it has the keyboard focus the window names itself in `focus`, which outlives it.
    X11OverlayWindow(X11Connection& connection, KeyFocus& focus);
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

    void paint(QPainter& painter, const QRect& rect);
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
    /// The screen under `rect` (screen points, y down) as it is now, or null.
    QImage captureUnder(const QRectF& rect, QRectF& captured);
    Backdrop makeBackdrop(const OverlayBackdrop& backdrop);

    X11Connection& connection_;
    KeyFocus& focus_;
    std::unique_ptr<Surface> surface_;
    OverlayHandlers handlers_;
    // The files of the drag over the window, as its moves offered them: at the drop Qt may no
    // longer get them from the source.
    std::vector<QUrl> dragUrls_;
    QRectF frame_;
    bool acceptsMouseEvents_ = true;
    XID shapedWindow_ = 0;
    bool shapedAccepting_ = true;
    bool wantsKey_ = false;
    bool focusPending_ = false;
    /// Who had the keyboard focus before this window took it.
    XID previousFocus_ = 0;
    double backdropAlpha_ = 1.0;
    QImage picture_;
    /// What the screen showed under the window when it was ordered front, and where (screen
    /// points, y down); null when a compositing manager blends the window itself.
    QImage background_;
    QRectF backgroundRect_;
    Backdrop backdrop_;
};

}  // namespace tandri::x11
