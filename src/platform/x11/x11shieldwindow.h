// SPDX-License-Identifier: MIT
#pragma once

#include <QRectF>
#include <memory>
#include <optional>

#include "platform/clock.h"
#include "platform/overlay.h"
#include "platform/x11/x11connection.h"

namespace tandri::x11 {

class XdndTarget;

/// A click shield as an input-only, override-redirect X window: it takes the clicks on its screen
/// and shows nothing, so the screen below stays live and no picture of it is ever taken. It
/// carries this process's id, by which the outside-click monitor knows it as one of ours.
/// Pictures and backdrops given to it are not shown; it never takes the keyboard. Given a drop
/// handler, it also takes the files other programs drag over it. Main thread.
class X11ShieldWindow : public OverlayWindow {
public:
    /// `clock` times out drops whose data never comes.
    X11ShieldWindow(X11Connection& connection, Clock& clock);
    ~X11ShieldWindow() override;
    X11ShieldWindow(const X11ShieldWindow&) = delete;
    X11ShieldWindow& operator=(const X11ShieldWindow&) = delete;

    void setHandlers(OverlayHandlers handlers) override;
    void setFrame(const QRectF& frame) override;
    QRectF frame() const override;
    void orderFront() override;
    /// Shows the window right below `sibling`, another window on the root, rather than above all.
    void orderFrontBelow(XID sibling);
    void orderOut() override;
    bool isVisible() const override;
    void makeKey() override {}
    void setAcceptsMouseEvents(bool accepts) override;
    void setBackdropAlpha(double) override {}
    void setContents(const QImage&, const QRectF&) override {}
    void clearContents() override {}
    void setBackdrop(const std::optional<OverlayBackdrop>&) override {}

    /// The X window, for tests.
    XID windowID() const { return window_; }
    /// Which of the overlay's buttons an X button is; none for the wheel's steps (4 to 7).
    static std::optional<MouseButton> buttonOf(unsigned xButton);

private:
    bool handle(_XEvent& event);

    X11Connection& connection_;
    Clock& clock_;
    XID window_ = 0;
    std::shared_ptr<void> events_;
    OverlayHandlers handlers_;
    std::unique_ptr<XdndTarget> drops_;
    QRectF frame_;
    bool mapped_ = false;
};

}  // namespace tandri::x11
