// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// Xlib's handle types, without its macros (None, Bool, Status, KeyPress...), which clash with Qt.
using XDisplay = struct _XDisplay;  // NOLINT(bugprone-reserved-identifier): Xlib's own name
union _XEvent;                      // NOLINT(bugprone-reserved-identifier): Xlib's own name

namespace tandri::x11 {

using XID = unsigned long;
using XAtom = unsigned long;

/// Frees with XFree what Xlib allocated for the caller.
struct XFreeDeleter {
    void operator()(void* data) const;
};
template <typename T>
using XPtr = std::unique_ptr<T, XFreeDeleter>;

/// Closes a connection of its own when it goes.
struct DisplayCloser {
    void operator()(XDisplay* display) const;
};
using DisplayPtr = std::unique_ptr<XDisplay, DisplayCloser>;

/// A server-side pixmap freed when the guard goes.
class PixmapGuard {
public:
    PixmapGuard(XDisplay* display, XID pixmap) : display_(display), pixmap_(pixmap) {}
    ~PixmapGuard();
    PixmapGuard(const PixmapGuard&) = delete;
    PixmapGuard& operator=(const PixmapGuard&) = delete;
    XID get() const { return pixmap_; }

private:
    XDisplay* display_;
    XID pixmap_;
};

/// One window property as the server answered, freed once read. Not copyable: the data is
/// Xlib's.
class WindowProperty {
public:
    /// Reads up to `longs` 32-bit units of `property` of type `type` (0: any type), and deletes
    /// it from the window when `remove` is set. Absent when the window or the property is
    /// gone, or holds another type.
    static WindowProperty read(XDisplay* display, XID window, XAtom property, XAtom type = 0,
                               long longs = 1 << 20, bool remove = false);

    bool present() const { return data_ != nullptr && type_ != 0; }
    XAtom type() const { return type_; }
    int format() const { return format_; }
    /// The values of a 32-bit property (Xlib hands them over as longs); empty for another format.
    std::vector<unsigned long> longs() const;
    /// The bytes of an 8-bit property; empty for another format.
    QByteArray bytes() const;

private:
    WindowProperty() = default;
    XAtom type_ = 0;
    int format_ = 0;
    unsigned long count_ = 0;
    XPtr<unsigned char> data_;
};

/// Runs `request` on `display` with X errors caught instead of ending the process, waits for the
/// server to answer, and returns the first error code (0 when none). Errors are caught on the
/// thread that reads them, so threads with connections of their own trap theirs apart. Outside a
/// trap, errors (a window that vanished between two requests) are ignored.
int trapErrors(XDisplay* display, const std::function<void()>& request);

/// The child of the root that holds `window`: the window manager's frame around it, or the
/// window itself; absent when it is gone.
std::optional<XID> topLevelOf(XDisplay* display, XID window);

}  // namespace tandri::x11
