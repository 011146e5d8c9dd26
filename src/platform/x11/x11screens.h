// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>
#include <memory>

#include "platform/screens.h"
#include "platform/x11/x11connection.h"

namespace tandri::x11 {

/// Displays from Qt, the pointer from the X server, outside clicks from XInput2 raw events. The
/// connection outlives the screens and the monitors they hand out. Main thread.
class X11Screens : public Screens {
public:
    explicit X11Screens(X11Connection& connection);
    ~X11Screens() override;

    std::vector<Screen> screens() const override;
    QPointF mouseLocation() const override;
    unsigned pressedMouseButtons() const override;
    /// Raw presses of the primary and secondary buttons anywhere except on this program's own
    /// windows. Null without XInput2.
    [[nodiscard]] std::unique_ptr<Monitor> monitorOutsideClicks(
        std::function<void()> onMouseDown) override;

    /// A pixel of the root window (y down) in points, y up from the primary screen's bottom.
    static QPointF toPoints(const QPoint& rootPixel);
    /// A rectangle in Qt's coordinates (y down) in points, y up from the primary screen's
    /// bottom.
    static QRectF toPoints(const QRectF& rect);
    /// A rectangle in points, y up from the primary screen's bottom, in Qt's coordinates (y down).
    static QRectF toQt(const QRectF& points);

private:
    class ClickMonitor;

    X11Connection& connection_;
};

}  // namespace tandri::x11
