// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <memory>

#include "platform/x11/shmsegment.h"
#include "platform/x11/x11connection.h"

namespace tandri::x11 {

/// Reads the screen's pixels through a shared memory segment (MIT-SHM) kept for the grabber's
/// lifetime: the server writes them straight into memory already mapped, with no copy through
/// the socket and no fresh pages. Where the server cannot share memory with this process (a
/// remote display, no extension) or the screen's pixels are not 32-bit true colour, it reads them
/// with XGetImage instead. Main thread.
class ScreenGrabber {
public:
    enum class Method { Shared, Plain };

    /// Prepares a segment for `reservedPixels` pixels; `allowShared` false always reads plainly.
    ScreenGrabber(X11Connection& connection, int reservedPixels, bool allowShared = true);
    ~ScreenGrabber();
    ScreenGrabber(const ScreenGrabber&) = delete;
    ScreenGrabber& operator=(const ScreenGrabber&) = delete;

    /// How the next grab reads the screen.
    Method method() const { return segment_ ? Method::Shared : Method::Plain; }

    /// Copies what the screen shows inside `pixels` (root pixels, y down) into `into` with its
    /// top-left at `at`, opaque; whether it could. `into` is 32-bit and large enough.
    bool grab(const QRect& pixels, QImage& into, QPoint at);
    /// What the screen shows inside `pixels`, cut to the root; null when none of it can be read.
    QImage grab(const QRect& pixels);

private:
    X11Connection& connection_;
    std::unique_ptr<ShmSegment> segment_;
    QRect root_;
    int depth_ = 0;
};

}  // namespace tandri::x11
