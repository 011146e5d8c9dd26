// SPDX-License-Identifier: MIT
// Moves the compositor's pointer through the virtual-pointer protocol, as a person's mouse
// would: `virtual-pointer WIDTH HEIGHT X Y [X Y]...` goes to each point of a WIDTH×HEIGHT
// layout in turn, in small steps between them.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include <wayland-client.h>
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

wl_seat* seat = nullptr;
zwlr_virtual_pointer_manager_v1* manager = nullptr;

void global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !seat)
        seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}

void globalRemove(void*, wl_registry*, uint32_t) {}

uint32_t milliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return uint32_t(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5 || (argc - 3) % 2 != 0) {
        std::fprintf(stderr, "usage: virtual-pointer WIDTH HEIGHT X Y [X Y]...\n");
        return 2;
    }
    const int width = std::atoi(argv[1]), height = std::atoi(argv[2]);
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "virtual-pointer: no Wayland compositor\n");
        return 1;
    }
    wl_registry* registry = wl_display_get_registry(display);
    static const wl_registry_listener listener = {global, globalRemove};
    wl_registry_add_listener(registry, &listener, nullptr);
    wl_display_roundtrip(display);
    if (!manager || !seat) {
        std::fprintf(stderr, "virtual-pointer: the compositor offers no virtual pointer\n");
        return 1;
    }
    zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
    std::vector<std::pair<double, double>> points;
    for (int i = 3; i + 1 < argc; i += 2)
        points.emplace_back(std::atof(argv[i]), std::atof(argv[i + 1]));
    const auto move = [&](double x, double y) {
        zwlr_virtual_pointer_v1_motion_absolute(pointer, milliseconds(), uint32_t(x), uint32_t(y),
                                                uint32_t(width), uint32_t(height));
        zwlr_virtual_pointer_v1_frame(pointer);
        wl_display_roundtrip(display);
    };
    move(points.front().first, points.front().second);
    constexpr int steps = 8;
    for (std::size_t i = 1; i < points.size(); ++i) {
        const auto [fromX, fromY] = points[i - 1];
        const auto [toX, toY] = points[i];
        for (int step = 1; step <= steps; ++step) {
            // A hand takes a moment between two places; the ring reads the path, not the speed.
            usleep(10000);
            move(fromX + (toX - fromX) * step / steps, fromY + (toY - fromY) * step / steps);
        }
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    zwlr_virtual_pointer_manager_v1_destroy(manager);
    wl_seat_destroy(seat);
    wl_registry_destroy(registry);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
