// SPDX-License-Identifier: MIT
#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tandri {

/// One display, in points with y growing upward from the bottom-left of the main screen.
struct Screen {
    /// Stable identity of the display for as long as it is attached.
    QString id;
    QRectF frame;
    /// The frame without menu bar and dock.
    QRectF visible;
    double scale = 1.0;
};

/// Keeps a global event monitor installed; destroying it removes the monitor.
class Monitor {
public:
    virtual ~Monitor() = default;
};

/// Displays and the pointer. Main thread.
class Screens {
public:
    /// Bit 0 of `pressedMouseButtons`: the primary button.
    static constexpr unsigned primaryButton = 1u;

    virtual ~Screens() = default;
    /// Every display; the first is the main one.
    virtual std::vector<Screen> screens() const = 0;
    /// The pointer's position.
    virtual QPointF mouseLocation() const = 0;
    /// The mouse buttons held now, one bit per button.
    virtual unsigned pressedMouseButtons() const = 0;
    /// Calls `onMouseDown` for left and right clicks that go to other applications; null when the
    /// system offers no such monitor.
    [[nodiscard]] virtual std::unique_ptr<Monitor> monitorOutsideClicks(
        std::function<void()> onMouseDown) = 0;
};

}  // namespace tandri
