// SPDX-License-Identifier: MIT
#pragma once

#include <QRectF>
#include <functional>
#include <memory>

namespace tandri {

class OverlayWindow;
class Overlays;

/// A transparent window over a screen without the ring: a click there closes the ring instead of
/// reaching the app below.
class ClickShield {
public:
    explicit ClickShield(Overlays& overlays);
    ~ClickShield();

    std::function<void()> onClick;

    void setFrame(const QRectF& frame);
    QRectF frame() const;
    void orderFront();
    void orderOut();
    bool isVisible() const;

private:
    std::unique_ptr<OverlayWindow> window_;
};

}  // namespace tandri
