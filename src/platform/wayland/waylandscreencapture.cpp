// SPDX-License-Identifier: MIT
#include "platform/wayland/waylandscreencapture.h"

#include "platform/wayland/screencopier.h"
#include "platform/wayland/swaytree.h"
#include "platform/wayland/waylandscreens.h"

namespace tandri::wayland {

WaylandScreenCapture::WaylandScreenCapture(ForeignToplevels& toplevels, WaylandScreens& screens,
                                           SwayTree* tree)
    : toplevels_(toplevels),
      screens_(screens),
      tree_(tree),
      copier_(std::make_unique<ScreenCopier>()) {
    if (!tree_ || !tree_->connected()) {
        qWarning(
            "Tandri: no window pictures: only sway's IPC tells where another program's "
            "window lies, and SWAYSOCK names no sway here");
    } else if (!copier_->available()) {
        qWarning("Tandri: no window pictures: the compositor does not offer screencopy");
    } else {
        available_ = true;
    }
}

WaylandScreenCapture::~WaylandScreenCapture() = default;

bool WaylandScreenCapture::hasPermission() const {
    return available_ && tree_->connected();
}

void WaylandScreenCapture::requestPermission() {}

std::optional<std::vector<WaylandScreenCapture::Shown>> WaylandScreenCapture::shown() const {
    if (!hasPermission())
        return std::nullopt;
    const std::vector<ForeignToplevels::Toplevel> toplevels = toplevels_.list();
    const auto matched = SwayTree::match(toplevels, tree_->windows());
    std::vector<Shown> result;
    for (const auto& toplevel : toplevels) {
        const auto window = matched.find(toplevel.id);
        if (window != matched.end() && window->second.visible && !toplevel.minimized)
            result.push_back({toplevel, screens_.toPoints(QRectF(window->second.rect))});
    }
    return result;
}

std::optional<std::vector<ShareableWindow>> WaylandScreenCapture::shareableWindows() const {
    const auto windows = shown();
    if (!windows)
        return std::nullopt;
    // The list is what the last change left; the next pass sees any change not yet heard of.
    tree_->refresh();
    std::vector<ShareableWindow> result;
    for (const Shown& window : *windows) result.push_back({window.toplevel.id, window.frame});
    return result;
}

QImage WaylandScreenCapture::capture(quint32 windowID, QSize pixels) {
    if (!hasPermission() || pixels.isEmpty())
        return {};
    const auto matched = SwayTree::match(toplevels_.list(), tree_->windows());
    const auto window = matched.find(windowID);
    if (window == matched.end() || !window->second.visible)
        return {};
    const SwayTree::Window& found = window->second;
    const QImage picture = copier_->copy(found.output, found.rect.translated(-found.outputOrigin));
    if (picture.isNull())
        return {};
    return picture.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB32);
}

}  // namespace tandri::wayland
