// SPDX-License-Identifier: MIT
#include "platform/wayland/screencopier.h"

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <cerrno>
#include <functional>
#include <vector>

#include "platform/common/filedescriptor.h"

#include <wayland-client.h>
#include "wlr-screencopy-unstable-v1-client-protocol.h"

namespace tandri::wayland {

namespace {

struct Output {
    wl_output* proxy = nullptr;
    QString name;
};

// What the compositor says of one frame while it is being copied.
struct Frame {
    quint32 format = 0, width = 0, height = 0, stride = 0;
    bool shmOffered = false, described = false, ready = false, failed = false, yInverted = false;
};

const zwlr_screencopy_frame_v1_listener frameListener = {
    .buffer =
        [](void* data, zwlr_screencopy_frame_v1*, uint32_t format, uint32_t width, uint32_t height,
           uint32_t stride) {
            auto* frame = static_cast<Frame*>(data);
            frame->format = format;
            frame->width = width;
            frame->height = height;
            frame->stride = stride;
            frame->shmOffered = true;
        },
    .flags =
        [](void* data, zwlr_screencopy_frame_v1*, uint32_t flags) {
            static_cast<Frame*>(data)->yInverted = flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT;
        },
    .ready = [](void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t,
                uint32_t) { static_cast<Frame*>(data)->ready = true; },
    .failed = [](void* data,
                 zwlr_screencopy_frame_v1*) { static_cast<Frame*>(data)->failed = true; },
    .damage = [](void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {},
    .linux_dmabuf = [](void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {},
    .buffer_done = [](void* data,
                      zwlr_screencopy_frame_v1*) { static_cast<Frame*>(data)->described = true; },
};

const wl_output_listener outputListener = {
    .geometry = [](void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                   const char*, int32_t) {},
    .mode = [](void*, wl_output*, uint32_t, int32_t, int32_t, int32_t) {},
    .done = [](void*, wl_output*) {},
    .scale = [](void*, wl_output*, int32_t) {},
    .name = [](void* data, wl_output*,
               const char* name) { static_cast<Output*>(data)->name = QString::fromUtf8(name); },
    .description = [](void*, wl_output*, const char*) {},
};

}  // namespace

struct ScreenCopier::Session {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_shm* shm = nullptr;
    zwlr_screencopy_manager_v1* manager = nullptr;
    std::vector<std::unique_ptr<Output>> outputs;

    ~Session() {
        for (const auto& output : outputs) wl_output_destroy(output->proxy);
        if (manager)
            zwlr_screencopy_manager_v1_destroy(manager);
        if (shm)
            wl_shm_destroy(shm);
        if (registry)
            wl_registry_destroy(registry);
        if (display)
            wl_display_disconnect(display);
    }

    // Reads and dispatches events until `done` holds; false on a timeout or a broken connection.
    bool dispatchUntil(const std::function<bool()>& done, const QDeadlineTimer& deadline) {
        while (!done()) {
            while (wl_display_prepare_read(display) != 0) {
                if (wl_display_dispatch_pending(display) < 0)
                    return false;
            }
            if (done()) {
                wl_display_cancel_read(display);
                return true;
            }
            wl_display_flush(display);
            pollfd entry{wl_display_get_fd(display), POLLIN, 0};
            const int ready = ::poll(&entry, 1, int(deadline.remainingTime()));
            if (ready <= 0) {
                wl_display_cancel_read(display);
                if (ready < 0 && errno == EINTR)
                    continue;
                return false;
            }
            if (wl_display_read_events(display) != 0 || wl_display_dispatch_pending(display) < 0)
                return false;
        }
        return true;
    }
};

ScreenCopier::ScreenCopier() = default;
ScreenCopier::~ScreenCopier() = default;

ScreenCopier::Session* ScreenCopier::session() {
    if (tried_)
        return session_.get();
    tried_ = true;
    auto made = std::make_unique<Session>();
    made->display = wl_display_connect(nullptr);
    if (!made->display)
        return nullptr;
    made->registry = wl_display_get_registry(made->display);
    static const wl_registry_listener registryListener = {
        .global =
            [](void* data, wl_registry* registry, uint32_t name, const char* interface,
               uint32_t version) {
                auto* self = static_cast<Session*>(data);
                const QByteArray which(interface);
                if (which == wl_shm_interface.name && !self->shm) {
                    self->shm = static_cast<wl_shm*>(
                        wl_registry_bind(registry, name, &wl_shm_interface, 1));
                } else if (which == zwlr_screencopy_manager_v1_interface.name && !self->manager) {
                    self->manager = static_cast<zwlr_screencopy_manager_v1*>(wl_registry_bind(
                        registry, name, &zwlr_screencopy_manager_v1_interface, qMin(version, 3u)));
                } else if (which == wl_output_interface.name && version >= 4) {
                    // Outputs are known by name, which version 4 gives.
                    auto output = std::make_unique<Output>();
                    output->proxy = static_cast<wl_output*>(
                        wl_registry_bind(registry, name, &wl_output_interface, 4));
                    wl_output_add_listener(output->proxy, &outputListener, output.get());
                    self->outputs.push_back(std::move(output));
                }
            },
        .global_remove = [](void*, wl_registry*, uint32_t) {},
    };
    wl_registry_add_listener(made->registry, &registryListener, made.get());
    // The globals, then what the outputs say of themselves.
    for (int round = 0; round < 2; ++round) {
        if (wl_display_roundtrip(made->display) < 0)
            return nullptr;
    }
    if (!made->shm || !made->manager)
        return nullptr;
    session_ = std::move(made);
    return session_.get();
}

bool ScreenCopier::available() {
    std::lock_guard lock(mutex_);
    return session() != nullptr;
}

QImage ScreenCopier::copy(const QString& outputName, const QRect& region, int timeoutMs) {
    std::lock_guard lock(mutex_);
    Session* s = session();
    if (!s || region.isEmpty())
        return {};
    wl_output* output = nullptr;
    for (const auto& candidate : s->outputs) {
        if (candidate->name == outputName)
            output = candidate->proxy;
    }
    if (!output)
        return {};
    const QDeadlineTimer deadline(timeoutMs);
    Frame frame;
    auto* proxy = zwlr_screencopy_manager_v1_capture_output_region(
        s->manager, 0, output, region.x(), region.y(), region.width(), region.height());
    zwlr_screencopy_frame_v1_add_listener(proxy, &frameListener, &frame);
    const bool speaksVersion3 = zwlr_screencopy_frame_v1_get_version(proxy) >= 3;
    QImage picture;
    // Before version 3 the shared-memory description is all there is; from it on, the list of
    // buffer kinds ends with buffer_done.
    const bool described = s->dispatchUntil(
        [&] { return frame.failed || (speaksVersion3 ? frame.described : frame.shmOffered); },
        deadline);
    const bool known =
        frame.format == WL_SHM_FORMAT_XRGB8888 || frame.format == WL_SHM_FORMAT_ARGB8888;
    if (described && !frame.failed && frame.shmOffered && known && frame.width > 0 &&
        frame.height > 0 && frame.stride >= frame.width * 4) {
        const std::size_t bytes = std::size_t(frame.stride) * frame.height;
        FileDescriptor fd(memfd_create("tandri-screencopy", MFD_CLOEXEC));
        void* memory = MAP_FAILED;
        if (fd && ftruncate(fd.get(), off_t(bytes)) == 0)
            memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd.get(), 0);
        if (memory != MAP_FAILED) {
            wl_shm_pool* pool = wl_shm_create_pool(s->shm, fd.get(), int32_t(bytes));
            wl_buffer* buffer =
                wl_shm_pool_create_buffer(pool, 0, int32_t(frame.width), int32_t(frame.height),
                                          int32_t(frame.stride), frame.format);
            wl_shm_pool_destroy(pool);
            zwlr_screencopy_frame_v1_copy(proxy, buffer);
            if (s->dispatchUntil([&] { return frame.ready || frame.failed; }, deadline) &&
                frame.ready) {
                // Little-endian XRGB8888 and ARGB8888 are Qt's RGB32 and ARGB32 byte for byte;
                // the copy owns its memory before the shared one goes.
                const QImage::Format format = frame.format == WL_SHM_FORMAT_ARGB8888
                                                  ? QImage::Format_ARGB32
                                                  : QImage::Format_RGB32;
                picture = QImage(static_cast<const uchar*>(memory), int(frame.width),
                                 int(frame.height), int(frame.stride), format)
                              .copy();
                if (frame.yInverted)
                    picture = picture.mirrored(false, true);
            }
            wl_buffer_destroy(buffer);
            munmap(memory, bytes);
        }
    }
    zwlr_screencopy_frame_v1_destroy(proxy);
    wl_display_flush(s->display);
    return picture;
}

}  // namespace tandri::wayland
