// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QRectF>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tandri {

/// A key press, in the system's virtual key codes and modifier flags.
struct KeyEvent {
    static constexpr quint64 shiftFlag = 1ull << 17;
    static constexpr quint64 controlFlag = 1ull << 18;
    static constexpr quint64 optionFlag = 1ull << 19;
    static constexpr quint64 commandFlag = 1ull << 20;
    int keyCode = 0;
    quint64 modifierFlags = 0;
    /// What the key types without modifiers; empty for keys that type nothing.
    QString characters = {};
};

enum class MouseButton { Left, Right, Other };
enum class DragOperation { None, Copy, Move };

/// What an overlay window reports; unset handlers ignore the event.
struct OverlayHandlers {
    std::function<void(MouseButton)> mouseDown;
    std::function<void(const KeyEvent&)> keyDown;
    std::function<DragOperation()> dragOperation;
    std::function<bool(const std::vector<QUrl>&)> drop;
};

/// A blurred picture of what lies behind a window, shown under the window's own contents.
struct OverlayBackdrop {
    /// How the blur looks: a light frosted one that follows the appearance, or a darker, heavier
    /// one.
    enum class Material { Popover, Hud };

    Material material = Material::Popover;
    /// Where the blur lies, in window points (y up from the window's bottom-left).
    QRectF frame;
    /// How much blur shows across `frame`: the mask's alpha, stretched over the frame with its
    /// top row at the frame's top edge.
    QImage mask;
};

/// A borderless, transparent, always-on-top window that never activates its program: the ring's
/// panel or a click shield. Main thread.
class OverlayWindow {
public:
    virtual ~OverlayWindow() = default;
    virtual void setHandlers(OverlayHandlers handlers) = 0;
    /// Places the window, in screen points (y up).
    virtual void setFrame(const QRectF& frame) = 0;
    virtual QRectF frame() const = 0;
    /// Shows the window above everything, whichever program is active.
    virtual void orderFront() = 0;
    virtual void orderOut() = 0;
    virtual bool isVisible() const = 0;
    /// Gives the window the keyboard focus.
    virtual void makeKey() = 0;
    virtual void setAcceptsMouseEvents(bool accepts) = 0;
    /// Opacity of the blurred backdrop behind the ring.
    virtual void setBackdropAlpha(double alpha) = 0;
    /// Replaces the window's picture inside `area` (window points, y up from the bottom-left) with
    /// `image`, a premultiplied ARGB bitmap covering exactly that area (top row at its top edge)
    /// at some pixels-per-point scale; the picture outside `area` is kept.
    virtual void setContents(const QImage& image, const QRectF& area) = 0;
    /// Empties the window's picture.
    virtual void clearContents() = 0;
    /// Shows a blurred backdrop, or hides it when there is none.
    virtual void setBackdrop(const std::optional<OverlayBackdrop>& backdrop) = 0;
};

/// Makes overlay windows.
class Overlays {
public:
    virtual ~Overlays() = default;
    virtual std::unique_ptr<OverlayWindow> makePanel() = 0;
    virtual std::unique_ptr<OverlayWindow> makeShield() = 0;
};

}  // namespace tandri
