// SPDX-License-Identifier: MIT
#include "platform/x11/xresources.h"

#include <utility>

#include "platform/x11/xlib.h"

namespace tandri::x11 {

namespace {

// Xlib reports errors through one process-wide handler, called on the thread that reads the
// error from its connection; each thread points it at a trap of its own.
thread_local int* trappedError = nullptr;

int recordError(Display*, XErrorEvent* event) {
    if (trappedError && *trappedError == 0)
        *trappedError = event->error_code;
    return 0;
}

}  // namespace

int trapErrors(XDisplay* display, const std::function<void()>& request) {
    // Xlib's default handler would end the process; setting the same handler again is harmless.
    XSetErrorHandler(recordError);
    XSync(display, False);
    int error = 0;
    int* const outer = std::exchange(trappedError, &error);
    request();
    XSync(display, False);
    trappedError = outer;
    return error;
}

void XFreeDeleter::operator()(void* data) const {
    if (data)
        XFree(data);
}

void DisplayCloser::operator()(XDisplay* display) const {
    if (display)
        XCloseDisplay(display);
}

PixmapGuard::~PixmapGuard() {
    if (pixmap_)
        XFreePixmap(display_, pixmap_);
}

WindowProperty WindowProperty::read(XDisplay* display, XID window, XAtom property, XAtom type,
                                    long longs, bool remove) {
    WindowProperty result;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(
        display, window, property, 0, longs, remove ? True : False, type ? type : AnyPropertyType,
        &result.type_, &result.format_, &result.count_, &after, &data);
    result.data_.reset(data);
    if (status != Success)
        result.data_.reset();
    return result;
}

std::vector<unsigned long> WindowProperty::longs() const {
    if (!present() || format_ != 32)
        return {};
    const auto* values = reinterpret_cast<const unsigned long*>(data_.get());
    return std::vector<unsigned long>(values, values + count_);
}

QByteArray WindowProperty::bytes() const {
    if (!present() || format_ != 8)
        return {};
    return QByteArray(reinterpret_cast<const char*>(data_.get()), qsizetype(count_));
}

std::optional<XID> topLevelOf(XDisplay* display, XID window) {
    // A handful of levels is all any window manager nests; a deeper chain is not a frame.
    for (int depth = 0; depth < 16; ++depth) {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, window, &root, &parent, &children, &count))
            return std::nullopt;
        XPtr<Window> freed(children);
        if (parent == root || parent == 0)
            return window;
        window = parent;
    }
    return std::nullopt;
}

}  // namespace tandri::x11
