// SPDX-License-Identifier: MIT
#include "platform/x11/x11screencapture.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/common/linuxsystem.h"
#include "platform/x11/shmsegment.h"
#include "platform/x11/x11connection.h"
#include "platform/x11/x11screens.h"

#include <sys/mman.h>
#include <unistd.h>
#include "platform/x11/xlib.h"

namespace tandri::x11 {

namespace {

struct ImageDeleter {
    void operator()(XImage* image) const { XDestroyImage(image); }
};
using ImagePtr = std::unique_ptr<XImage, ImageDeleter>;

// Makes the next `count` allocations of about `bytes` each find their pages mapped. Faulted in
// one at a time, a whole screen's worth of fresh pages costs milliseconds (tens of them on some
// virtual machines); asked for in one call, a small part of that. Freed, the blocks go back to
// the top of the heap, where the next large requests are cut from. Blocks the allocator would
// map on their own are left alone: they go back to the kernel when freed.
void preparePages(size_t bytes, int count) {
#if defined(MADV_POPULATE_WRITE)
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const size_t size = bytes + page;  // room for the allocator's own header
    if (size >= LinuxSystem::largestHeapBlock)
        return;
    std::vector<void*> blocks;
    for (int i = 0; i < count; ++i) {
        void* block = std::malloc(size);
        if (!block)
            break;
        blocks.push_back(block);
        const uintptr_t begin = (reinterpret_cast<uintptr_t>(block) + page - 1) & ~(page - 1);
        const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + size) & ~(page - 1);
        // Kernels before 5.14 refuse the advice; the pages then come as they always did.
        if (end > begin)
            madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
    }
    // The last first, so that each joins the free space above it.
    for (auto block = blocks.rbegin(); block != blocks.rend(); ++block) std::free(*block);
#else
    (void)bytes;
    (void)count;
#endif
}

// The screen whose area, in root pixels, holds `point`; the primary one when none does.
QScreen* screenAtPixel(QPointF point) {
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRectF logical = screen->geometry();
        const QRectF native(logical.topLeft(), logical.size() * screen->devicePixelRatio());
        if (native.contains(point))
            return screen;
    }
    return QGuiApplication::primaryScreen();
}

QScreen* screenAtPoint(QPointF point) {
    if (QScreen* screen = QGuiApplication::screenAt(point.toPoint()))
        return screen;
    return QGuiApplication::primaryScreen();
}

// How far a channel's mask lies from bit 0, and its width.
std::pair<int, int> maskShape(unsigned long mask) {
    if (mask == 0)
        return {0, 0};
    int shift = 0;
    while (!(mask & 1ul)) {
        mask >>= 1;
        ++shift;
    }
    int bits = 0;
    while (mask & 1ul) {
        mask >>= 1;
        ++bits;
    }
    return {shift, bits};
}

int channel(unsigned long pixel, unsigned long mask) {
    const auto [shift, bits] = maskShape(mask);
    if (bits == 0)
        return 0;
    const unsigned long value = (pixel & mask) >> shift;
    const unsigned long top = (1ul << bits) - 1;
    return int((value * 255 + top / 2) / top);
}

// Whether pixels of `visual` hold red, green and blue a byte each, as QImage's 32-bit formats do.
bool nativeMasks(const Visual& visual) {
    return visual.red_mask == 0xff0000 && visual.green_mask == 0xff00 && visual.blue_mask == 0xff;
}

// Depth 32 is the Render extension's ARGB visual, whose colours are premultiplied.
QImage::Format formatOf(int depth) {
    return depth == 32 ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
}

// The padding byte of a depth-24 pixel is undefined; Qt expects it opaque.
void makeOpaque(QImage& image) {
    const int width = image.width();
    const int height = image.height();
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) line[x] |= 0xff000000u;
    }
}

// An X image of a drawable with `visual` and `depth` as a QImage; null for layouts other than
// true colour at depth 24 or 32.
QImage fromXImage(ImagePtr xImage, const Visual& visual, int depth) {
    XImage& image = *xImage;
    if ((depth != 24 && depth != 32) || image.width <= 0 || image.height <= 0)
        return {};
    const QImage::Format format = formatOf(depth);
    const bool hostOrder = (image.byte_order == LSBFirst) == (Q_BYTE_ORDER == Q_LITTLE_ENDIAN);
    const bool native = image.bits_per_pixel == 32 && hostOrder && nativeMasks(visual);
    QImage result;
    if (native) {
        // The picture takes over the X image's memory: a copy of a whole screen is fresh memory
        // the kernel must hand out page by page, on the way to showing the ring.
        XImage* owned = xImage.release();
        result = QImage(
            reinterpret_cast<uchar*>(owned->data), owned->width, owned->height,
            owned->bytes_per_line, format,
            [](void* info) { XDestroyImage(static_cast<XImage*>(info)); }, owned);
        if (result.isNull())
            XDestroyImage(owned);  // refused before taking it over
    } else {
        result = QImage(image.width, image.height, format);
        const unsigned long colour = visual.red_mask | visual.green_mask | visual.blue_mask;
        const unsigned long alphaMask = depth == 32 ? (~colour & ((1ul << depth) - 1)) : 0ul;
        for (int y = 0; y < image.height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
            for (int x = 0; x < image.width; ++x) {
                const unsigned long pixel = XGetPixel(&image, x, y);
                const int alpha = alphaMask ? channel(pixel, alphaMask) : 255;
                line[x] = qRgba(channel(pixel, visual.red_mask), channel(pixel, visual.green_mask),
                                channel(pixel, visual.blue_mask), alpha);
            }
        }
    }
    if (!result.isNull() && depth != 32)
        makeOpaque(result);
    return result;
}

// The pixels are read into a segment that starts small and grows to the largest window's.
constexpr size_t initialSegmentBytes = 64 * 1024;

}  // namespace

struct X11ScreenCapture::Reader {
    DisplayPtr display;
    /// Null where the server shares no memory with this process: pictures are read plainly.
    std::unique_ptr<ShmSegment> segment;
};

X11ScreenCapture::X11ScreenCapture(X11Connection& connection)
    : connection_(connection), displayName_(DisplayString(connection.display())) {
    if (!connection_.hasComposite())
        return;
    // Automatic redirection keeps the screen drawn by the server as before, and gives every
    // top-level window a pixmap that keeps its covered parts.
    redirected_ = connection_.trapErrors([&] {
        XCompositeRedirectSubwindows(connection_.display(), connection_.root(),
                                     CompositeRedirectAutomatic);
    }) == 0;
}

X11ScreenCapture::~X11ScreenCapture() {
    {
        // Waits for a capture that runs on another thread.
        std::lock_guard lock(mutex_);
        reader_.reset();
    }
    if (!redirected_)
        return;
    connection_.trapErrors([&] {
        XCompositeUnredirectSubwindows(connection_.display(), connection_.root(),
                                       CompositeRedirectAutomatic);
    });
}

bool X11ScreenCapture::hasPermission() const {
    return connection_.hasComposite();
}

void X11ScreenCapture::requestPermission() {
    // Nothing to ask for: the permission is the server's extension.
}

std::optional<std::vector<ShareableWindow>> X11ScreenCapture::shareableWindows() const {
    if (!hasPermission())
        return std::nullopt;
    Display* display = connection_.display();
    const XAtom normal = connection_.atom("_NET_WM_WINDOW_TYPE_NORMAL");
    const unsigned long self = static_cast<unsigned long>(getpid());
    std::vector<ShareableWindow> result;
    for (const XID client : connection_.windows(connection_.root(), "_NET_CLIENT_LIST")) {
        const auto pid = connection_.cardinals(client, "_NET_WM_PID");
        if (pid && !pid->empty() && pid->front() == self)
            continue;
        // A window without a type is a normal one unless it belongs to another window.
        const auto types = connection_.atoms(client, "_NET_WM_WINDOW_TYPE");
        const bool isNormal = types.empty()
                                  ? connection_.windows(client, "WM_TRANSIENT_FOR").empty()
                                  : std::find(types.begin(), types.end(), normal) != types.end();
        if (!isNormal)
            continue;
        XWindowAttributes attributes;
        int x = 0, y = 0;
        Window child = 0;
        bool viewable = false;
        const int error = connection_.trapErrors([&] {
            viewable =
                XGetWindowAttributes(display, client, &attributes) &&
                attributes.map_state == IsViewable &&
                XTranslateCoordinates(display, client, connection_.root(), 0, 0, &x, &y, &child);
        });
        if (error != 0 || !viewable || attributes.width <= 0 || attributes.height <= 0)
            continue;
        result.push_back({quint32(client), X11Screens::toPoints(qtPoints(
                                               QRect(x, y, attributes.width, attributes.height)))});
    }
    return result;
}

X11ScreenCapture::Reader* X11ScreenCapture::reader() {
    if (readerOpened_)
        return reader_.get();
    readerOpened_ = true;
    DisplayPtr display(XOpenDisplay(displayName_.constData()));
    if (!display)
        return nullptr;
    reader_ = std::make_unique<Reader>();
    if (sharingAllowed_)
        reader_->segment = ShmSegment::attach(display.get(), initialSegmentBytes);
    reader_->display = std::move(display);
    return reader_.get();
}

QImage X11ScreenCapture::capture(quint32 windowID, QSize pixels) {
    // Naming the pixmap fails by itself for a window that no one redirected.
    if (!hasPermission() || pixels.isEmpty() || windowID == 0)
        return {};
    std::lock_guard lock(mutex_);
    lastMethod_.reset();
    Reader* reader = this->reader();
    if (!reader)
        return {};
    Display* display = reader->display.get();
    const Window client = windowID;
    QImage picture;
    Method method = Method::Plain;
    const int error = trapErrors(display, [&] {
        XWindowAttributes clientAttributes;
        if (!XGetWindowAttributes(display, client, &clientAttributes) ||
            clientAttributes.map_state != IsViewable)
            return;
        // Window managers reparent clients into frames; the frame's pixmap holds the client.
        const auto frame = topLevelOf(display, client);
        if (!frame)
            return;
        XWindowAttributes frameAttributes;
        int x = 0, y = 0;
        Window child = 0;
        if (!XGetWindowAttributes(display, *frame, &frameAttributes) ||
            frameAttributes.map_state != IsViewable || !frameAttributes.visual ||
            !XTranslateCoordinates(display, client, *frame, 0, 0, &x, &y, &child))
            return;
        // The pixmap holds the frame with its border; the client lies inside both.
        const int border = frameAttributes.border_width;
        const QRect area =
            QRect(x + border, y + border, clientAttributes.width, clientAttributes.height)
                .intersected(QRect(0, 0, frameAttributes.width + 2 * border,
                                   frameAttributes.height + 2 * border));
        if (area.isEmpty())
            return;
        const Visual& visual = *frameAttributes.visual;
        const int depth = frameAttributes.depth;
        const PixmapGuard pixmap(display, XCompositeNameWindowPixmap(display, *frame));
        if (reader->segment && (depth == 24 || depth == 32) && nativeMasks(visual)) {
            const auto shared = reader->segment->read(pixmap.get(), area, depth);
            if (shared && shared->bitsPerPixel == 32 && shared->hostOrder) {
                // Scaled below into memory of its own, before the segment is read again.
                picture = QImage(shared->bits, area.width(), area.height(),
                                 qsizetype(shared->stride), formatOf(depth));
                if (depth != 32)
                    makeOpaque(picture);
                method = Method::Shared;
                return;
            }
        }
        ImagePtr image(XGetImage(display, pixmap.get(), area.x(), area.y(), unsigned(area.width()),
                                 unsigned(area.height()), AllPlanes, ZPixmap));
        if (image)
            picture = fromXImage(std::move(image), visual, depth);
    });
    if (error != 0 || picture.isNull())
        return {};
    lastMethod_ = method;
    // scaled() hands back the picture itself when the size is right: a view of the segment.
    if (picture.size() == pixels)
        return method == Method::Shared ? picture.copy() : picture;
    return picture.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

std::optional<X11ScreenCapture::Method> X11ScreenCapture::lastMethod() const {
    std::lock_guard lock(mutex_);
    return lastMethod_;
}

void X11ScreenCapture::allowSharing(bool allowed) {
    std::lock_guard lock(mutex_);
    sharingAllowed_ = allowed;
    if (reader_) {
        reader_->segment =
            allowed ? ShmSegment::attach(reader_->display.get(), initialSegmentBytes) : nullptr;
    }
}

QImage X11ScreenCapture::captureScreen(X11Connection& connection, const QRect& pixels) {
    Display* display = connection.display();
    QImage picture;
    const int error = connection.trapErrors([&] {
        XWindowAttributes root;
        if (!XGetWindowAttributes(display, connection.root(), &root) || !root.visual)
            return;
        const QRect area = pixels.intersected(QRect(0, 0, root.width, root.height));
        if (area.isEmpty())
            return;
        // Xlib takes a picture in two blocks of its size: the reply as read, and the image.
        const size_t bytes = size_t(area.width()) * size_t(area.height()) * sizeof(quint32);
        preparePages(bytes, 2);
        ImagePtr image(XGetImage(display, connection.root(), area.x(), area.y(),
                                 unsigned(area.width()), unsigned(area.height()), AllPlanes,
                                 ZPixmap));
        if (image)
            picture = fromXImage(std::move(image), *root.visual, root.depth);
    });
    if (error != 0)
        return {};
    return picture;
}

QRect X11ScreenCapture::rootPixels(const QRectF& rect) {
    const QScreen* screen = screenAtPoint(rect.center());
    if (!screen)
        return rect.toAlignedRect();
    // Qt keeps each screen's top-left corner at its native position and scales from there.
    const QPointF origin = screen->geometry().topLeft();
    const double ratio = screen->devicePixelRatio();
    const QPointF topLeft = origin + (rect.topLeft() - origin) * ratio;
    return QRectF(topLeft, rect.size() * ratio).toAlignedRect();
}

QRectF X11ScreenCapture::qtPoints(const QRect& pixels) {
    const QScreen* screen = screenAtPixel(QRectF(pixels).center());
    if (!screen)
        return QRectF(pixels);
    const QPointF origin = screen->geometry().topLeft();
    const double ratio = screen->devicePixelRatio();
    return QRectF(origin + (QPointF(pixels.topLeft()) - origin) / ratio,
                  QSizeF(pixels.size()) / ratio);
}

}  // namespace tandri::x11
