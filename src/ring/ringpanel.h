#pragma once

#include <QPointF>
#include <QRectF>
#include <memory>

#include "platform/screens.h"
#include "ring/lookchoice.h"
#include "ring/ringlayout.h"
#include "ring/ringview.h"

namespace tandri {

class Clock;
class OverlayWindow;
class Overlays;

/// The window the ring is shown in: it covers the ring's screen, floats above everything and
/// hosts the ring view.
class RingPanel {
public:
    RingPanel(Overlays& overlays, const Clock& clock);
    ~RingPanel();

    RingView& ringView() { return view_; }
    const RingView& ringView() const { return view_; }
    OverlayWindow& window() { return *window_; }

    /// Prepares one opening: the panel covers `screen`, the ring sits at `center` (screen points).
    void configure(const RingLayout& layout, const Screen& screen, QPointF center,
                   const LookChoice& look, bool dark);
    void setBlurAlpha(double alpha);
    void orderFront();
    /// Gives the ring the keyboard.
    void makeKey();
    void setAcceptsMouseEvents(bool accepts);
    /// Hides the panel and forgets its picture, so the next opening never shows a stale frame.
    void orderOut();
    /// The panel's frame in screen points.
    QRectF frame() const;

private:
    std::unique_ptr<OverlayWindow> window_;
    RingView view_;
};

}  // namespace tandri
