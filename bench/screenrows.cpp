// SPDX-License-Identifier: MIT
#include "screenrows.h"

#include <algorithm>
#include <cstdlib>

ScreenRows::ScreenRows(int x, int y, int width, int count, int spacing) {
    int number = 0;
    connection_ = xcb_connect(nullptr, &number);
    if (xcb_connection_has_error(connection_))
        return;
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (; screens.rem && number > 0; --number) xcb_screen_next(&screens);
    if (!screens.rem)
        return;
    const xcb_screen_t* screen = screens.data;
    width_ = std::min<int>(width, screen->width_in_pixels);
    x_ = std::clamp(x - width_ / 2, 0, screen->width_in_pixels - width_);
    for (int i = 0; i < count; ++i)
        rows_.push_back(
            std::clamp(y + (2 * i - (count - 1)) * spacing / 2, 0, screen->height_in_pixels - 1));
    root_ = screen->root;
    cookies_.resize(rows_.size());
}

ScreenRows::~ScreenRows() {
    xcb_disconnect(connection_);
}

bool ScreenRows::read() {
    if (!root_)
        return false;
    for (size_t i = 0; i < rows_.size(); ++i)
        cookies_[i] = xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, root_, x_, rows_[i],
                                    width_, 1, ~0u);
    pixels_.clear();
    bool whole = true;
    for (const auto& cookie : cookies_) {
        xcb_get_image_reply_t* reply = xcb_get_image_reply(connection_, cookie, nullptr);
        if (!reply) {
            whole = false;
            continue;
        }
        const std::uint8_t* data = xcb_get_image_data(reply);
        pixels_.insert(pixels_.end(), data, data + xcb_get_image_data_length(reply));
        std::free(reply);
    }
    return whole;
}
