// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include <xcb/xcb.h>

// A few rows of the screen around a point, read back from the X server as the user sees them:
// what lies on the root window, windows included (and what a compositing manager paints there).
// On a connection of its own, through XCB, so that the rows' requests go out together and one
// reading costs one round trip: what a reading costs is the round trip, not the few kilobytes.
class ScreenRows {
public:
    // `count` rows of `width` pixels, `spacing` apart, centred on (x, y) on the display named by
    // DISPLAY; clipped to the screen.
    ScreenRows(int x, int y, int width, int count, int spacing);
    ~ScreenRows();
    ScreenRows(const ScreenRows&) = delete;
    ScreenRows& operator=(const ScreenRows&) = delete;

    bool connected() const { return root_ != 0; }
    // Reads the rows afresh from the screen; false when a row could not be read.
    bool read();
    // The rows as last read.
    const std::vector<std::uint8_t>& pixels() const { return pixels_; }

private:
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    int x_ = 0;
    int width_ = 0;
    std::vector<int> rows_;  // their y on the screen
    std::vector<xcb_get_image_cookie_t> cookies_;
    std::vector<std::uint8_t> pixels_;
};
