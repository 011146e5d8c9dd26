// SPDX-License-Identifier: MIT
#pragma once

#include <QRectF>
#include <QString>
#include <memory>
#include <vector>

#include "platform/screens.h"

struct wl_output;

namespace tandri::wayland {

class WaylandConnection;
class WaylandSeat;

/// The compositor's outputs (wl_output) as screens, and the pointer as far as a Wayland client
/// may know it: where it was last seen over one of this program's surfaces, else the middle of
/// the main screen. The first output the compositor announced is the main one. Main thread.
class WaylandScreens : public Screens {
public:
    /// One output, in the compositor's space (y down, logical pixels).
    struct Output {
        wl_output* proxy = nullptr;
        QString name;
        QRectF logical;
        int scale = 1;
    };

    WaylandScreens(WaylandConnection& connection, WaylandSeat& seat);
    ~WaylandScreens() override;

    std::vector<Screen> screens() const override;
    QPointF mouseLocation() const override;
    /// Those held over this program's own surfaces: the compositor tells no others.
    unsigned pressedMouseButtons() const override;
    /// None: a Wayland client hears of no clicks in other programs' windows.
    std::unique_ptr<Monitor> monitorOutsideClicks(std::function<void()> onMouseDown) override;

    const std::vector<std::unique_ptr<Output>>& outputs() const { return outputs_; }
    /// The output that holds `point` (compositor space), else the main one; null without any.
    const Output* outputAt(const QPointF& point) const;
    /// Between the compositor's space and the system's points (y up from the bottom-left of the
    /// main screen); the flip undoes itself.
    QRectF toPoints(const QRectF& rect) const;
    QPointF toPoints(const QPointF& point) const;
    QRectF toCompositor(const QRectF& points) const { return toPoints(points); }

private:
    WaylandConnection& connection_;
    WaylandSeat& seat_;
    std::vector<std::unique_ptr<Output>> outputs_;
};

}  // namespace tandri::wayland
