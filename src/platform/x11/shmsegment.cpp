// SPDX-License-Identifier: MIT
#include "platform/x11/shmsegment.h"

#include <algorithm>
#include <cstring>

#include <sys/ipc.h>
#include <sys/shm.h>
#include "platform/x11/xlib.h"

namespace tandri::x11 {

struct ShmSegment::Attachment {
    XShmSegmentInfo info{};
    size_t bytes = 0;
};

std::unique_ptr<ShmSegment> ShmSegment::attach(XDisplay* display, size_t bytes) {
    if (!XShmQueryExtension(display))
        return nullptr;
    auto attachment = attachNew(display, std::max<size_t>(bytes, 1));
    if (!attachment)
        return nullptr;
    return std::unique_ptr<ShmSegment>(new ShmSegment(display, std::move(attachment)));
}

ShmSegment::ShmSegment(XDisplay* display, std::unique_ptr<Attachment> attachment)
    : display_(display), attachment_(std::move(attachment)), bytes_(attachment_->bytes) {}

ShmSegment::~ShmSegment() {
    detach();
}

std::unique_ptr<ShmSegment::Attachment> ShmSegment::attachNew(XDisplay* display, size_t bytes) {
    auto attachment = std::make_unique<Attachment>();
    XShmSegmentInfo& info = attachment->info;
    info.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (info.shmid < 0)
        return nullptr;
    info.shmaddr = static_cast<char*>(shmat(info.shmid, nullptr, 0));
    if (info.shmaddr == reinterpret_cast<char*>(-1)) {
        shmctl(info.shmid, IPC_RMID, nullptr);
        return nullptr;
    }
    info.readOnly = False;
    // A server on another machine, or one that may not read this user's memory, refuses it.
    const int error = trapErrors(display, [&] { XShmAttach(display, &info); });
    // Removed once both sides have it: the memory goes with the last user, even after a crash.
    shmctl(info.shmid, IPC_RMID, nullptr);
    if (error != 0) {
        shmdt(info.shmaddr);
        return nullptr;
    }
    // Touched now, so that the first picture does not wait for fresh pages.
    std::memset(info.shmaddr, 0, bytes);
    attachment->bytes = bytes;
    return attachment;
}

void ShmSegment::detach() {
    if (!attachment_)
        return;
    XShmDetach(display_, &attachment_->info);
    XSync(display_, False);
    shmdt(attachment_->info.shmaddr);
    attachment_.reset();
    bytes_ = 0;
}

std::optional<ShmSegment::Pixels> ShmSegment::read(XID drawable, const QRect& area, int depth) {
    if (area.isEmpty() || !attachment_)
        return std::nullopt;
    // Only the layout of the image matters here: the server writes the drawable's pixels as they
    // are, whatever visual the image names.
    Visual* visual = DefaultVisual(display_, DefaultScreen(display_));
    XImage* image =
        XShmCreateImage(display_, visual, unsigned(depth), ZPixmap, nullptr, &attachment_->info,
                        unsigned(area.width()), unsigned(area.height()));
    if (!image)
        return std::nullopt;
    const size_t stride = size_t(image->bytes_per_line);
    const size_t bytes = stride * size_t(area.height());
    if (bytes > bytes_) {
        // Kept at the largest size asked for, so this happens rarely.
        auto larger = attachNew(display_, bytes);
        if (!larger) {
            XDestroyImage(image);
            return std::nullopt;
        }
        detach();
        attachment_ = std::move(larger);
        bytes_ = attachment_->bytes;
        image->obdata = reinterpret_cast<char*>(&attachment_->info);
    }
    image->data = attachment_->info.shmaddr;
    Pixels pixels{reinterpret_cast<uchar*>(image->data), stride, image->bits_per_pixel,
                  (image->byte_order == LSBFirst) == (Q_BYTE_ORDER == Q_LITTLE_ENDIAN)};
    bool read = false;
    const int error = trapErrors(display_, [&] {
        read = XShmGetImage(display_, drawable, image, area.x(), area.y(), AllPlanes);
    });
    image->data = nullptr;  // the segment's memory is not the image's to free
    XDestroyImage(image);
    if (error != 0 || !read)
        return std::nullopt;
    return pixels;
}

}  // namespace tandri::x11
