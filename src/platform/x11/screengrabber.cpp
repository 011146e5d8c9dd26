// SPDX-License-Identifier: MIT
#include "platform/x11/screengrabber.h"

#include <algorithm>
#include <cstring>

#include "platform/x11/x11screencapture.h"

#include "platform/x11/xlib.h"

namespace tandri::x11 {

namespace {

constexpr size_t pixelBytes = 4;

// Whether an image of the root's visual holds each pixel as one 32-bit word in the host's order,
// red, green and blue a byte each, as QImage's 32-bit formats do.
bool hostLayout(const XImage& image, const Visual& visual) {
    const bool hostOrder = (image.byte_order == LSBFirst) == (Q_BYTE_ORDER == Q_LITTLE_ENDIAN);
    return image.bits_per_pixel == 32 && hostOrder && visual.red_mask == 0xff0000 &&
           visual.green_mask == 0xff00 && visual.blue_mask == 0xff;
}

}  // namespace

ScreenGrabber::ScreenGrabber(X11Connection& connection, int reservedPixels, bool allowShared)
    : connection_(connection) {
    Display* display = connection_.display();
    XWindowAttributes root;
    if (!XGetWindowAttributes(display, connection_.root(), &root) || !root.visual)
        return;
    root_ = QRect(0, 0, root.width, root.height);
    depth_ = root.depth;
    if (!allowShared || (root.depth != 24 && root.depth != 32))
        return;
    XImage* image =
        XCreateImage(display, root.visual, unsigned(root.depth), ZPixmap, 0, nullptr, 1, 1, 32, 0);
    const bool usable = image && hostLayout(*image, *root.visual);
    if (image)
        XDestroyImage(image);
    if (!usable)
        return;
    segment_ = ShmSegment::attach(display, size_t(std::max(reservedPixels, 1)) * pixelBytes);
    if (!segment_)
        return;
    // The server's side of the segment is new memory too: it faults in now rather than at the
    // first opening.
    const int rows =
        std::min(root.height, int(segment_->size() / (size_t(root.width) * pixelBytes)));
    if (rows > 0) {
        QImage warm(root.width, rows, QImage::Format_RGB32);
        grab(QRect(0, 0, root.width, rows), warm, QPoint(0, 0));
    }
}

ScreenGrabber::~ScreenGrabber() = default;

bool ScreenGrabber::grab(const QRect& pixels, QImage& into, QPoint at) {
    const QRect area = pixels.intersected(root_);
    if (area.isEmpty() || into.depth() != 32)
        return false;
    const QPoint to = at + (area.topLeft() - pixels.topLeft());
    if (!QRect(QPoint(0, 0), into.size()).contains(QRect(to, area.size())))
        return false;
    const size_t rowBytes = size_t(area.width()) * pixelBytes;
    const auto copyRows = [&](const uchar* from, size_t stride, bool opaque) {
        for (int y = 0; y < area.height(); ++y) {
            auto* line = reinterpret_cast<quint32*>(into.scanLine(to.y() + y)) + to.x();
            std::memcpy(line, from + size_t(y) * stride, rowBytes);
            // The padding byte of a depth-24 pixel is undefined; Qt expects it opaque.
            if (opaque) {
                for (int x = 0; x < area.width(); ++x) line[x] |= 0xff000000u;
            }
        }
    };
    if (segment_) {
        const auto read = segment_->read(connection_.root(), area, depth_);
        // A segment that could not grow leaves the screen to be read plainly.
        if (read && read->bitsPerPixel == 32 && read->hostOrder) {
            copyRows(read->bits, read->stride, depth_ != 32);
            return true;
        }
    }
    const QImage plain = X11ScreenCapture::captureScreen(connection_, area);
    if (plain.isNull() || plain.depth() != 32 || plain.size() != area.size())
        return false;
    copyRows(plain.constBits(), size_t(plain.bytesPerLine()), false);
    return true;
}

QImage ScreenGrabber::grab(const QRect& pixels) {
    const QRect area = pixels.intersected(root_);
    if (area.isEmpty())
        return {};
    QImage image(area.size(), QImage::Format_ARGB32_Premultiplied);
    if (!grab(area, image, QPoint(0, 0)))
        return {};
    return image;
}

}  // namespace tandri::x11
