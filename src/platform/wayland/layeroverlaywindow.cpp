// SPDX-License-Identifier: MIT
#include "platform/wayland/layeroverlaywindow.h"

#include <sys/mman.h>
#include <unistd.h>

#include <QPainter>

#include "platform/wayland/waylandconnection.h"
#include "platform/wayland/waylandoverlays.h"
#include "platform/wayland/waylandscreens.h"
#include "platform/wayland/waylandseat.h"

#include <wayland-client.h>
#include "wlr-layer-shell-unstable-v1-client-protocol.h"

namespace tandri::wayland {

// One shared-memory picture the compositor reads; busy from attaching until it lets go.
struct LayerOverlayWindow::Buffer {
    wl_buffer* proxy = nullptr;
    void* memory = nullptr;
    std::size_t bytes = 0;
    QImage view;
    bool busy = false;
    LayerOverlayWindow* owner = nullptr;

    ~Buffer() {
        if (proxy)
            wl_buffer_destroy(proxy);
        if (memory)
            munmap(memory, bytes);
    }
};

struct LayerOverlayWindow::Listeners {
    static const zwlr_layer_surface_v1_listener layer;
    static const wl_buffer_listener buffer;
};

const zwlr_layer_surface_v1_listener LayerOverlayWindow::Listeners::layer = {
    .configure =
        [](void* data, zwlr_layer_surface_v1*, uint32_t serial, uint32_t width, uint32_t height) {
            static_cast<LayerOverlayWindow*>(data)->configure(serial, width, height);
        },
    .closed = [](void* data,
                 zwlr_layer_surface_v1*) { static_cast<LayerOverlayWindow*>(data)->closed(); },
};

const wl_buffer_listener LayerOverlayWindow::Listeners::buffer = {
    .release =
        [](void* data, wl_buffer*) {
            auto* buffer = static_cast<Buffer*>(data);
            buffer->busy = false;
            // A picture that waited for a free buffer goes out now.
            if (buffer->owner->pending_)
                buffer->owner->present();
        },
};

LayerOverlayWindow::LayerOverlayWindow(Kind kind, WaylandOverlays& overlays)
    : kind_(kind), overlays_(overlays) {}

LayerOverlayWindow::~LayerOverlayWindow() {
    destroySurface();
}

void LayerOverlayWindow::setHandlers(OverlayHandlers handlers) {
    handlers_ = std::move(handlers);
}

void LayerOverlayWindow::setFrame(const QRectF& frame) {
    if (frame == frame_)
        return;
    frame_ = frame;
    if (!surface_)
        return;
    // Another output holds the frame now: the surface moves with it.
    const QPointF centre = overlays_.screens().toCompositor(frame_).center();
    const auto* output = overlays_.screens().outputAt(centre);
    if (output && output->logical.topLeft() != outputOrigin_) {
        destroySurface();
        orderFront();
        return;
    }
    present();
}

QRectF LayerOverlayWindow::frame() const {
    return frame_;
}

void LayerOverlayWindow::orderFront() {
    visible_ = true;
    if (surface_ || !overlays_.available())
        return;
    WaylandScreens& screens = overlays_.screens();
    const auto* output = screens.outputAt(screens.toCompositor(frame_).center());
    outputOrigin_ = output ? output->logical.topLeft() : QPointF();
    const int scale = output ? output->scale : 1;
    if (scale != scale_) {
        scale_ = scale;
        picture_ = QImage();
    }
    surface_ = wl_compositor_create_surface(overlays_.compositor());
    layer_ = zwlr_layer_shell_v1_get_layer_surface(overlays_.layerShell(), surface_,
                                                   output ? output->proxy : nullptr,
                                                   ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "tandri");
    zwlr_layer_surface_v1_add_listener(layer_, &Listeners::layer, this);
    zwlr_layer_surface_v1_set_anchor(
        layer_, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                    ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    // Over panels too: the ring may open anywhere on the output.
    zwlr_layer_surface_v1_set_exclusive_zone(layer_, -1);
    wl_surface_set_buffer_scale(surface_, scale_);
    applyKeyboard();
    applyInput();
    WaylandSeat& seat = overlays_.seat();
    WaylandSeat::SurfaceHandlers heard;
    heard.origin = [this] {
        return outputOrigin_;
    };
    heard.mouseDown = [this](MouseButton button) {
        if (acceptsMouse_ && handlers_.mouseDown)
            handlers_.mouseDown(button);
    };
    heard.keyDown = [this](const KeyEvent& event) {
        if (handlers_.keyDown)
            handlers_.keyDown(event);
    };
    seat.listen(surface_, std::move(heard));
    // The first commit carries no picture: the compositor answers with the surface's size.
    wl_surface_commit(surface_);
    overlays_.connection().flush();
}

void LayerOverlayWindow::orderOut() {
    visible_ = false;
    destroySurface();
}

bool LayerOverlayWindow::isVisible() const {
    return visible_;
}

void LayerOverlayWindow::makeKey() {
    if (kind_ == Kind::Shield)
        return;
    key_ = true;
    if (layer_) {
        applyKeyboard();
        wl_surface_commit(surface_);
        overlays_.connection().flush();
    }
}

void LayerOverlayWindow::setAcceptsMouseEvents(bool accepts) {
    if (accepts == acceptsMouse_)
        return;
    acceptsMouse_ = accepts;
    if (surface_) {
        applyInput();
        wl_surface_commit(surface_);
        overlays_.connection().flush();
    }
}

void LayerOverlayWindow::setBackdropAlpha(double) {
    // The compositor blends the surface; there is no blurred backdrop to fade.
}

void LayerOverlayWindow::setBackdrop(const std::optional<OverlayBackdrop>&) {
    // No protocol of a wlroots compositor blurs what lies behind a surface.
}

void LayerOverlayWindow::setContents(const QImage& image, const QRectF& area) {
    if (kind_ == Kind::Shield || frame_.isEmpty())
        return;
    const QSize pixels = (frame_.size() * scale_).toSize();
    if (picture_.size() != pixels) {
        picture_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        picture_.fill(Qt::transparent);
    }
    // `area` is in window points from the bottom-left; the picture's rows run from the top.
    const QRectF target((area.x()) * scale_, (frame_.height() - area.y() - area.height()) * scale_,
                        area.width() * scale_, area.height() * scale_);
    QPainter painter(&picture_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image);
    painter.end();
    present();
}

void LayerOverlayWindow::clearContents() {
    picture_ = QImage();
    present();
}

void LayerOverlayWindow::applyInput() {
    if (acceptsMouse_) {
        wl_surface_set_input_region(surface_, nullptr);  // all of it
        return;
    }
    wl_region* none = wl_compositor_create_region(overlays_.compositor());
    wl_surface_set_input_region(surface_, none);
    wl_region_destroy(none);
}

void LayerOverlayWindow::applyKeyboard() {
    zwlr_layer_surface_v1_set_keyboard_interactivity(layer_, key_ && kind_ == Kind::Panel ? 1 : 0);
}

void LayerOverlayWindow::configure(quint32 serial, quint32 width, quint32 height) {
    zwlr_layer_surface_v1_ack_configure(layer_, serial);
    const QSize size{int(width), int(height)};
    if (size != size_) {
        size_ = size;
        for (auto& buffer : buffers_) buffer.reset();
    }
    configured_ = true;
    present();
}

void LayerOverlayWindow::closed() {
    // The compositor took the surface away (its output went): a later orderFront makes another.
    destroySurface();
}

LayerOverlayWindow::Buffer* LayerOverlayWindow::freeBuffer() {
    const QSize pixels = size_ * scale_;
    for (auto& buffer : buffers_) {
        if (buffer && buffer->busy)
            continue;
        if (buffer && buffer->view.size() == pixels)
            return buffer.get();
        buffer.reset();
        const int stride = pixels.width() * 4;
        const std::size_t bytes = std::size_t(stride) * std::size_t(pixels.height());
        const int fd = memfd_create("tandri-overlay", MFD_CLOEXEC);
        if (fd < 0)
            return nullptr;
        if (ftruncate(fd, off_t(bytes)) != 0) {
            close(fd);
            return nullptr;
        }
        void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (memory == MAP_FAILED) {
            close(fd);
            return nullptr;
        }
        auto made = std::make_unique<Buffer>();
        made->memory = memory;
        made->bytes = bytes;
        made->owner = this;
        wl_shm_pool* pool = wl_shm_create_pool(overlays_.shm(), fd, int32_t(bytes));
        made->proxy = wl_shm_pool_create_buffer(pool, 0, pixels.width(), pixels.height(), stride,
                                                WL_SHM_FORMAT_ARGB8888);
        wl_shm_pool_destroy(pool);
        close(fd);
        wl_buffer_add_listener(made->proxy, &Listeners::buffer, made.get());
        // Little-endian ARGB8888 is Qt's premultiplied ARGB32 byte for byte.
        made->view = QImage(static_cast<uchar*>(memory), pixels.width(), pixels.height(), stride,
                            QImage::Format_ARGB32_Premultiplied);
        buffer = std::move(made);
        return buffer.get();
    }
    return nullptr;
}

void LayerOverlayWindow::present() {
    if (!surface_ || !configured_ || size_.isEmpty())
        return;
    Buffer* buffer = freeBuffer();
    if (!buffer) {
        pending_ = true;
        return;
    }
    pending_ = false;
    buffer->view.fill(Qt::transparent);
    if (!picture_.isNull()) {
        const QRectF frame = overlays_.screens().toCompositor(frame_);
        QPainter painter(&buffer->view);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(((frame.topLeft() - outputOrigin_) * scale_).toPoint(), picture_);
    }
    wl_surface_attach(surface_, buffer->proxy, 0, 0);
    wl_surface_damage_buffer(surface_, 0, 0, buffer->view.width(), buffer->view.height());
    wl_surface_commit(surface_);
    buffer->busy = true;
    mapped_ = true;
    overlays_.connection().flush();
}

void LayerOverlayWindow::destroySurface() {
    if (!surface_)
        return;
    overlays_.seat().forget(surface_);
    zwlr_layer_surface_v1_destroy(layer_);
    wl_surface_destroy(surface_);
    layer_ = nullptr;
    surface_ = nullptr;
    configured_ = mapped_ = pending_ = false;
    size_ = QSize();
    // A buffer the compositor still holds is freed with it; both are made afresh next time.
    for (auto& buffer : buffers_) buffer.reset();
    overlays_.connection().flush();
}

}  // namespace tandri::wayland
