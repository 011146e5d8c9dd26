// SPDX-License-Identifier: MIT
#include "paint/uncleared.h"

#include <cstring>

namespace tandri::paint {

namespace {

// The bitmap of this thread that still holds an earlier frame. Not a cache: it lives no longer
// than the frame that is being drawn on this thread.
thread_local QImage* uncleared = nullptr;

}  // namespace

Uncleared::Uncleared(QImage& image) : previous_(uncleared) {
    uncleared = &image;
}

Uncleared::~Uncleared() {
    if (uncleared)
        clear(*uncleared);
    uncleared = previous_;
}

void Uncleared::settle(const QPainter& painter) {
    if (uncleared && painter.device() == uncleared)
        clear(*uncleared);
}

void Uncleared::clear(QImage& image) {
    if (uncleared == &image) {
        uncleared = nullptr;
        image.fill(Qt::transparent);
    }
}

Uncleared::Rows::Rows(QImage& image, int top, int bottom) {
    if (uncleared != &image)
        return;
    uncleared = nullptr;
    bits_ = image.bits();
    stride_ = image.bytesPerLine();
    for (int y = 0; y < image.height(); ++y) {
        if (y < top || y > bottom)
            std::memset(bits_ + y * stride_, 0, static_cast<size_t>(stride_));
    }
}

void Uncleared::Rows::row(int y) const {
    if (bits_)
        std::memset(bits_ + y * stride_, 0, static_cast<size_t>(stride_));
}

}  // namespace tandri::paint
