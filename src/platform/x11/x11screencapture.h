// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QRectF>
#include <memory>
#include <mutex>

#include "platform/screencapture.h"

namespace tandri::x11 {

class X11Connection;

/// Window pictures through the Composite extension. Every top-level window is redirected to a
/// pixmap of its own, automatically, so the screen looks as before while covered parts of windows
/// stay whole in their pixmaps. The pictures are read on a connection of the capture's own,
/// opened at the first capture and kept until the capture goes, through shared memory where the
/// server offers it; the rest runs on the main thread.
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

    enum class Method { Shared, Plain };
    /// How the last capture read its picture; absent before the first or when it failed.
    std::optional<Method> lastMethod() const;
    /// Whether captures may share memory with the server; without, they read as on a remote
    /// display.
    void allowSharing(bool allowed);

    /// What the screen shows inside `pixels` (root window pixels, y down), cut to the root; null
    /// when none of it can be read.
    static QImage captureScreen(X11Connection& connection, const QRect& pixels);
    /// The root window pixels under `rect`, given in Qt's device-independent pixels (y down).
    static QRect rootPixels(const QRectF& rect);
    /// Qt's device-independent pixels (y down) of the root window pixels `pixels`.
    static QRectF qtPoints(const QRect& pixels);

private:
    struct Reader;
    /// The capture's own connection, opened on first use; null when it cannot be opened. Expects
    /// `mutex_` to be held.
    Reader* reader();

    X11Connection& connection_;
    bool redirected_ = false;
    const QByteArray displayName_;
    mutable std::mutex mutex_;
    std::unique_ptr<Reader> reader_;
    bool readerOpened_ = false;
    bool sharingAllowed_ = true;
    std::optional<Method> lastMethod_;
};

}  // namespace tandri::x11
