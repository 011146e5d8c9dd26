#pragma once

#include <QImage>
#include <QRect>
#include <QRectF>

#include "platform/screencapture.h"

namespace tandri::x11 {

class X11Connection;

/// Window pictures through the Composite extension. Every top-level window is redirected to a
/// pixmap of its own, automatically, so the screen looks as before while covered parts of windows
/// stay whole in their pixmaps. Main thread.
class X11ScreenCapture : public ScreenCapture {
public:
    explicit X11ScreenCapture(X11Connection& connection);
    ~X11ScreenCapture() override;
    X11ScreenCapture(const X11ScreenCapture&) = delete;
    X11ScreenCapture& operator=(const X11ScreenCapture&) = delete;

    bool hasPermission() const override;
    void requestPermission() override;
    std::optional<std::vector<ShareableWindow>> shareableWindows() const override;
    QImage capture(quint32 windowID, QSize pixels) override;

    /// What the screen shows inside `pixels` (root window pixels, y down), cut to the root; null
    /// when none of it can be read.
    static QImage captureScreen(X11Connection& connection, const QRect& pixels);
    /// The root window pixels under `rect`, given in Qt's device-independent pixels (y down).
    static QRect rootPixels(const QRectF& rect);
    /// Qt's device-independent pixels (y down) of the root window pixels `pixels`.
    static QRectF qtPoints(const QRect& pixels);

private:
    X11Connection& connection_;
    bool redirected_ = false;
};

}  // namespace tandri::x11
