// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <functional>
#include <optional>

#include "platform/overlay.h"

namespace tandri::sim {

/// An overlay window of the simulated desktop: it records what it was told and keeps the picture it
/// was given, so that tests and the diagnostic modes can read its state and deliver clicks and
/// keys to it.
class SimOverlayWindow : public OverlayWindow {
public:
    enum class Kind { Panel, Shield };
    /// How the window tells its maker that it took the keyboard focus or went away.
    struct Hooks {
        std::function<void(SimOverlayWindow&)> becameKey;
        std::function<void(SimOverlayWindow&)> destroyed;
    };

    SimOverlayWindow(Kind kind, Hooks hooks);
    ~SimOverlayWindow() override;
    SimOverlayWindow(const SimOverlayWindow&) = delete;
    SimOverlayWindow& operator=(const SimOverlayWindow&) = delete;

    void setHandlers(OverlayHandlers handlers) override;
    void setFrame(const QRectF& frame) override;
    QRectF frame() const override;
    void orderFront() override;
    void orderOut() override;
    bool isVisible() const override;
    void makeKey() override;
    void setAcceptsMouseEvents(bool accepts) override;
    void setBackdropAlpha(double alpha) override;
    void setContents(const QImage& image, const QRectF& area) override;
    void clearContents() override;
    void setBackdrop(const std::optional<OverlayBackdrop>& backdrop) override;

    Kind kind() const { return kind_; }
    bool isKey() const { return key_; }
    bool acceptsMouseEvents() const { return acceptsMouseEvents_; }
    double backdropAlpha() const { return backdropAlpha_; }
    const OverlayHandlers& handlers() const { return handlers_; }
    /// How often the window was ordered front.
    int orderFrontCount() const { return orderFrontCount_; }
    /// The window's picture as composed from every update since it was last cleared: the whole
    /// window at the pixels-per-point scale of the latest update, top row at the window's top;
    /// null when there is none.
    const QImage& contents() const { return contents_; }
    /// Pixels per point of `contents`; 0 when there are none.
    double contentsScale() const { return contentsScale_; }
    /// The area of the latest update, in window points.
    QRectF lastContentsArea() const { return lastArea_; }
    /// How many updates the picture received.
    int contentsUpdates() const { return contentsUpdates_; }
    /// The backdrop shown now, if any.
    const std::optional<OverlayBackdrop>& backdrop() const { return backdrop_; }

    /// Delivers a mouse-down to the mouse-down handler, if there is one.
    void mouseDown(MouseButton button);
    /// Delivers a key-down to the key-down handler, if there is one.
    void keyDown(const KeyEvent& event);
    /// Gives up the keyboard focus (another window took it).
    void resignKey() { key_ = false; }

private:
    Kind kind_;
    Hooks hooks_;
    OverlayHandlers handlers_;
    QRectF frame_;
    bool visible_ = false;
    bool key_ = false;
    bool acceptsMouseEvents_ = true;
    double backdropAlpha_ = 1.0;
    int orderFrontCount_ = 0;
    QImage contents_;
    double contentsScale_ = 0;
    QRectF lastArea_;
    int contentsUpdates_ = 0;
    std::optional<OverlayBackdrop> backdrop_;
};

}  // namespace tandri::sim
