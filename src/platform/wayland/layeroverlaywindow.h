// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QRectF>
#include <array>
#include <memory>

#include "platform/overlay.h"

struct wl_buffer;
struct wl_surface;
struct zwlr_layer_surface_v1;

namespace tandri::wayland {

class WaylandOverlays;

/// An overlay window on a wlroots compositor: a layer-shell surface on the overlay layer that
/// covers the whole output holding the window's frame, so that the pointer is heard anywhere on
/// that output while the ring is open. The picture is drawn at the frame's place and the rest
/// stays transparent: the compositor blends it over the desktop, so no picture of the screen is
/// taken, and no blurred backdrop is shown (no protocol offers one). It is drawn through two
/// shared-memory buffers, used in turn and kept while the window shows. Main thread.
class LayerOverlayWindow : public OverlayWindow {
public:
    enum class Kind { Panel, Shield };

    LayerOverlayWindow(Kind kind, WaylandOverlays& overlays);
    ~LayerOverlayWindow() override;
    LayerOverlayWindow(const LayerOverlayWindow&) = delete;
    LayerOverlayWindow& operator=(const LayerOverlayWindow&) = delete;

    void setHandlers(OverlayHandlers handlers) override;
    void setFrame(const QRectF& frame) override;
    QRectF frame() const override;
    void orderFront() override;
    void orderOut() override;
    bool isVisible() const override;
    /// Takes the keyboard exclusively while shown; a shield never takes it.
    void makeKey() override;
    void setAcceptsMouseEvents(bool accepts) override;
    void setBackdropAlpha(double alpha) override;
    void setContents(const QImage& image, const QRectF& area) override;
    void clearContents() override;
    void setBackdrop(const std::optional<OverlayBackdrop>& backdrop) override;

    /// Whether the compositor has shown the surface with a picture.
    bool mapped() const { return mapped_; }

private:
    struct Buffer;
    struct Listeners;
    void configure(quint32 serial, quint32 width, quint32 height);
    void closed();
    void applyInput();
    void applyKeyboard();
    void present();
    void destroySurface();
    Buffer* freeBuffer();

    Kind kind_;
    WaylandOverlays& overlays_;
    OverlayHandlers handlers_;
    QRectF frame_;
    bool visible_ = false;
    bool key_ = false;
    bool acceptsMouse_ = true;
    // The window's picture at the output's scale, top row at the frame's top.
    QImage picture_;
    int scale_ = 1;
    // The surface while shown, the output's logical top-left and its size once configured.
    wl_surface* surface_ = nullptr;
    zwlr_layer_surface_v1* layer_ = nullptr;
    QPointF outputOrigin_;
    QSize size_;
    bool configured_ = false;
    bool mapped_ = false;
    bool pending_ = false;
    std::array<std::unique_ptr<Buffer>, 2> buffers_;
};

}  // namespace tandri::wayland
