// SPDX-License-Identifier: MIT
#include "platform/wayland/waylandscreens.h"

#include "platform/wayland/waylandconnection.h"
#include "platform/wayland/waylandseat.h"

#include <wayland-client.h>

namespace tandri::wayland {

namespace {

const wl_output_listener outputListener = {
    .geometry =
        [](void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t, const char*,
           const char*, int32_t) {
            auto* output = static_cast<WaylandScreens::Output*>(data);
            output->logical.moveTopLeft(QPointF(x, y));
        },
    .mode =
        [](void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
            auto* output = static_cast<WaylandScreens::Output*>(data);
            if (flags & WL_OUTPUT_MODE_CURRENT)
                output->logical.setSize(QSizeF(width, height) / output->scale);
        },
    .done = [](void*, wl_output*) {},
    .scale =
        [](void* data, wl_output*, int32_t factor) {
            auto* output = static_cast<WaylandScreens::Output*>(data);
            if (factor < 1)
                return;
            // The mode came in device pixels: its logical size shrinks with the scale.
            output->logical.setSize(output->logical.size() * output->scale / factor);
            output->scale = factor;
        },
    .name = [](void* data, wl_output*,
               const char* name) { static_cast<WaylandScreens::Output*>(data)->name = name; },
    .description = [](void*, wl_output*, const char*) {},
};

}  // namespace

WaylandScreens::WaylandScreens(WaylandConnection& connection, WaylandSeat& seat)
    : connection_(connection), seat_(seat) {
    for (const auto& global : connection.globals("wl_output")) {
        auto output = std::make_unique<Output>();
        output->proxy =
            reinterpret_cast<wl_output*>(connection.bind(global, &wl_output_interface, 4));
        output->name = QStringLiteral("output-%1").arg(global.name);
        wl_output_add_listener(output->proxy, &outputListener, output.get());
        outputs_.push_back(std::move(output));
    }
    connection.roundtrip();
}

WaylandScreens::~WaylandScreens() {
    for (const auto& output : outputs_) {
        if (WaylandConnection::version(output->proxy) >= 3)
            wl_output_release(output->proxy);
        else
            wl_output_destroy(output->proxy);
    }
    connection_.flush();
}

QRectF WaylandScreens::toPoints(const QRectF& rect) const {
    const double bottom = outputs_.empty() ? 0 : outputs_.front()->logical.bottom();
    return {rect.x(), bottom - rect.y() - rect.height(), rect.width(), rect.height()};
}

QPointF WaylandScreens::toPoints(const QPointF& point) const {
    const double bottom = outputs_.empty() ? 0 : outputs_.front()->logical.bottom();
    return {point.x(), bottom - point.y()};
}

std::vector<Screen> WaylandScreens::screens() const {
    std::vector<Screen> result;
    for (const auto& output : outputs_) {
        const QRectF frame = toPoints(output->logical);
        // Panels keep their room through layer-shell zones no client can read: the whole output.
        result.push_back(Screen{output->name, frame, frame, double(output->scale)});
    }
    return result;
}

const WaylandScreens::Output* WaylandScreens::outputAt(const QPointF& point) const {
    for (const auto& output : outputs_) {
        if (output->logical.contains(point))
            return output.get();
    }
    return outputs_.empty() ? nullptr : outputs_.front().get();
}

QPointF WaylandScreens::mouseLocation() const {
    if (const auto seen = seat_.lastPosition())
        return toPoints(*seen);
    // Never over one of this program's surfaces yet: the middle of the main screen, where the
    // ring then opens, is the guess that keeps the whole ring on a screen.
    if (outputs_.empty())
        return {};
    return toPoints(outputs_.front()->logical.center());
}

unsigned WaylandScreens::pressedMouseButtons() const {
    return seat_.pressedButtons();
}

std::unique_ptr<Monitor> WaylandScreens::monitorOutsideClicks(std::function<void()>) {
    return nullptr;
}

}  // namespace tandri::wayland
