// SPDX-License-Identifier: MIT
#pragma once

#include <QPointF>
#include <QRectF>
#include <memory>
#include <optional>

#include "platform/overlay.h"
#include "platform/screens.h"
#include "prefs/lookchoice.h"
#include "ring/lookbackdrop.h"
#include "ring/ringlayout.h"
#include "ring/ringview.h"

namespace tandri {

class Clock;
class Overlays;

/// The window the ring is shown in: it covers the ring's screen, floats above everything and
/// hosts the look's blurred backdrop with the ring view on top of it.
class RingPanel {
public:
    /// Pixels per point when the panel has no screen to take them from.
    static constexpr double fallbackScale = 2.0;

    RingPanel(Overlays& overlays, const Clock& clock);
    ~RingPanel();
    RingPanel(const RingPanel&) = delete;
    RingPanel& operator=(const RingPanel&) = delete;

    RingView& ringView() { return view_; }
    const RingView& ringView() const { return view_; }
    OverlayWindow& window() { return *window_; }

    /// Prepares one opening: the panel covers `screen`, the ring sits at `center` (screen points),
    /// and the look's backdrop lies behind it.
    void configure(const RingLayout& layout, const Screen& screen, QPointF center,
                   const LookChoice& look, bool dark);
    void setBlurAlpha(double alpha);
    void orderFront();
    /// Gives the ring the keyboard.
    void makeKey();
    void setAcceptsMouseEvents(bool accepts);
    /// Hides the panel and forgets its picture and backdrop, so the next opening never shows a
    /// stale frame.
    void orderOut();
    /// The panel's frame in screen points.
    QRectF frame() const;
    /// Draws what changed in the view since the last call into the window; nothing while the
    /// panel is ordered out.
    void display();
    /// Draws the configured view whole and drops the picture, leaving the panel as ordered out.
    void rehearse();
    /// Pixels per point the view is drawn at: the configured screen's.
    double scale() const { return scale_; }

    /// The blurred backdrop a look asks for around a ring centred at `center` (view points), with
    /// its mask drawn at `scale` pixels per point; none for a look without blur.
    static std::optional<OverlayBackdrop> backdrop(const LookBackdrop& look,
                                                   const RingLayout& layout, QPointF center,
                                                   double scale);

private:
    std::unique_ptr<OverlayWindow> window_;
    RingView view_;
    double scale_ = fallbackScale;
    bool needsDisplay_ = false;
};

}  // namespace tandri
