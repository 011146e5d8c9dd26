// SPDX-License-Identifier: MIT
#pragma once

#include <QRect>
#include <QtGlobal>
#include <cstddef>
#include <memory>
#include <optional>

#include "platform/x11/xresources.h"

namespace tandri::x11 {

/// Memory shared with the X server (MIT-SHM), into which it writes pictures straight: no copy
/// through the socket, and no fresh pages while the memory is kept. It grows to the largest
/// picture read and never shrinks. Used with its connection, on one thread at a time.
class ShmSegment {
public:
    /// A segment of `bytes` attached to `display`; null when the server has no MIT-SHM or cannot
    /// share memory with this process (a remote display).
    static std::unique_ptr<ShmSegment> attach(XDisplay* display, size_t bytes);
    ~ShmSegment();
    ShmSegment(const ShmSegment&) = delete;
    ShmSegment& operator=(const ShmSegment&) = delete;

    /// Pixels as the server wrote them into the segment: valid until the next read.
    struct Pixels {
        uchar* bits = nullptr;
        size_t stride = 0;
        int bitsPerPixel = 0;
        /// Whether each pixel's bytes are in this machine's order.
        bool hostOrder = false;
    };
    /// Reads `area` of `drawable`, whose depth is `depth`, growing the segment when it is too
    /// small; absent when the server could not (the drawable is gone, the area lies outside it)
    /// or the segment could not grow, whatever the segment holds from an earlier read.
    std::optional<Pixels> read(XID drawable, const QRect& area, int depth);
    size_t size() const { return bytes_; }

private:
    struct Attachment;
    ShmSegment(XDisplay* display, std::unique_ptr<Attachment> attachment);
    static std::unique_ptr<Attachment> attachNew(XDisplay* display, size_t bytes);
    void detach();

    XDisplay* display_;
    std::unique_ptr<Attachment> attachment_;
    size_t bytes_ = 0;
};

}  // namespace tandri::x11
