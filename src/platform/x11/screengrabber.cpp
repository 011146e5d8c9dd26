#include "platform/x11/screengrabber.h"

#include <algorithm>
#include <cstring>

#include "platform/x11/x11screencapture.h"

#include <sys/ipc.h>
#include <sys/shm.h>
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

struct ScreenGrabber::Segment {
    XShmSegmentInfo info{};
    size_t bytes = 0;
    Visual* visual = nullptr;
    int depth = 0;
};

ScreenGrabber::ScreenGrabber(X11Connection& connection, int reservedPixels, bool allowShared)
    : connection_(connection) {
    Display* display = connection_.display();
    XWindowAttributes root;
    if (!XGetWindowAttributes(display, connection_.root(), &root) || !root.visual)
        return;
    root_ = QRect(0, 0, root.width, root.height);
    if (!allowShared || !XShmQueryExtension(display) || (root.depth != 24 && root.depth != 32))
        return;
    XShmSegmentInfo probe{};
    XImage* image =
        XShmCreateImage(display, root.visual, unsigned(root.depth), ZPixmap, nullptr, &probe, 1, 1);
    const bool usable = image && hostLayout(*image, *root.visual);
    if (image)
        XDestroyImage(image);
    if (!usable || !attach(size_t(std::max(reservedPixels, 1)) * pixelBytes))
        return;
    segment_->visual = root.visual;
    segment_->depth = root.depth;
    // The server's side of the segment is new memory too: it faults in now rather than at the
    // first opening.
    const int rows =
        std::min(root.height, int(segment_->bytes / (size_t(root.width) * pixelBytes)));
    if (rows > 0) {
        QImage warm(root.width, rows, QImage::Format_RGB32);
        grab(QRect(0, 0, root.width, rows), warm, QPoint(0, 0));
    }
}

ScreenGrabber::~ScreenGrabber() {
    detach();
}

bool ScreenGrabber::attach(size_t bytes) {
    auto segment = std::make_unique<Segment>();
    segment->info.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (segment->info.shmid < 0)
        return false;
    segment->info.shmaddr = static_cast<char*>(shmat(segment->info.shmid, nullptr, 0));
    if (segment->info.shmaddr == reinterpret_cast<char*>(-1)) {
        shmctl(segment->info.shmid, IPC_RMID, nullptr);
        return false;
    }
    segment->info.readOnly = False;
    // A server on another machine, or one that may not read this user's memory, refuses it.
    const int error =
        connection_.trapErrors([&] { XShmAttach(connection_.display(), &segment->info); });
    // Removed once both sides have it: the memory goes with the last user, even after a crash.
    shmctl(segment->info.shmid, IPC_RMID, nullptr);
    if (error != 0) {
        shmdt(segment->info.shmaddr);
        return false;
    }
    std::memset(segment->info.shmaddr, 0, bytes);
    segment->bytes = bytes;
    if (segment_) {
        segment->visual = segment_->visual;
        segment->depth = segment_->depth;
    }
    detach();
    segment_ = std::move(segment);
    return true;
}

void ScreenGrabber::detach() {
    if (!segment_)
        return;
    XShmDetach(connection_.display(), &segment_->info);
    XSync(connection_.display(), False);
    shmdt(segment_->info.shmaddr);
    segment_.reset();
}

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
    const size_t bytes = rowBytes * size_t(area.height());
    if (segment_ && segment_->bytes < bytes)
        attach(bytes);  // kept at the largest size asked for, so this happens rarely
    if (segment_ && segment_->bytes >= bytes) {
        Display* display = connection_.display();
        XImage* image = XShmCreateImage(display, segment_->visual, unsigned(segment_->depth),
                                        ZPixmap, segment_->info.shmaddr, &segment_->info,
                                        unsigned(area.width()), unsigned(area.height()));
        if (!image)
            return false;
        bool read = false;
        const int error = connection_.trapErrors([&] {
            read = XShmGetImage(display, connection_.root(), image, area.x(), area.y(), AllPlanes);
        });
        const size_t stride = size_t(image->bytes_per_line);
        XDestroyImage(image);  // the structure only: the segment stays
        if (error != 0 || !read)
            return false;
        copyRows(reinterpret_cast<const uchar*>(segment_->info.shmaddr), stride,
                 segment_->depth != 32);
        return true;
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
